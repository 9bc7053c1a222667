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
# The modes that cost every statement, beside the plain cost run of the same file.
file="$work/program-20mb.lc"
echo "| 20 MB, mode | CPU s | times the plain run | peak bytes per input byte |"
echo "|---|---:|---:|---:|"
for mode in --float --format --annotate --json --hot; do
    read -r cpu peak <<EOT
$("$bin/loopcost-measure" "$runs" "$bin/loopcost" "$mode" "$file")
EOT
    awk -v mode="$mode" -v cpu="$cpu" -v plain="$cpu_loopcost_20" -v peak="$peak" -v size="$size_20" 'BEGIN {
        printf "| %s | %.3f | %.1f | %.1f |\n", mode, cpu, (plain > 0 ? cpu / plain : 0), peak / size }'
done

echo
# shellcheck disable=SC2154
awk -v l20="$cpu_loopcost_20" -v w20="$cpu_wc_20" -v l2="$cpu_loopcost_2" \
    -v peak="$peak_20" -v size="$size_20" 'BEGIN {
    printf "20 MB: loopcost / wc -w CPU time = %.1f (target at most 3)\n", (w20 > 0 ? l20 / w20 : 0)
    printf "20 MB: peak memory = %.1f bytes per input byte (target at most 16)\n", peak / size
    printf "2 MB -> 20 MB: CPU time x %.1f (target at most 12)\n", (l2 > 0 ? l20 / l2 : 0)
    print "20 MB: --format, --annotate and --json: at most 3 times the plain run, 16 bytes per input byte" }'

# The language server, timed from a client's side (bench/lspsession.cpp):
# what the tests leave out, since a busy machine moves it.
if [ -x "$bin/loopcost-lsp-bench" ]; then
    echo
    "$bin/loopcost-lsp-bench" "$bin/loopcost" "$runs"
fi
