# bash completion for plotsieve-cli                          -*- shell-script -*-
# Copyright (c) 2026 The Plotsieve developers. MIT licence.

_plotsieve_cli_values() {
    # Completes $1's words for the current word (after "=" or as the next word).
    local IFS=$' \t\n'
    COMPREPLY=($(compgen -W "$1" -- "$2"))
}

_plotsieve_cli_list() {
    # A comma-separated list ($2) of words from $1: the items before the last
    # comma stay as typed, and are not offered again.
    local words=$1 cur=$2 head="" item word left=""
    [[ $cur == *,* ]] && head=${cur%,*},
    item=${cur##*,}
    for word in $words; do
        [[ ,$head == *,$word,* ]] || left+=" $word"
    done
    local IFS=$' \t\n'
    COMPREPLY=($(compgen -P "$head" -W "$left" -- "$item"))
    compopt -o nospace 2>/dev/null
}

_plotsieve_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=""
    [[ $COMP_CWORD -gt 0 ]] && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    if [[ $COMP_CWORD -eq 1 ]]; then
        _plotsieve_cli_values "search extract index cache --help --version" "$cur"
        return
    fi

    local search_options="--keyword= --and --all-drives --no-subfolders --types= --created
        --modified --before --after --between --min-kb --max-kb --sort= --format= --show-match
        --quiet --threads --timing --no-cache --cache= --cache-read-only --version --help
        -k -q -0 -h"
    local extract_options="--raw --kinds= --show-kind --version --help -h"
    local index_options="--cache= --types= --no-subfolders --threads --quiet --help -q -h"

    # "--option=value": complete the value.
    if [[ $cur == --*=* ]]; then
        prev=${cur%%=*}
        cur=${cur#*=}
    elif [[ $cur == = ]]; then
        cur=""
    elif [[ $prev == = && $COMP_CWORD -gt 1 ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi

    case ${COMP_WORDS[1]} in
        search)
            case $prev in
                --format) _plotsieve_cli_values "table tsv json paths paths0" "$cur"; return ;;
                --sort) _plotsieve_cli_values "name type created modified size" "$cur"; return ;;
                --types) _plotsieve_cli_list "dxf dwg jw mcd dra sxf" "$cur"; return ;;
                --cache) _filedir; return ;;
                -k | --keyword | --and | --before | --after | --between | --min-kb | --max-kb | \
                    --threads)
                    return ;;
            esac
            if [[ $cur == -* ]]; then
                _plotsieve_cli_values "$search_options" "$cur"
                [[ ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
            else
                # A folder, or a single drawing. The drawings' pattern needs
                # extglob; the shell's own setting comes back afterwards.
                local IFS=$'\n' extglob
                extglob=$(shopt -p extglob)
                shopt -s extglob
                COMPREPLY=($(compgen -d -- "$cur") $(compgen -f -X \
                    '!*.@([dD][xX][fF]|[dD][wW][gG]|[jJ][wW][cCkKwW]|[mM][cC][dD]|[mM][pP][pPxXzZ]|[sS][fF][cC]|[pP]21)' \
                    -- "$cur"))
                eval "$extglob"
                compopt -o filenames 2>/dev/null
            fi
            ;;
        index)
            case $prev in
                --types) _plotsieve_cli_list "dxf dwg jw mcd dra sxf" "$cur"; return ;;
                --cache) _filedir; return ;;
                --threads) return ;;
            esac
            if [[ $cur == -* ]]; then
                _plotsieve_cli_values "$index_options" "$cur"
                [[ ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
            else
                local IFS=$'\n'
                COMPREPLY=($(compgen -d -- "$cur"))
                compopt -o filenames 2>/dev/null
            fi
            ;;
        cache)
            case $prev in
                --cache) _filedir; return ;;
            esac
            if [[ $cur == -* ]]; then
                _plotsieve_cli_values "--cache= --help -h" "$cur"
                [[ ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
            else
                _plotsieve_cli_values "stats clear" "$cur"
            fi
            ;;
        extract)
            case $prev in
                --kinds)
                    _plotsieve_cli_list "TEXT MTEXT ATTRIB ATTDEF ATTDEF_TAG ATTDEF_PROMPT
                        DIMENSION MULTILEADER TABLE_CELL MOJI JW_DIMENSION JW_BLOCK JW_MEMO
                        JW_TITLE MCD_TEXT DRACAD_TEXT SXF_TEXT SXF_TITLE_BLOCK" "$cur"
                    return
                    ;;
            esac
            if [[ $cur == -* ]]; then
                _plotsieve_cli_values "$extract_options" "$cur"
                [[ ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
            else
                local IFS=$'\n'
                COMPREPLY=($(compgen -f -- "$cur"))
                compopt -o filenames 2>/dev/null
            fi
            ;;
    esac
}

# Options and their values are no file names: readline quotes nothing in
# them ("--format=", not "--format\\="). The branches that complete paths
# say so themselves, and a keyword, a time or a number completes to nothing.
complete -F _plotsieve_cli plotsieve-cli
