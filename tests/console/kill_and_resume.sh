#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A long count (by constellations: quadrants end n = 17 too soon) with --save ended by signals and started
# again each time until it finishes. First the signals it catches, each before the first periodic save: it
# saves, ends with one line and 128 + the signal, removes its lock and temporary files, and the file holds more
# work than before. Then a unique count of each method, whose line and file must say what its tasks count.
# Then SIGKILL at random moments: every run goes on from the file the last one left (never
# refused as damaged or held), the final count is the known one, and nothing but the file is left. Argument:
# the nqueens program.
set -euo pipefail
nqueens=$1
expected=95815104   # the solutions of n = 17
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/save"
file=$folder/save/count17.txt

finished() { if [ -f "$file" ]; then sed -n 's/^finished //p' "$file"; else echo 0; fi; }
only_the_file() {
    if [ "$(ls -A "$folder/save")" != count17.txt ]; then
        echo "$1 left: $(ls -A "$folder/save" | tr '\n' ' ')"
        exit 1
    fi
}

# signal, exit status, seconds before it, the message's first word(s)
while read -r signal status delay word; do
    before=$(finished)
    "$nqueens" count 17 --method constellations --jobs 2 --save "$file" >"$folder/out" 2>"$folder/err" &
    pid=$!
    sleep "$delay"
    kill -"$signal" "$pid"
    got=0
    wait "$pid" || got=$?
    if [ "$got" != "$status" ] ||
        ! grep -qx "nqueens: $word: [0-9]* solutions found so far, .*; saved; run the same command to go on" \
            "$folder/err"; then
        echo "SIG$signal: status $got (not $status), said: $(cat "$folder/err")"
        exit 1
    fi
    only_the_file "SIG$signal"
    if [ "$(finished)" -le "$before" ]; then
        echo "SIG$signal after $delay s saved no work ($before tasks before, $(finished) after)"
        exit 1
    fi
done <<'TABLE'
INT 130 0.8 interrupted
TERM 143 1.2 terminated
HUP 129 1.6 hung up
TABLE

# A unique count stopped once its file holds finished tasks: its line and its file say what the tasks count,
# classes (constellations) or every solution, whose classes come only at the end (quadrants).
while read -r method sum said; do
    unique=$folder/unique-$method.txt
    "$nqueens" count 19 --unique --method "$method" --jobs 2 --save "$unique" >"$folder/out" 2>"$folder/err" &
    pid=$!
    for _ in $(seq 300); do
        [ "$(sed -n 's/^finished //p' "$unique" 2>/dev/null)" -gt 0 ] 2>/dev/null && break
        sleep 0.1
    done
    kill -INT "$pid"
    wait "$pid" || true
    if ! grep -qx "nqueens: interrupted: [0-9]* $said, .*; saved; run the same command to go on" "$folder/err" ||
        ! grep -q "^$sum [0-9]*$" "$unique"; then
        echo "--unique by $method said: $(cat "$folder/err"); its file: $(sed -n 2,7p "$unique")"
        exit 1
    fi
done <<'TABLE'
constellations classes classes up to rotation and reflection found so far
quadrants solutions solutions found so far (their classes up to rotation and reflection are known only at the end)
TABLE

for run in $(seq 1 60); do
    "$nqueens" count 17 --method constellations --jobs 2 --save "$file" >"$folder/out" 2>"$folder/err" &
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
    only_the_file "the finished count"
    echo "stopped by SIGINT, SIGTERM and SIGHUP, killed $((run - 1)) times, resumed each time: $got"
    exit 0
done
echo "the count did not finish in 60 runs"
exit 1
