#!/bin/sh
# The Debian package as Debian's checker and a user see it.
#
#   deb.sh BUILD WORK MULTIARCH CONSUMER-SCRIPT CONSUMER-SOURCE PROGRAM EXPECTED
#       makes the package of BUILD in WORK (cpack -G DEB), has lintian check
#       it (no error and no warning may remain), looks at what it holds (the
#       libraries and pkg-config files in lib/MULTIARCH, the tool stripped,
#       the changelog and manual page compressed, the copyright file), and
#       builds a consumer against its unpacked files through their CMake
#       package. With LOOPCOST_MAN_PAGE=OFF there is no manual page. Exits 77
#       (skipped) where dpkg-deb or lintian is missing.
build=$1 work=$2 multiarch=$3 consumer=$4 source=$5 program=$6 expected=$7

fail() { echo "$*"; exit 1; }

for tool in dpkg-deb lintian cpack; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: no $tool"; exit 77; }
done

log=$work.log
quietly() {
    "$@" >"$log" 2>&1 || { cat "$log"; fail "failed: $*"; }
}

rm -rf "$work" && mkdir -p "$work" || exit 1
quietly cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work"
set -- "$work"/*.deb
[ $# = 1 ] && [ -f "$1" ] || fail "cpack made no single package in $work: $*"
deb=$1

# Every tag that is an error or a warning fails; lintian's own notes
# (running as root) go to standard error and are not tags.
lintian --fail-on error,warning "$deb" >"$work/lintian.txt" 2>"$work/lintian.err"
status=$?
if [ $status != 0 ] || grep -q '^[EW]: ' "$work/lintian.txt"; then
    cat "$work/lintian.txt" "$work/lintian.err"
    fail "lintian finds errors or warnings in $(basename "$deb") (status $status)"
fi

# The name says the version with its Debian revision and the architecture.
version=$(dpkg-deb -f "$deb" Version) && arch=$(dpkg-deb -f "$deb" Architecture) || fail "cannot read $deb"
case $version in
*-[0-9]*) ;;
*) fail "version '$version' has no Debian revision" ;;
esac
[ "$(basename "$deb")" = "loopcost_${version}_$arch.deb" ] || fail "the package is named $(basename "$deb")"
case $(dpkg-deb -f "$deb" Maintainer) in
*' <'*'@'*'>') ;;
*) fail "Maintainer '$(dpkg-deb -f "$deb" Maintainer)' has no address" ;;
esac

root=$work/root
quietly dpkg-deb -x "$deb" "$root"
libdir=lib/$multiarch
[ -n "$multiarch" ] || libdir=lib
for file in bin/loopcost "$libdir/libloopcost.a" "$libdir/pkgconfig/loopcost.pc" \
            "$libdir/cmake/loopcost/loopcostConfig.cmake" "$libdir/cmake/loopcost/loopcostTargets.cmake" \
            share/doc/loopcost/changelog.Debian.gz share/doc/loopcost/copyright \
            share/bash-completion/completions/loopcost include/loopcost/model/program.h; do
    [ -f "$root/usr/$file" ] || fail "not in the package: /usr/$file"
done
[ "$libdir" = lib ] || [ ! -e "$root/usr/lib/pkgconfig" ] || fail "the package has /usr/lib/pkgconfig"
[ ! -e "$root/usr/share/man/man1/loopcost.1" ] || fail "the package has the manual page uncompressed"
if [ "$LOOPCOST_MAN_PAGE" != OFF ]; then
    gzip -t "$root/usr/share/man/man1/loopcost.1.gz" || fail "the package has no compressed manual page"
fi
for pc in "$root/usr/$libdir"/pkgconfig/*.pc; do
    grep -qx 'prefix=/usr' "$pc" || fail "$(basename "$pc") does not name prefix=/usr"
    grep -qx "libdir=\${prefix}/$libdir" "$pc" || fail "$(basename "$pc") does not name libdir=\${prefix}/$libdir"
done
file "$root/usr/bin/loopcost" | grep -q ', stripped' || fail "the tool is not stripped: $(file "$root/usr/bin/loopcost")"
gzip -t "$root/usr/share/doc/loopcost/changelog.Debian.gz" || fail "the changelog is not gzip"
zcat "$root/usr/share/doc/loopcost/changelog.Debian.gz" | head -n 1 | grep -q "^loopcost ($version) " ||
    fail "the changelog's first entry is not for $version"
grep -q '^License: Expat$' "$root/usr/share/doc/loopcost/copyright" || fail "the copyright file names no licence"
[ "$("$root/usr/bin/loopcost" --version)" = "loopcost ${version%-*}" ] || fail "the packaged tool is not ${version%-*}"

# The CMake package finds its libraries relative to where it is.
sh "$consumer" cmake "$root/usr" "$libdir" "$work/consumer" "$source" "$program" "$expected" ||
    fail "a consumer does not build against the package's files"
rm -rf "$root" "$log"
echo "deb: $(basename "$deb") ok"
