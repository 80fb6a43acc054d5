#!/usr/bin/env bash
# Runs clang-tidy (the checked-in .clang-tidy) over every source file of a build
# whose compile commands it reads: build/default unless another build directory
# is named, configured with the default preset when it has none yet. Any finding
# fails the run. Tests are exempt from the checks in TEST_EXEMPT.
#
# Usage: tools/tidy.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/default}
jobs=${TIDY_JOBS:-2}
tidy=$(command -v clang-tidy-14 || command -v clang-tidy) ||
    { echo "tidy: clang-tidy not found" >&2; exit 2; }

if [[ ! -f $build/compile_commands.json ]]; then
    [[ $build == build/default ]] || { echo "tidy: no $build/compile_commands.json" >&2; exit 2; }
    cmake --preset default >/dev/null
fi

# GoogleTest registers each test in a static object whose constructor may throw;
# tests probe the machine with shell commands through system(); test code is
# written to be read, and its speed does not matter.
TEST_EXEMPT=-cert-err58-cpp,-cert-env33-c,-performance-*

# The project's own files among the compile commands, each once.
mapfile -t files < <(python3 - "$build/compile_commands.json" "$PWD" <<'PY'
import json, os, sys
root = sys.argv[2] + os.sep
files = {os.path.normpath(os.path.join(e["directory"], e["file"]))
         for e in json.load(open(sys.argv[1]))}
print("\n".join(sorted(f for f in files
                       if f.startswith(root) and not f[len(root):].startswith("build"))))
PY
)
((${#files[@]})) || { echo "tidy: no source files in $build" >&2; exit 2; }
sources=() tests=()
for f in "${files[@]}"; do
    if [[ $f == *_test.cpp || $f == "$PWD"/tests/* ]]; then tests+=("$f"); else sources+=("$f"); fi
done

# Headers are checked through the files that include them, the system's never.
run() {
    printf '%s\0' "${@:2}" | xargs -0 -r -n 2 -P "$jobs" "$tidy" -p "$build" --quiet \
        --header-filter="^$PWD/(app|core|serial|protocol|channels|sim|bench|fuzz|tests|examples)/" \
        --warnings-as-errors='*' $1
}
echo "tidy: ${#sources[@]} source files, ${#tests[@]} test files"
status=0
run "" "${sources[@]}" || status=1
run "--checks=$TEST_EXEMPT" "${tests[@]}" || status=1
if ((status)); then
    echo "tidy: findings above" >&2
else
    echo "tidy: no findings"
fi
exit "$status"
