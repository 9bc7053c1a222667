#!/bin/sh
# `loopcost --lsp` on input that cannot be read (a directory, a closed
# descriptor) and output that cannot be written: status 1 and one line on
# standard error, not an abort.
#   unreadable.sh LOOPCOST
set -u
loopcost=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

check() {  # WHAT STATUS EXPECTED-LINE
    lines=$(wc -l <"$work/err")
    if [ "$2" != 1 ] || [ "$lines" != 1 ] || [ "$(cat "$work/err")" != "$3" ]; then
        echo "$1: status $2, standard error:" >&2
        cat "$work/err" >&2
        failed=1
    fi
}

"$loopcost" --lsp <"$work" >/dev/null 2>"$work/err"
check "a directory as input" $? "loopcost: <stdin>: Is a directory"
"$loopcost" --lsp <&- >/dev/null 2>"$work/err"
check "input closed" $? "loopcost: <stdin>: Bad file descriptor"
body='{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}'
printf 'Content-Length: %d\r\n\r\n%s' ${#body} "$body" | "$loopcost" --lsp >&- 2>"$work/err"
check "output closed" $? "loopcost: cannot write to standard output"
exit $failed
