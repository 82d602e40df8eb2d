#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A long count with --save killed by SIGKILL at random moments and started again each time until it
# finishes: every run goes on from the file the last one left (never refused as damaged or held), and the
# final count is the known one. Argument: the nqueens program.
set -euo pipefail
nqueens=$1
expected=95815104   # the solutions of n = 17
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
file=$folder/count17.txt

for run in $(seq 1 60); do
    "$nqueens" count 17 --jobs 2 --save "$file" >"$folder/out" 2>"$folder/err" &
    pid=$!
    # Between 1 and 5 s: before, across and after the saves (every 2 s).
    sleep "$(( 1 + RANDOM % 4 )).$(( RANDOM % 10 ))"
    if kill -KILL "$pid" 2>/dev/null; then
        wait "$pid" 2>/dev/null || true
        if [ -s "$folder/err" ] && ! grep -q "interrupted" "$folder/err"; then
            echo "run $run said: $(cat "$folder/err")"
            exit 1
        fi
        continue
    fi
    status=0
    wait "$pid" || status=$?
    if [ "$status" != 0 ]; then
        echo "run $run ended with status $status: $(cat "$folder/err")"
        exit 1
    fi
    got=$(cat "$folder/out")
    if [ "$got" != "$expected" ]; then
        echo "after $run runs the count is '$got', not $expected"
        exit 1
    fi
    echo "killed $((run - 1)) times, resumed each time: $got"
    exit 0
done
echo "the count did not finish in 60 runs"
exit 1
