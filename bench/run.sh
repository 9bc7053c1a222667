#!/bin/sh
# Generates programs of 2 MB and 20 MB and measures `loopcost FILE` on each
# beside `wc -w FILE`, the floor that no reader of this language can beat by
# much, then the modes that cost every statement on the 20 MB program, then
# the language server from a client's side. Prints Markdown tables and the
# targets.
#   bench/run.sh BINDIR WORKDIR [RUNS]
set -eu
bin=$1
work=$2
runs=${3:-5}
mkdir -p "$work"

for mb in 2 20; do
    file="$work/program-${mb}mb.lc"
    [ -s "$file" ] || "$bin/loopcost-generate" $((mb * 1000000)) >"$file"
done

# The tree's chunks ask for huge pages; whether the kernel grants them moves
# the system time, so the figures say which way it was.
thp=/sys/kernel/mm/transparent_hugepage/enabled
if [ -r "$thp" ]; then
    echo "transparent huge pages: $(sed 's/.*\[\(.*\)\].*/\1/' "$thp")"
    echo
fi

echo "| program | tool | MB/s | CPU s | peak bytes per input byte |"
echo "|---|---|---:|---:|---:|"
for mb in 2 20; do
    file="$work/program-${mb}mb.lc"
    size=$(wc -c <"$file")
    for tool in loopcost wc; do
        if [ "$tool" = loopcost ]; then
            set -- "$bin/loopcost" "$file"
        else
            set -- wc -w "$file"
        fi
        read -r cpu peak <<EOT
$("$bin/loopcost-measure" "$runs" "$@")
EOT
        eval "cpu_${tool}_${mb}=$cpu"
        awk -v mb="$mb" -v tool="$tool" -v size="$size" -v cpu="$cpu" -v peak="$peak" 'BEGIN {
            rate = cpu > 0 ? sprintf("%.0f", size / 1e6 / cpu) : "n/a"
            printf "| %d MB | %s | %s | %.3f | %.1f |\n", mb, (tool == "wc" ? "wc -w" : tool), rate, cpu, peak / size }'
        [ "$tool" = loopcost ] && eval "peak_${mb}=$peak size_${mb}=$size"
    done
done

echo
# Every mode beside wc -w on the same file, in the same run: CPU time as a
# multiple of wc's, and peak memory per input byte.
file="$work/program-20mb.lc"
echo "| 20 MB, mode | MB/s | wc -w MB/s | CPU s | times wc -w | peak bytes per input byte | target |"
echo "|---|---:|---:|---:|---:|---:|---|"
for mode in plain --hot --annotate --json --format --float; do
    case $mode in
        plain) target="at most 0.5 times wc -w"; set -- "$bin/loopcost" "$file" ;;
        --hot) target="at most 1.5 times, 6 bytes per byte"; set -- "$bin/loopcost" "$mode" "$file" ;;
        --annotate) target="at most 2 times, 6 bytes per byte"; set -- "$bin/loopcost" "$mode" "$file" ;;
        --json) target="at most 3 times, 6 bytes per byte"; set -- "$bin/loopcost" "$mode" "$file" ;;
        *) target="at most 6 times"; set -- "$bin/loopcost" "$mode" "$file" ;;
    esac
    read -r cpu peak <<EOT
$("$bin/loopcost-measure" "$runs" "$@")
EOT
    read -r wc_cpu wc_peak <<EOT
$("$bin/loopcost-measure" "$runs" wc -w "$file")
EOT
    awk -v mode="$mode" -v cpu="$cpu" -v wc="$wc_cpu" -v peak="$peak" -v size="$size_20" -v target="$target" 'BEGIN {
        rate = cpu > 0 ? sprintf("%.0f", size / 1e6 / cpu) : "n/a"
        wc_rate = wc > 0 ? sprintf("%.0f", size / 1e6 / wc) : "n/a"
        printf "| %s | %s | %s | %.3f | %.2f | %.1f | %s |\n", mode, rate, wc_rate, cpu, (wc > 0 ? cpu / wc : 0), peak / size, target }'
done

echo
# The plain run reads a block at a time: its memory does not grow with the
# program. A 200 MB program shows it.
big="$work/program-200mb.lc"
[ -s "$big" ] || "$bin/loopcost-generate" 200000000 >"$big"
read -r cpu peak <<EOT
$("$bin/loopcost-measure" 1 "$bin/loopcost" "$big")
EOT
awk -v cpu="$cpu" -v peak="$peak" 'BEGIN {
    printf "200 MB, plain run: %.3f CPU s, peak memory %.1f MiB (target at most 16 MiB)\n", cpu, peak / 1048576 }'

# The language server, timed from a client's side (bench/lspsession.cpp):
# what the tests leave out, since a busy machine moves it.
if [ -x "$bin/loopcost-lsp-bench" ]; then
    echo
    "$bin/loopcost-lsp-bench" "$bin/loopcost" "$runs"
fi

# The playground in Chromium, once it is built (make web): a keystroke in a
# 100 KB program, and big programs opened from links (bench/page.mjs).
web="$bin/../web"
if [ -f "$web/index.html" ] && [ -d "$web/npm/node_modules/playwright-core" ] && command -v node >/dev/null; then
    echo
    node "$(dirname "$0")/page.mjs" "$web" 40 3
fi
