#!/bin/sh
# The Wine directory of one run of the end-to-end tests of quillmer.exe: a fresh
# Wine prefix made before the first test and removed after the last one (CTest's
# fixture setup and cleanup). Making a prefix takes seconds and several hundred
# megabytes, so the tests of a run share one.
#
#   wine_run_dir.sh make DIR PROGRAM  checks that PROGRAM (quillmer.exe) exists,
#                                     removes what an earlier run left in DIR, and
#                                     makes DIR/prefix with a Wine session running
#   wine_run_dir.sh remove DIR        ends DIR's Wine session and removes DIR
set -eu

marker=.quillmer-wine-e2e

fail() {
    echo "wine_run_dir.sh: $*" >&2
    exit 1
}

# remove_dir DIR: ends the session of DIR's prefix and removes DIR, but only a
# directory that this script made.
remove_dir() {
    [ -e "$1" ] || return 0
    [ -f "$1/$marker" ] || fail "$1 was not made by this script; not removing it"
    if [ -d "$1/prefix" ] && command -v wineserver >/dev/null 2>&1; then
        # -w: the server saves its registry as it ends; that must be over before
        # the prefix goes.
        WINEPREFIX=$1/prefix wineserver -k >/dev/null 2>&1 || true
        WINEPREFIX=$1/prefix wineserver -w >/dev/null 2>&1 || true
    fi
    rm -rf "$1"
}

[ $# -ge 2 ] || fail "usage: wine_run_dir.sh make DIR PROGRAM | remove DIR"
command=$1
dir=$2
case $command in
    make)
        [ $# -eq 3 ] || fail "usage: wine_run_dir.sh make DIR PROGRAM"
        [ -f "$3" ] ||
            fail "$3 does not exist: build it first with cmake --workflow --preset test-windows"
        # quillmer.exe comes from another build tree, which this one does not
        # rebuild: tests of an old program would fail or pass for nothing.
        source_dir=$(cd "$(dirname "$0")/../.." && pwd)
        newer=$(cd "$source_dir" &&
            find app serial protocol channels -newer "$3" \( -name '*.cpp' -o -name '*.h' \) \
                ! -name '*_test.cpp' ! -name '*_posix.cpp' | head -n 1)
        [ -z "$newer" ] ||
            fail "$3 is older than $newer: rebuild it with cmake --build --preset windows"
        command -v wine >/dev/null 2>&1 || fail "wine is not installed"
        remove_dir "$dir"
        mkdir -p "$dir"
        touch "$dir/$marker"
        export WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
        unset DISPLAY WAYLAND_DISPLAY
        # One Wine session for the whole run: a session that ends as the next
        # test's program starts takes that program with it (SIGKILL). This one
        # stays until remove ends it, or ten minutes after the last program. Its
        # output goes elsewhere, so that it keeps no pipe of CTest's open. Should
        # it end all the same, the tests start another one the same way
        # (cmake/wine-emulator.sh).
        mkdir -p "$WINEPREFIX"
        wineserver -p600 </dev/null >/dev/null 2>&1
        wine wineboot --init </dev/null >/dev/null 2>&1
        [ -d "$WINEPREFIX/dosdevices" ] || fail "wineboot made no prefix in $WINEPREFIX"
        echo "Wine prefix $WINEPREFIX"
        ;;
    remove)
        remove_dir "$dir"
        ;;
    *)
        fail "unknown command $command"
        ;;
esac
