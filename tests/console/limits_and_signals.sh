#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The count as a hostile user or a strict machine meets it: too little address space for its threads or its
# table, and signals while its plan is made. Each case ends with its one line on standard error and its status,
# never with a library's abort, and leaves exactly the files that were there. Argument: the nqueens program.
set -euo pipefail
nqueens=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
file=$folder/count.txt
failed=0
# The names in the folder and their contents.
state() { (cd "$folder" && ls -A && find . -type f -exec cksum {} + | sort); }
# A save file of `count 22` with none of its tasks finished, closed by its CRC-32 (gzip's trailer holds it).
unfinished22() {
    local text
    text=$(printf '%s\n' "nqueens saved count 1" \
        "# run the same count command to go on; each task line: index, solutions, work in microseconds" \
        "problem n=22 fixed= unique=no" "method quadrants 2" "tasks 1" "finished 0" "solutions 0")$'\n'
    printf '%schecksum %s\n' "$text" "$(printf '%s' "$text" | gzip -c | tail -c8 | head -c4 | od -An -tx4 | tr -d ' ')"
}

# Address-space limit in bytes (- none), a signal and the seconds before it (- none), a save file there before
# (yes/no), the status, standard error's one line (an extended regular expression), then the arguments; FILE
# stands for the save file.
while read -r limit signal before status line args; do
    rm -f "$folder"/*
    if [ "$before" = yes ]; then unfinished22 >"$file"; fi
    listing=$(state)
    run=("$nqueens" ${args//FILE/$file})
    if [ "$limit" != - ]; then run=(prlimit --as="$limit" "${run[@]}"); fi
    "${run[@]}" >"$folder.out" 2>"$folder.err" &
    pid=$!
    if [ "$signal" != - ]; then
        sleep "${signal#*@}"
        kill -"${signal%@*}" "$pid" 2>/dev/null || true
    fi
    got=0
    wait "$pid" || got=$?
    said=$(cat "$folder.err")
    expected=${line//_/ }
    if [ "$got" != "$status" ] || ! grep -Eqx "$expected" "$folder.err" || [ "$(wc -l <"$folder.err")" != 1 ]; then
        echo "${args}: status $got (not $status), said: $said"
        failed=1
    elif [ "$(state)" != "$listing" ]; then
        echo "${args}: left $(ls -A "$folder" | tr '\n' ' ')"
        failed=1
    fi
done <<'TABLE'
1000000000 - no 2 nqueens:_a_count_on_1024_threads_needs_1025_threads_besides_its_own,_.*;_give_--jobs_[0-9]+_or_fewer count 16 --jobs 1024
1000000000 - no 2 nqueens:_--method_quadrants_needs_about_[0-9]+_MB_for_n=23_.*;_use_--method_constellations count 23 --method quadrants
1000000000 INT@1.5 no 130 nqueens:_interrupted(:|_while).* count 23
- TERM@0.5 no 143 nqueens:_terminated_while_the_count_was_being_prepared_\([0-9]+%_of_that_done\);_nothing_counted_yet;_.*/count.txt_not_written_yet count 22 --save FILE
- HUP@0.5 yes 129 nqueens:_hung_up_while_the_count_was_being_prepared_\([0-9]+%_of_that_done\);_nothing_counted_yet;_.*/count.txt_keeps_what_it_held count 22 --save FILE
TABLE
rm -f "$folder.out" "$folder.err"
exit $failed
