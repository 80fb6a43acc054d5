#!/usr/bin/env bash
# check_tarball.sh BUILD_DIR VERSION
# Checks the macOS tarball in BUILD_DIR: it holds exactly what a Mac user needs,
# and each of its programs is one universal Mach-O program with both the arm64
# and the x86_64 build of this release in it. The programs cannot run here.
set -euo pipefail

if (($# != 2)); then
    echo "usage: $0 BUILD_DIR VERSION" >&2
    exit 2
fi
build=$(realpath "$1")
version=$2

fail() {
    echo "check_tarball: $*" >&2
    exit 1
}

name=quillmer-$version-macos
tarball=$build/$name.tar.gz
[[ -f $tarball ]] || fail "no $tarball (the build makes it)"

echo "== $tarball"
listed=$(tar -tzvf "$tarball" | awk '$1 !~ /^d/ {print $1, $NF}' | sort -k2)
echo "$listed"
expected=$(printf '%s\n' "-rw-r--r-- $name/LICENSE" "-rw-r--r-- $name/README" \
    "-rw-r--r-- $name/examples/memory.csv" "-rw-r--r-- $name/examples/quillmer.ini" \
    "-rwxr-xr-x $name/quillmer" "-rwxr-xr-x $name/quillmer-sim" \
    "-rw-r--r-- $name/quillmer-sim.1" "-rw-r--r-- $name/quillmer.1" | sort -k2)
[[ $listed == "$expected" ]] || fail "the tarball should hold exactly, with these modes:"$'\n'"$expected"

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmer-tarball.XXXXXX")
trap 'rm -rf "$work"' EXIT
tar -xzf "$tarball" -C "$work"
folder=$work/$name

grep -q $'\r' "$folder/README" "$folder/examples/memory.csv" &&
    fail "a text file has CR LF line ends; a Mac's have LF"
title=$(head -n 1 "$folder/README")
[[ $title == "Quillmer $version for macOS: the user's guide" ]] ||
    fail "README starts with '$title', not the title of the user's guide"
echo "README: $(wc -l <"$folder/README") lines, the user's guide"

for program in quillmer quillmer-sim; do
    file=$folder/$program
    info=$(llvm-lipo-14 -info "$file")
    echo "$info"
    [[ $info == "Architectures in the fat file: "*" are: "* ]] || fail "$program is not universal"
    archs=$(tr ' ' '\n' <<<"${info##*are: }" | grep . | sort | tr '\n' ' ')
    [[ $archs == "arm64 x86_64 " ]] || fail "$program holds '$archs', not arm64 and x86_64"
    for arch in arm64 x86_64; do
        llvm-lipo-14 "$file" -thin "$arch" -output "$work/$program-$arch"
        kind=$(file -b "$work/$program-$arch")
        [[ $kind == "Mach-O 64-bit $arch executable"* ]] || fail "$program's $arch part is $kind"
        # macOS on Apple silicon runs only signed programs: Zig signs them ad hoc.
        if [[ $arch == arm64 ]] && ! llvm-otool-14 -l "$work/$program-$arch" | grep -q LC_CODE_SIGNATURE; then
            fail "$program's arm64 part carries no code signature"
        fi
        # Built from this release's sources: its --version text is in it.
        grep -qaF "$version" "$work/$program-$arch" || fail "$program's $arch part lacks $version"
    done
    echo "$program: $(stat -c %s "$file") bytes, $(file -b "$file")"
done
echo "check_tarball: $tarball is good"
