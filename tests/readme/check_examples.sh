#!/bin/sh
# Runs every example command of a Markdown file (the README or a page of
# docs/) that calls build/bin/loopcost, alone, in a pipe or followed by other
# commands, and compares its output (standard error too) with the lines the
# file shows below it, so that the examples stay real runs. Every line of the
# file that begins with "$ " and names build/bin/loopcost must be such an
# example, inside a ``` block: none is left unchecked.
#   check_examples.sh LOOPCOST FILE SOURCE_DIR
exe=$1
file=$2
cd "$3" || exit 1
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
name=${file#"$3"/}

# Splits the file into numbered examples: NNN.cmd holds the command, NNN.out
# what the file shows for it (up to the next prompt or the end of the block).
awk -v dir="$tmp" '
    /^```/ { inblock = !inblock; cmd = ""; next }
    inblock && /^\$ / {
        cmd = ""
        if (index($0, "build/bin/loopcost") == 0) next
        n++; cmd = sprintf("%s/%03d", dir, n)
        print substr($0, 3) > (cmd ".cmd"); printf "" > (cmd ".out"); next
    }
    inblock && cmd != "" { print >> (cmd ".out") }
' "$file"

failed=0
count=0
for command in "$tmp"/*.cmd; do
    [ -e "$command" ] || break
    count=$((count + 1))
    example=${command%.cmd}
    line=$(sed "s#build/bin/loopcost#$exe#g" "$command")
    sh -c "$line" >"$example.actual" 2>&1
    if ! cmp -s "$example.out" "$example.actual"; then
        echo "$name: example differs: $(cat "$command")"
        diff -u "$example.out" "$example.actual" | sed 1,2d
        failed=1
    fi
done

# An example outside a block, or one the split above missed, would not run.
prompts=$(grep -c '^\$ .*build/bin/loopcost' "$file")
if [ "$prompts" -ne "$count" ]; then
    echo "$name: $prompts lines run build/bin/loopcost, but $count of them are examples inside a block"
    failed=1
fi
echo "$name: $count examples run"
exit $failed
