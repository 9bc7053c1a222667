#!/bin/sh
# An exercise asked without a seed names the fresh seed it took on standard
# error, and that seed, given back, makes the same exercise.
#   exercise_fresh_seed.sh LOOPCOST
exe=$1
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
failed=0
for level in 1 3 5; do
    "$exe" --exercise --level "$level" >"$tmp/out" 2>"$tmp/err" || { echo "level $level: status $?"; failed=1; }
    seed=$(sed -n "s/^level $level, seed \([0-9]\{1,6\}\), cost model: --add-cost [0-9.]* --mul-cost [0-9.]*\$/\1/p" "$tmp/err")
    if [ -z "$seed" ] || [ "$(wc -l <"$tmp/err")" -ne 1 ]; then
        echo "level $level: no fresh seed below a million in: $(cat "$tmp/err")"
        failed=1
        continue
    fi
    "$exe" --exercise --level "$level" --seed "$seed" >"$tmp/again" 2>"$tmp/again-err"
    if ! cmp -s "$tmp/out" "$tmp/again" || ! cmp -s "$tmp/err" "$tmp/again-err"; then
        echo "level $level: seed $seed given back makes another exercise"
        failed=1
    fi
done
[ $failed = 0 ] && echo "fresh seeds: ok"
exit $failed
