#!/usr/bin/env bash
# Fuzzes each target for a while: builds the fuzz preset (clang, libFuzzer, address
# and undefined-behaviour sanitizers), then runs every target, or the ones named,
# for SECONDS each (default 30). The corpus each run grows is kept in
# build/fuzz/corpus/<target>/ and seeds the next run; the checked-in corpus in
# fuzz/corpus/<target>/ only seeds. A crash, a failed check or a hang leaves its
# input in build/fuzz/crashes/<target>/ and makes the script fail; such an input
# belongs in fuzz/corpus/<target>/ once understood, so every test run replays it.
#
# Usage: fuzz/run.sh [SECONDS] [TARGET...]   targets: memory_file encoder receiver other_layouts
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(memory_file encoder receiver other_layouts)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

failed=()
for target in "${targets[@]}"; do
    program=build/fuzz/fuzz/${target}_fuzzer
    [[ -x $program ]] || { echo "fuzz: no target named $target" >&2; exit 2; }
    grown=build/fuzz/corpus/$target
    crashes=build/fuzz/crashes/$target
    mkdir -p "$grown" "$crashes"
    seeds=(fuzz/corpus/"$target")
    options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
             -artifact_prefix="$crashes/")
    case $target in
        memory_file)
            seeds+=(tests/data)
            options+=(-dict=fuzz/memory_file.dict)
            ;;
        other_layouts)
            seeds+=(tests/data)
            options+=(-dict=fuzz/other_layouts.dict)
            ;;
    esac
    echo "fuzz: $target for ${seconds}s"
    # libFuzzer prints a line for every new input; the tail says how it went.
    log=build/fuzz/$target.log
    if "$program" "${options[@]}" "$grown" "${seeds[@]}" >"$log" 2>&1; then
        grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$log" || true
    else
        failed+=("$target")
        tail -n 60 "$log"
        echo "fuzz: $target failed; the input is in $crashes/ (replay it:" \
             "$program $crashes/<file>)" >&2
    fi
done

if ((${#failed[@]})); then
    echo "fuzz: failed: ${failed[*]}" >&2
    exit 1
fi
echo "fuzz: ${targets[*]}: no failure"
