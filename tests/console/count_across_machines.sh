#!/usr/bin/env bash
# The program's console commands as a shell uses them: a count spread by split over GNU parallel (two local
# jobs standing in for two machines) adds up to the whole count, and a list cut short by a closed pipe ends
# quietly. Argument: the nqueens program.
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
trap 'rm -f "$errors"' EXIT
set +o pipefail
"$nqueens" list 12 2>"$errors" | head -1 >/dev/null
status=${PIPESTATUS[0]}
if [ "$status" != 0 ] || [ -s "$errors" ]; then
    echo "list into a closed pipe: status $status, messages: $(cat "$errors")"
    exit 1
fi
echo "split and parallel: $sum solutions, as count; closed pipe: quiet"
