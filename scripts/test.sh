#!/usr/bin/env bash
# Sets up, builds and runs every test: the format check, the release build with the window tests, the headless
# tests under AddressSanitizer and UndefinedBehaviorSanitizer, and the bounded fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

echo "== format check"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

echo "== release build and tests"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build/release --output-on-failure -j "$jobs"

echo "== sanitizer build and headless tests"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNQ_SANITIZE=ON -DNQ_WITH_QT=OFF \
      -DNQ_BUILD_BENCH=OFF >/dev/null
cmake --build build/asan -j "$jobs"
ctest --test-dir build/asan --output-on-failure -j "$jobs"

echo "== fuzz targets (bounded runs)"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DNQ_FUZZ=ON \
      -DNQ_WITH_QT=OFF -DNQ_BUILD_BENCH=OFF >/dev/null
cmake --build build/fuzz -j "$jobs"
ctest --test-dir build/fuzz --output-on-failure -L fuzz
