#!/bin/sh
# quillmer-sim ended by Ctrl-C, kill or its terminal closing removes its --link,
# which would otherwise point at a pseudo-terminal that another program gets next.
# Usage: signals_test.sh PATH-TO-QUILLMER-SIM
set -u
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
for signal in INT TERM HUP; do
    "$1" --quiet --link "$dir/radio" &
    pid=$!
    tries=0
    until [ -L "$dir/radio" ]; do
        tries=$((tries + 1))
        if [ "$tries" -gt 100 ]; then
            echo "SIG$signal: no link after 10 s"
            kill "$pid"
            exit 1
        fi
        sleep 0.1
    done
    kill -s "$signal" "$pid"
    wait "$pid"
    status=$?
    [ "$status" -eq 0 ] || { echo "SIG$signal: ended with status $status"; exit 1; }
    [ -L "$dir/radio" ] && { echo "SIG$signal: the link is left behind"; exit 1; }
done
exit 0
