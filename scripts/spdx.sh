#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence's SPDX line at the top of every tracked source file that lacks it (C++ with //, CMake and
# shell with #, after a #! line where there is one); again and again gives the same files. With --check it
# changes nothing, lists the files that lack the line and fails if there are any.
set -euo pipefail
cd "$(dirname "$0")/.."
tag="SPDX-License-Identifier: GPL-3.0-or-later"
check=false
[ "${1:-}" = "--check" ] && check=true

missing=0
while IFS= read -r -d '' file; do
    case $file in
        *.cpp | *.h) comment="//" ;;
        *.cmake | CMakeLists.txt | */CMakeLists.txt | *.sh | *.bash) comment="#" ;;
        *)
            # Other scripts are those that start with #!.
            [[ ${file##*/} != *.* ]] && head -c 2 "$file" | grep -q '^#!' || continue
            comment="#"
            ;;
    esac
    line="$comment $tag"
    first=1
    head -n 1 "$file" | grep -q '^#!' && first=2
    [ "$(sed -n "${first}p" "$file")" = "$line" ] && continue
    missing=$((missing + 1))
    if $check; then
        echo "no SPDX line: $file"
    elif [ $first -eq 2 ]; then
        sed -i "1a $line" "$file"
    else
        sed -i "1i $line" "$file"
    fi
done < <(git ls-files -z)

if $check; then
    [ $missing -eq 0 ] || { echo "$missing files lack the SPDX line: run scripts/spdx.sh"; exit 1; }
else
    echo "spdx: added the line to $missing files"
fi
