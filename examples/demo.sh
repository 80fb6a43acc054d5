#!/usr/bin/env bash
# demo.sh QUILLMER QUILLMER_SIM MEMORY_FILE
# Writes a memory file into the simulated radio with the real program and shows
# the radio's memory afterwards. Needs no typing: the program's input is
# /dev/null, so its final key wait returns at once. Ends non-zero when the
# program or the radio failed.
set -euo pipefail

if (($# != 3)); then
    echo "usage: $0 QUILLMER QUILLMER_SIM MEMORY_FILE" >&2
    exit 2
fi
quillmer=$1
quillmer_sim=$2
memory_file=$(realpath "$3")

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmer-demo.XXXXXX")
sim_pid=
cleanup() {
    if [[ -n $sim_pid ]] && kill -0 "$sim_pid" 2>/dev/null; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# The radio, on a pseudo-terminal reached through $work/radio, its bytes taking
# the time they take on a real cable. It ends once the program closes the write
# link, printing its memory as it goes.
"$quillmer_sim" --model ID-92 --pace --link "$work/radio" --once --quiet \
    >"$work/radio.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
    [[ -L $work/radio ]] && break
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        cat "$work/radio.out" >&2
        echo "demo: the simulated radio did not start" >&2
        exit 1
    fi
    sleep 0.05
done
if [[ ! -L $work/radio ]]; then
    echo "demo: the simulated radio made no link at $work/radio" >&2
    exit 1
fi

# The program reads its port from the settings file beside it, so it runs from
# a copy with one.
cp "$quillmer" "$work/quillmer"
echo "$work/radio" >"$work/quillmer.ini"

echo "Writing $(basename "$memory_file") into a simulated ID-92 (quillmer-sim):"
echo "$ quillmer $(basename "$memory_file")"
# A radio that stops answering leaves the program waiting for Esc; here nobody
# would press it, so the demo gives up after a while instead. In the foreground,
# so that Ctrl-C still reaches the program.
status=0
timeout --foreground 120 "$work/quillmer" "$memory_file" </dev/null || status=$?
if ((status == 124)); then
    echo
    echo "demo: quillmer was still waiting for the radio after 120 s; stopped it" >&2
fi

# The radio prints its memory when the link closes and then ends. A program
# that stopped before it closed the link leaves the radio waiting: it gets a
# moment, no more.
wait_tenths=50
((status == 0)) || wait_tenths=5
for _ in $(seq "$wait_tenths"); do
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
done
sim_ended=1
if kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid" 2>/dev/null || true
    sim_ended=0
fi
sim_status=0
wait "$sim_pid" || sim_status=$?
sim_pid=
if [[ -s $work/radio.out ]]; then
    echo
    echo "What the simulated radio holds now:"
    cat "$work/radio.out"
fi

if ((status != 0)); then
    echo "demo: quillmer ended with status $status" >&2
    exit 1
fi
if ((!sim_ended || sim_status != 0)); then
    echo "demo: the simulated radio did not end by itself (status $sim_status)" >&2
    exit 1
fi
echo "demo: done: the radio's memory matches $(basename "$memory_file")."
