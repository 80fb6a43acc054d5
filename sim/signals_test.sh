#!/bin/sh
# quillmer-sim ended by Ctrl-C, kill or its terminal closing removes its --link,
# which would otherwise point at a pseudo-terminal that another program gets next.
set -u
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
for signal in INT TERM HUP; do
    "$1" --quiet --link "$dir/radio" &
    tries=0
    until [ -L "$dir/radio" ] || [ $((tries += 1)) -gt 100 ]; do sleep 0.1; done
    [ -L "$dir/radio" ] || { echo "no link after 10 s"; kill $!; exit 1; }
    kill -s "$signal" $! && wait $!
    status=$?
    [ "$status" -eq 0 ] && [ ! -L "$dir/radio" ] || { echo "SIG$signal: status $status, link left"; exit 1; }
done
