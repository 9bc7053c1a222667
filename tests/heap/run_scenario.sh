#!/bin/sh
# Runs one heapfaults scenario and checks its standard output against
# SCENARIO.out and its standard error against SCENARIO.err (empty when that
# file is absent), both to the byte, and its status, which must be 0: a
# report never stops the run.
exe=$1
scenario=$2
dir=$3
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
"$exe" "$scenario" >"$tmp/out" 2>"$tmp/err" <&-
status=$?
: >"$tmp/none"
expected_err=$dir/$scenario.err
[ -f "$expected_err" ] || expected_err=$tmp/none
fail=0
if [ "$status" -ne 0 ]; then echo "status $status"; fail=1; fi
if ! cmp -s "$tmp/out" "$dir/$scenario.out"; then
    echo "standard output differs:"; diff "$dir/$scenario.out" "$tmp/out"; fail=1
fi
if ! cmp -s "$tmp/err" "$expected_err"; then
    echo "standard error differs:"; diff "$expected_err" "$tmp/err"; fail=1
fi
exit $fail
