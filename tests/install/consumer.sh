#!/bin/sh
# The installed tree as another project sees it. CXX, CXXFLAGS and LDFLAGS in
# the environment are the compiler and flags of the build being tested (a
# sanitizer or coverage build links its runtime into the consumer too).
#
#   consumer.sh install BUILD PREFIX LIBDIR [LIBRARY...]
#       empties PREFIX, installs BUILD there and checks what is there, the
#       extra libraries (such as loopcost_analysis) and their pkg-config files
#       included; then installs it again through DESTDIR, which must give the
#       same files. With LOOPCOST_MAN_PAGE=OFF there is no manual page.
#   consumer.sh cmake|pkg-config PREFIX LIBDIR WORK SOURCE PROGRAM EXPECTED
#       builds SOURCE (consumer/) in WORK against PREFIX, through
#       find_package(loopcost CONFIG) or through pkg-config, runs it on
#       PROGRAM with costs 2 and 4 and compares its output with EXPECTED;
#       through pkg-config, also compiles every installed header
mode=$1
shift

fail() { echo "$*"; exit 1; }

# Runs a command with its output kept in a log that is shown if it fails.
quietly() {
    "$@" >"$log" 2>&1 || { cat "$log"; fail "failed: $*"; }
}

files() {  # the files under a directory, relative to it
    (cd "$1" && find . -type f | sort)
}

case $mode in
install)
    build=$1 prefix=$2 libdir=$3
    shift 3
    log=$prefix.log
    rm -rf "$prefix" "$prefix.staged" || exit 1
    quietly cmake --install "$build" --prefix "$prefix"
    set -- "$@" loopcost
    for library; do
        for file in "$libdir/lib$library.a" "$libdir/pkgconfig/$(echo "$library" | tr _ -).pc"; do
            [ -f "$prefix/$file" ] || fail "not installed: $file"
        done
    done
    for file in bin/loopcost include/loopcost/model/program.h include/loopcost/model/polynomial.h \
                include/loopcost/model/cpucontext.h include/loopcost/model/complexity.h \
                include/loopcost/model/nodepool.h \
                "$libdir/cmake/loopcost/loopcostConfig.cmake" "$libdir/cmake/loopcost/loopcostConfigVersion.cmake" \
                "$libdir/cmake/loopcost/loopcostTargets.cmake" share/bash-completion/completions/loopcost \
                share/doc/loopcost/README.md share/doc/loopcost/LICENSE; do
        [ -f "$prefix/$file" ] || fail "not installed: $file"
    done
    [ -x "$prefix/bin/loopcost" ] || fail "bin/loopcost is not executable"
    if [ "$LOOPCOST_MAN_PAGE" != OFF ]; then
        # made from --help: every option there is in it too, dashes escaped
        page=$prefix/share/man/man1/loopcost.1
        [ -f "$page" ] || fail "not installed: share/man/man1/loopcost.1"
        for option in $("$prefix/bin/loopcost" --help | grep -o -- '--[a-z-]*' | sort -u); do
            grep -qF -- "$(echo "$option" | sed 's/-/\\-/g')" "$page" || fail "the manual page does not mention $option"
        done
    fi
    # A package build installs under its final prefix into a staging
    # directory: every file lands there, and the pkg-config file names the
    # final prefix, not the staging directory.
    DESTDIR=$prefix.staged quietly cmake --install "$build" --prefix /usr
    [ "$(files "$prefix")" = "$(files "$prefix.staged/usr")" ] ||
        fail "DESTDIR=... --prefix /usr installs other files than --prefix $prefix"
    grep -qx 'prefix=/usr' "$prefix.staged/usr/$libdir/pkgconfig/loopcost.pc" ||
        fail "the staged loopcost.pc does not name prefix=/usr"
    rm -rf "$prefix.staged" "$log"
    ;;
cmake | pkg-config)
    prefix=$1 libdir=$2 work=$3 source=$4 program=$5 expected=$6
    log=$work.log
    rm -rf "$work" && mkdir -p "$work" || exit 1
    if [ "$mode" = cmake ]; then
        quietly cmake -S "$source" -B "$work" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$CXX" \
            -DCMAKE_CXX_FLAGS="$CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS"
        found=$(sed -n 's/^loopcost_DIR:PATH=//p' "$work/CMakeCache.txt")
        [ "$found" = "$prefix/$libdir/cmake/loopcost" ] || fail "find_package found loopcost in '$found'"
        quietly cmake --build "$work"
    else
        PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
        export PKG_CONFIG_PATH
        found=$(pkg-config --variable=prefix loopcost) || fail "pkg-config does not find loopcost"
        [ "$found" = "$prefix" ] || fail "pkg-config found loopcost in '$found'"
        # the analysis layer's too, where it was installed: it requires loopcost
        modules=loopcost
        [ -f "$PKG_CONFIG_PATH/loopcost-analysis.pc" ] && modules="$modules loopcost-analysis"
        flags=$(pkg-config --cflags $modules) && libs=$(pkg-config --libs $modules) ||
            fail "pkg-config cannot resolve $modules"
        # shellcheck disable=SC2086
        quietly "$CXX" $CXXFLAGS -Wall -Wextra -Wpedantic -Werror $flags \
            -o "$work/consumer" "$source/main.cpp" $libs $LDFLAGS
        # every installed header, with the flags pkg-config gives: none
        # includes one that was not installed
        (cd "$prefix/include" && find loopcost -name '*.h' | LC_ALL=C sort | sed 's/.*/#include <&>/') \
            >"$work/headers.cpp"
        # shellcheck disable=SC2086
        quietly "$CXX" $CXXFLAGS -std=c++17 -fsyntax-only -Wall -Wextra -Wpedantic -Werror $flags "$work/headers.cpp"
    fi
    actual=$("$work/consumer" 2 4 <"$program") || fail "the consumer failed: $actual"
    [ "$actual" = "$expected" ] || fail "the consumer printed '$actual', expected '$expected'"
    rm -f "$log"
    ;;
*)
    fail "unknown mode '$mode'"
    ;;
esac
echo "$mode: ok"
