# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for nqueens: the commands, each command's options (those not given yet), file names after
# --save. Installed as share/bash-completion/completions/nqueens; uses bash-completion's helpers.

_nqueens() {
    local cur prev words cword split
    _init_completion -s || return

    local command="" word
    for word in "${words[@]:1:cword-1}"; do
        case $word in
            count | list | first | split)
                command=$word
                break
                ;;
        esac
    done

    case $prev in
        --save)
            _filedir
            return
            ;;
        --fixed | --jobs | --limit | --depth)
            return # a number or a list of queens: nothing to offer
            ;;
    esac
    $split && return

    local options
    case $command in
        count) options="--fixed --jobs --save --unique --help" ;;
        list) options="--fixed --limit --help" ;;
        first) options="--fixed --help" ;;
        split) options="--depth --fixed --help" ;;
        *) options="--board --help --version" ;;
    esac
    if [[ -z $command && $cur != -* ]]; then
        COMPREPLY=($(compgen -W "count list first split" -- "$cur"))
        return
    fi
    # CLI11 refuses an option given twice: offer only those not on the line yet.
    local option offered=()
    for option in $options; do
        [[ " ${words[*]:1:cword-1} " == *" $option"[\ =]* ]] || offered+=("$option")
    done
    COMPREPLY=($(compgen -W "${offered[*]}" -- "$cur"))
} &&
    complete -F _nqueens nqueens
