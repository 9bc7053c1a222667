#!/bin/sh
# Runs the suites executable as a user would, with arguments and with standard
# input closed, and checks its output to the byte, its silence on standard
# error and its status.
exe=$1
expected=$2
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
for args in "" "--verbose extra args"; do
    # shellcheck disable=SC2086
    "$exe" $args >"$tmp/out" 2>"$tmp/err" <&-
    status=$?
    if [ "$status" -ne 0 ]; then echo "status $status with args '$args'"; exit 1; fi
    if ! cmp -s "$tmp/out" "$expected"; then
        echo "standard output differs with args '$args':"; diff "$expected" "$tmp/out"; exit 1
    fi
    if [ -s "$tmp/err" ]; then echo "standard error not empty:"; cat "$tmp/err"; exit 1; fi
done
echo "suites output exact"
