#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program's console commands as a shell uses them: a count spread by split over GNU parallel (two local
# jobs standing in for two machines) adds up to the whole count, and a list cut short by a closed pipe ends
# quietly; a run resumed by parallel's job log adds up to the whole count too. Argument: the nqueens program.
set -euo pipefail
nqueens=$1

whole=$("$nqueens" count 12)
sum=$("$nqueens" split 12 --depth 2 |
      parallel --will-cite --jobs 2 "$nqueens" count 12 --jobs 1 --fixed {} | paste -sd+ | bc)
if [ "$sum" != "$whole" ]; then
    echo "split over parallel counts $sum, count 12 says $whole"
    exit 1
fi

errors=$(mktemp)
folder=$(mktemp -d)
trap 'rm -f "$errors"; rm -rf "$folder"' EXIT

# Resumed by parallel's job log: a first run stopped after a few parts, the same command again counts the rest.
"$nqueens" split 12 --depth 2 > "$folder/parts.txt"
resume=(parallel --will-cite --jobs 2 --joblog "$folder/parts.log" --resume-failed
        "$nqueens" count 12 --jobs 1 --fixed {} :::: "$folder/parts.txt")
"${resume[@]}" --halt now,done=5 >> "$folder/counts.txt" 2>/dev/null || true
first=$(wc -l < "$folder/counts.txt")
"${resume[@]}" >> "$folder/counts.txt"
resumed=$(paste -sd+ "$folder/counts.txt" | bc)
if [ "$first" -ge "$(wc -l < "$folder/parts.txt")" ] || [ "$resumed" != "$whole" ]; then
    echo "parallel --resume-failed: $first parts in the first run, $resumed in all, count 12 says $whole"
    exit 1
fi
set +o pipefail
"$nqueens" list 12 2>"$errors" | head -1 >/dev/null
status=${PIPESTATUS[0]}
if [ "$status" != 0 ] || [ -s "$errors" ]; then
    echo "list into a closed pipe: status $status, messages: $(cat "$errors")"
    exit 1
fi
echo "split and parallel: $sum solutions, as count, and after a resume; closed pipe: quiet"
