#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bash completion driven as bash drives it: the function `complete -p nqueens` names is called with
# COMP_WORDS split at COMP_WORDBREAKS, for a table of command lines. The options offered after each command
# must be exactly those its --help lists. Run as: bash_completion_test.sh PROGRAM COMPLETION_FILE
set -uo pipefail
program=$(realpath "$1")
completion=$(realpath "$2")

# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1090
source "$completion"
registered=$(complete -p nqueens) || { echo "no completion registered for nqueens"; exit 1; }
function=${registered#*-F }
function=${function%% *}

# The long options that `nqueens [COMMAND] --help` lists, sorted, one line.
help_options() {
    "$program" "$@" --help | sed -n 's/^ *\(-h,\)\{0,1\}\(--[a-z-]*\).*/\2/p' | sort | paste -sd' ' -
}

# What the completion offers at the end of the command line $1, sorted, one line.
complete_line() {
    local line=$1 word="" i ch
    COMP_WORDS=()
    for ((i = 0; i < ${#line}; i++)); do
        ch=${line:i:1}
        if [[ $ch == " " ]]; then
            [[ -n $word ]] && COMP_WORDS+=("$word")
            word=""
        elif [[ $COMP_WORDBREAKS == *"$ch"* ]]; then
            [[ -n $word ]] && COMP_WORDS+=("$word")
            COMP_WORDS+=("$ch")
            word=""
        else
            word+=$ch
        fi
    done
    COMP_WORDS+=("$word") # the word being completed, empty after a blank
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    "$function" nqueens "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | paste -sd' ' -
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
touch "$scratch/count17.txt" "$scratch/counts.txt" "$scratch/other"
mkdir "$scratch/saves"
cd "$scratch" || exit 1

count_options=$(help_options count)
# command line | what it must offer
cases=(
    "nqueens |count first list split"
    "nqueens c|count"
    "nqueens --|$(help_options)"
    "nqueens --board |count first list split"
    "nqueens count 8 --|$count_options"
    "nqueens list 8 --|$(help_options list)"
    "nqueens first 8 --|$(help_options first)"
    "nqueens split 8 --|$(help_options split)"
    "nqueens count 8 --jobs 2 --|${count_options/--jobs /}"
    "nqueens split 8 --fixed 3:1 --depth 1 --|--help"
    "nqueens count 8 --fixed=3:1 --unique --|--help --jobs --method --part --save"
    "nqueens count 8 --method |constellations quadrants"
    "nqueens count 8 --method q|quadrants"
    "nqueens count 8 --part |"
    "nqueens count 8 --save |count17.txt counts.txt other saves"
    "nqueens count 8 --save count|count17.txt counts.txt"
    "nqueens count 8 --save=count1|count17.txt"
    "nqueens count 8 --save s|saves"
    "nqueens count 8 --jobs |"
    "nqueens list 8 --limit |"
    "nqueens split 8 --fixed |"
)
failures=0
for row in "${cases[@]}"; do
    line=${row%%|*}
    expected=${row#*|}
    got=$(complete_line "$line")
    if [[ $got != "$expected" ]]; then
        echo "'$line': offered '$got', expected '$expected'"
        failures=$((failures + 1))
    fi
done
[[ -n $count_options ]] || { echo "nqueens count --help lists no options"; exit 1; }
exit $((failures > 0))
