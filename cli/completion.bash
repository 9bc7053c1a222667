# bash completion for loopcost: its options, then program files.
# Installed as share/bash-completion/completions/loopcost. A new option goes
# in one of the two lists, as in loopcost --help.

# Options that stand alone.
_loopcost_flags='--float --counts --format --annotate --hot --json --check --explain --compare --derive --latex --exercise --lsp --stdio --help --version'
# Options followed by a value, as "--name VALUE" or "--name=VALUE".
_loopcost_valued='--add-cost --mul-cost --at --trace --steps --level --seed'

_loopcost() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev='' i
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    # A value is a number, nothing to offer. bash splits "--name=VALUE" at
    # the '=', so the value's word follows a word '='.
    if [[ " $_loopcost_valued " == *" $prev "* || $prev == '=' || $cur == '=' ]]; then
        return 0
    fi
    # Beside --lsp only --stdio goes, and --stdio goes with --lsp only (and
    # --help or --version, which win).
    for ((i = 1; i < COMP_CWORD; i++)); do
        [[ ${COMP_WORDS[i]} == -- ]] && break
        if [[ ${COMP_WORDS[i]} == --lsp ]]; then
            mapfile -t COMPREPLY < <(compgen -W '--stdio --help --version' -- "$cur")
            return 0
        fi
        if [[ ${COMP_WORDS[i]} == --stdio ]]; then
            mapfile -t COMPREPLY < <(compgen -W '--lsp --help --version' -- "$cur")
            return 0
        fi
    done
    # After "--" every word is a file, even one that begins with '-'.
    for ((i = 1; i < COMP_CWORD; i++)); do
        [[ ${COMP_WORDS[i]} == -- ]] && break
    done
    if ((i == COMP_CWORD)) && [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$_loopcost_flags $_loopcost_valued" -- "$cur")
        return 0
    fi
    if declare -F _filedir >/dev/null; then
        _filedir
    else
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
}

complete -F _loopcost loopcost
