#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds in release mode and runs every benchmark; each prints key=value lines.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build build/release -j "$(nproc)"
for b in build/release/bench/*_bench; do
  [ -x "$b" ] || continue
  QT_QPA_PLATFORM=offscreen "$b"
done
