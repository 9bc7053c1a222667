#!/bin/sh
# Runs one command-line case and compares what loopcost did with what the case
# expects. A case is a directory of plain files:
#   args     the arguments, one per line (absent: none)
#   stdin    standard input (absent: empty)
#   setup    optional sh script, run first in a scratch copy of the case, that
#            generates inputs too big or too odd to keep as files
#   stdout   expected standard output (absent: empty)
#   stderr   expected standard error (absent: empty)
#   status   expected exit status (absent: 0)
# and the input programs the arguments name. The command runs in the scratch
# copy, so names in messages are the names in `args`.
# LOOPCOST_WRAPPER, when set, goes in front of the command, e.g.
#   LOOPCOST_WRAPPER="valgrind --error-exitcode=99 -q" ctest -R cli-
exe=$1
case_dir=$2
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/work" && cp -R "$case_dir"/. "$tmp/work" || exit 1
cd "$tmp/work" || exit 1
LC_ALL=C
export LC_ALL

if [ -f setup ] && ! sh setup; then
    echo "setup failed"
    exit 1
fi

set --
if [ -f args ]; then
    while IFS= read -r arg || [ -n "$arg" ]; do
        set -- "$@" "$arg"
    done <args
fi
input=/dev/null
[ -f stdin ] && input=stdin

# shellcheck disable=SC2086
$LOOPCOST_WRAPPER "$exe" "$@" <"$input" >"$tmp/out" 2>"$tmp/err"
status=$?

failed=0
expect_text() {  # expected-file actual-file what
    if [ -f "$1" ]; then expected=$1; else expected=/dev/null; fi
    if ! cmp -s "$expected" "$2"; then
        echo "$3 differs (--- expected, +++ actual):"
        diff -u "$expected" "$2" | sed 1,2d
        failed=1
    fi
}
expect_text stdout "$tmp/out" "standard output"
expect_text stderr "$tmp/err" "standard error"
expected_status=0
[ -f status ] && expected_status=$(cat status)
if [ "$status" != "$expected_status" ]; then
    echo "exit status $status, expected $expected_status"
    failed=1
fi
exit $failed
