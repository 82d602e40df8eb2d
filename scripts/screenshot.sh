#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the program, starts it on a virtual X display and saves a PNG of its window (default: window.png).
# NQ_BUILD_DIR chooses the build directory (default build/release).
set -euo pipefail

title="n Queens on a n x n Chessboard"

# Second stage, inside xvfb-run: starts the program, waits until its window is mapped, grabs it, ends the program.
if [ "${1:-}" = "--capture" ]; then
    program="$2"
    out="$3"
    "$program" &
    pid=$!
    id=""
    for _ in $(seq 1 100); do
        id=$(xwininfo -root -tree 2>/dev/null | awk -v t="\"$title\"" 'index($0, t) { print $1; exit }')
        if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q IsViewable; then break; fi
        id=""
        sleep 0.1
    done
    if [ -z "$id" ]; then
        kill "$pid" 2>/dev/null || true
        echo "screenshot: the window did not appear" >&2
        exit 1
    fi
    sleep 0.5  # let the first paint reach the screen
    import -window "$id" "$out"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    exit 0
fi

root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-window.png}")"
cd "$root"
bash scripts/setup.sh
build="${NQ_BUILD_DIR:-build/release}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target nqueens >/dev/null
xvfb-run -a -s "-screen 0 1024x400x24" bash "$root/scripts/screenshot.sh" --capture "$root/$build/app/nqueens" "$out"
echo "saved $out"
