#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The manual page against the program's --help: every command and option that --help lists (for the program
# and for each command) must appear in bold in the page, and every option the page's OPTIONS section describes
# must be one --help lists. Run as: manual_page_test.sh PROGRAM PAGE (the built roff page)
set -uo pipefail
program=$1
page=$2

commands=$("$program" --help | sed -n '/^Subcommands:/,/^$/s/^  \([a-z]\{1,\}\) .*/\1/p')
[[ -n $commands ]] || { echo "nqueens --help lists no commands"; exit 1; }
options=$(for command in "" $commands; do
    # shellcheck disable=SC2086 # no command: the program's own options
    "$program" $command --help | grep -o -- '^ *-[-a-z,]*' | tr ',' '\n' | tr -d ' '
done | sed '/^$/d' | sort -u)

failures=0
for term in $commands $options; do
    if ! grep -qF -- "\\fB$term\\fR" "$page"; then
        echo "--help lists $term, the manual page does not"
        failures=$((failures + 1))
    fi
done
# Option terms of the OPTIONS section: the bold words at the start of the lines that open an entry.
described=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$page" | grep -o '^\\fB-[-a-z]*\\fR\(, \\fB-[-a-z]*\\fR\)*' |
    grep -o -- '-[-a-z]*' | sort -u)
for term in $described; do
    if ! grep -qx -- "$term" <<<"$options"; then
        echo "the manual page describes $term, which --help does not list"
        failures=$((failures + 1))
    fi
done
[[ -n $described ]] || { echo "the manual page's OPTIONS section describes no options"; exit 1; }
exit $((failures > 0))
