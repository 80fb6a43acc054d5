#!/usr/bin/env bash
# check_deb.sh BUILD_DIR VERSION
# Checks the .deb that cpack left in BUILD_DIR: lintian finds no error in it, and
# unpacked into a throw-away root its programs name the release and its manual
# pages render without a warning.
set -euo pipefail

if (($# != 2)); then
    echo "usage: $0 BUILD_DIR VERSION" >&2
    exit 2
fi
build=$1
version=$2

fail() {
    echo "check_deb: $*" >&2
    exit 1
}

shopt -s nullglob
debs=("$build"/quillmer_"$version"_*.deb)
((${#debs[@]} == 1)) ||
    fail "want one quillmer_${version}_*.deb in $build, found ${#debs[@]} (cpack makes it)"
deb=${debs[0]}

echo "== lintian $deb"
lintian --fail-on error --display-info "$deb" || fail "lintian found errors"

echo "== the package's fields"
dpkg-deb --field "$deb" Package Version Section Depends

root=$(mktemp -d "${TMPDIR:-/tmp}/quillmer-deb.XXXXXX")
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

echo "== the installed files"
(cd "$root" && find . -type f | sort)
for file in usr/share/man/man1/quillmer.1.gz usr/share/man/man1/quillmer-sim.1.gz \
    usr/share/doc/quillmer/copyright usr/share/doc/quillmer/changelog.gz \
    usr/share/doc/quillmer/README.md usr/share/doc/quillmer/examples/memory.csv \
    usr/share/doc/quillmer/examples/quillmer.ini; do
    [[ -f $root/$file ]] || fail "the package lacks /$file"
done

echo "== the programs name the release"
for program in quillmer quillmer-sim; do
    shown=$("$root/usr/bin/$program" --version)
    echo "$shown"
    [[ $shown == "$program $version" ]] || fail "$program --version says '$shown'"
done

echo "== the manual pages"
for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(zcat "$page" | groff -man -ww -z 2>&1)
    [[ -z $warnings ]] || fail "groff warns about $page: $warnings"
    rendered=$(MANWIDTH=80 man --warnings -l "$page" 2>"$root/man-warnings")
    [[ ! -s $root/man-warnings ]] || fail "man warns about $page: $(cat "$root/man-warnings")"
    # The version, the date and the documentation folder were filled in.
    [[ $rendered != *@* ]] || fail "$page holds a placeholder the build did not fill in"
    [[ $rendered == *"quillmer $version"* ]] || fail "$page does not name quillmer $version"
    echo "$(basename "$page"): $(wc -l <<<"$rendered") lines, no warnings"
done
echo "check_deb: $deb is good"
