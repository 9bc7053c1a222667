#!/usr/bin/env bash
# The bash completion, given the words a user has typed: what it offers must
# be exactly what the case expects. Its options must be those of --help.
#   completion.sh COMPLETION-SCRIPT LOOPCOST
script=$1
loopcost=$2
# shellcheck source=/dev/null
source "$script" || exit 1

# The options of --help, as a user would type them.
mapfile -t help_options < <("$loopcost" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
[[ ${#help_options[@]} -gt 4 ]] || { echo "no options read from $loopcost --help"; exit 1; }

scratch=$(mktemp -d) || exit 1
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
touch a.lc b.lc -- --odd.lc
mkdir sub

failed=0
sorted() { (($#)) && printf '%s\n' "$@" | sort | paste -sd ' '; }

# expect "WORDS TYPED" OFFER... : the last word typed is the one being
# completed (an empty one after a trailing space); the offers are compared
# in any order.
expect() {
    local typed=$1 got want
    shift
    read -r -a COMP_WORDS <<<"$typed"
    [[ $typed == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _loopcost 2>/dev/null
    got=$(sorted "${COMPREPLY[@]}")
    want=$(sorted "$@")
    if [[ $got != "$want" ]]; then
        echo "'$typed': offered [$got], expected [$want]"
        failed=1
    fi
}

expect "loopcost --" "${help_options[@]}"
expect "loopcost -" "${help_options[@]}"
expect "loopcost --json --a" --add-cost --annotate --at
expect "loopcost --mul" --mul-cost
expect "loopcost --nothing-like-this"
# a cost is a number: nothing to offer, in either spelling
expect "loopcost --add-cost "
expect "loopcost --mul-cost 0."
expect "loopcost --at "
expect "loopcost --add-cost = "
expect "loopcost --add-cost ="
# beside --lsp no file and no other option, --stdio before or after it
expect "loopcost --lsp " --stdio --help --version
expect "loopcost --lsp --s" --stdio
expect "loopcost --lsp --js"
expect "loopcost --stdio --l" --lsp
expect "loopcost --stdio --" --help --lsp --version
expect "loopcost --de" --derive
expect "loopcost --trace "
expect "loopcost --ex" --exercise --explain
expect "loopcost --exercise --le" --level
expect "loopcost --exercise --level "
expect "loopcost --exercise --seed "
expect "loopcost -- --lsp --" --odd.lc
# files, once the options are done or after a value
expect "loopcost " --odd.lc a.lc b.lc sub
expect "loopcost --add-cost 2 " --odd.lc a.lc b.lc sub
expect "loopcost --format a" a.lc
expect "loopcost a.lc s" sub
# after -- every word is a file, even one that looks like an option
expect "loopcost -- --" --odd.lc
expect "loopcost -- a.lc --" --odd.lc

[[ $failed == 0 ]] && echo "completion: ok"
exit $failed
