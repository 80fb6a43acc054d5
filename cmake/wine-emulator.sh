#!/bin/sh
# Runs a cross-built Windows program under Wine for CTest (the cross build's
# CMAKE_CROSSCOMPILING_EMULATOR). WINEPREFIX and WINEDEBUG come from the caller.
#
# A Wine session (the wineserver and Wine's own helper processes) outlives the
# program that started it by a few seconds. Started by a test program, it would
# hold on to CTest's output pipes, and CTest would wait for it after that test;
# so it is started here, detached from our output, whenever none is running.
# The lock keeps a test that starts meanwhile from starting one of its own.
(
    flock 9
    if wineserver -p5 </dev/null >/dev/null 2>&1 9>&-; then
        wine wineboot </dev/null >/dev/null 2>&1 9>&-
    fi
) 9>"${WINEPREFIX:-$HOME/.wine}.lock"
exec wine "$@"
