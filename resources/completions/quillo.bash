# bash completion for quillo

# The names of the snippets in the library of the quillo being completed, those that begin
# with the word so far, written as the shell needs them.
_quillo_snippet_names() {
    local program=$1 word=$2 quote='' name
    if [[ $word == [\"\']* ]]; then
        quote=${word:0:1}
        word=${word:1}
    fi
    while IFS= read -r name; do
        [[ $name == "$word"* ]] || continue
        if [[ -n $quote ]]; then
            COMPREPLY+=("$quote$name$quote")
        else
            COMPREPLY+=("$(printf '%q' "$name")")
        fi
    done < <("$program" list 2>/dev/null | cut -f 2-)
}

_quillo() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local program=${COMP_WORDS[0]}
    program=${program/#\~/$HOME}
    COMPREPLY=()

    if ((COMP_CWORD == 1)); then
        mapfile -t COMPREPLY < <(compgen -W 'list search fields render paste --autostart
            --settings --picker --import-atext --help --version' -- "$cur")
        return
    fi

    local mode=${COMP_WORDS[1]}
    case $prev in
        --import-atext)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return
            ;;
        --field | --clipboard | --now)
            return
            ;;
    esac

    local options
    case $mode in
        list | search | fields) options='--json --help' ;;
        render) options='--field --clipboard --now --html --help' ;;
        paste) options='--field --help' ;;
        *) return ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi

    # fields, render and paste take one snippet: offer names until it is given.
    [[ $mode == fields || $mode == render || $mode == paste ]] || return
    local i word given=0
    for ((i = 2; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            --field | --clipboard | --now) ((i++)) ;;
            -*) ;;
            *) given=1 ;;
        esac
    done
    ((given)) || _quillo_snippet_names "$program" "$cur"
}

complete -F _quillo quillo
