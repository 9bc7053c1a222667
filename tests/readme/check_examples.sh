#!/bin/sh
# Runs every command of the README's examples that calls build/bin/loopcost
# (alone or at the end of a pipe) and compares its output (standard error too) with the
# lines the README shows below it, so that the examples stay real runs.
#   check_examples.sh LOOPCOST README SOURCE_DIR
exe=$1
readme=$2
cd "$3" || exit 1
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT

# Splits the README into numbered examples: NNN.cmd holds the command, NNN.out
# what the README shows for it (up to the next prompt or the end of the block).
awk -v dir="$tmp" '
    /^```/ { inblock = !inblock; cmd = ""; next }
    inblock && /^\$ / {
        cmd = ""
        if (index($0, "build/bin/loopcost") == 0) next
        n++; cmd = sprintf("%s/%03d", dir, n)
        print substr($0, 3) > (cmd ".cmd"); printf "" > (cmd ".out"); next
    }
    inblock && cmd != "" { print >> (cmd ".out") }
' "$readme"

failed=0
count=0
for command in "$tmp"/*.cmd; do
    [ -e "$command" ] || break
    count=$((count + 1))
    example=${command%.cmd}
    line=$(sed "s#build/bin/loopcost#$exe#g" "$command")
    sh -c "$line" >"$example.actual" 2>&1
    if ! cmp -s "$example.out" "$example.actual"; then
        echo "README example differs: $(cat "$command")"
        diff -u "$example.out" "$example.actual" | sed 1,2d
        failed=1
    fi
done
echo "$count README examples run"
[ "$count" -gt 0 ] || failed=1
exit $failed
