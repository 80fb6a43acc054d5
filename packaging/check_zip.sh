#!/usr/bin/env bash
# check_zip.sh BUILD_DIR VERSION WINE_START
# Checks the Windows zip in BUILD_DIR: it holds exactly what a Windows user
# needs, its text files have CRLF line ends, its README.txt is the user's guide,
# its quillmer.exe is stripped and, started under Wine (through the WINE_START
# script), names the release.
set -euo pipefail

if (($# != 3)); then
    echo "usage: $0 BUILD_DIR VERSION WINE_START" >&2
    exit 2
fi
build=$(realpath "$1")
version=$2
wine_start=$3

fail() {
    echo "check_zip: $*" >&2
    exit 1
}

name=quillmer-$version-win64
zip=$build/$name.zip
[[ -f $zip ]] || fail "no $zip (the build makes it)"

echo "== $zip"
listed=$(cmake -E tar tf "$zip" | grep -v '/$' | sort)
echo "$listed"
expected=$(printf '%s\n' "$name/LICENSE.txt" "$name/README.txt" "$name/examples/memory.csv" \
    "$name/examples/quillmer.ini" "$name/quillmer.exe" | sort)
[[ $listed == "$expected" ]] || fail "the zip should hold exactly:"$'\n'"$expected"

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmer-zip.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip")
folder=$work/$name

for text in README.txt LICENSE.txt examples/memory.csv examples/quillmer.ini; do
    # Every line, the last one included, ends in CR LF.
    if grep -qv $'\r$' "$folder/$text" || ! tail -c 2 "$folder/$text" | cmp -s - <(printf '\r\n'); then
        fail "$text has lines that do not end in CR LF"
    fi
done

# The user's guide for Windows, not the developers' whole README.
title=$(head -n 1 "$folder/README.txt" | tr -d '\r')
[[ $title == "Quillmer $version for Windows: the user's guide" ]] ||
    fail "README.txt starts with '$title', not the title of the user's guide"
echo "README.txt: $(wc -l <"$folder/README.txt") lines, the user's guide"

exe=$folder/quillmer.exe
x86_64-w64-mingw32-objdump -t "$exe" | grep -q '^no symbols$' ||
    fail "quillmer.exe in the zip is not stripped"
echo "quillmer.exe: $(stat -c %s "$exe") bytes stripped, in the zip;" \
    "$(stat -c %s "$build/windows/app/quillmer.exe") bytes as built"

echo "== quillmer.exe --version under Wine"
export WINEPREFIX=$build/wine WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
shown=$("$wine_start" "$exe" --version </dev/null | tr -d '\r')
echo "$shown"
[[ $shown == "quillmer $version" ]] || fail "quillmer.exe --version says '$shown'"
echo "check_zip: $zip is good"
