#!/bin/bash
# Makes the release of the current commit, in one command:
#   dist/Vorn-<version>-windows.zip  Vorn.8bf, Vorn64.8bf, Guide.html (the
#                                    user guide for Windows hosts),
#                                    LICENSE.txt and SHA256SUMS, in a folder
#                                    Vorn-<version>
#   dist/vorn_<version>_amd64.deb    vorn, vorn(1), the licence, and the two
#                                    plug-ins in /usr/share/vorn
#   dist/SHA256SUMS                  the checksums of both
#   dist/COMMIT                      the commit they were made from
#
#   scripts/release.sh [--work DIR] [--out DIR]
#
# The commit is exported from git into DIR/src (default folder
# build/release-work, emptied first) and built there, optimised, with only
# what the release needs: the two plug-ins and vorn with its manual page.
# Uncommitted changes are not part of a release (a warning says so).
#
# Two runs from the same commit give the same bytes, in any folder and at
# any time: SOURCE_DATE_EPOCH is the commit's time (the manual page's date
# and the times inside both archives), no path of the build reaches the
# binaries, the PE files carry no link time, and the zip's entries are
# written in a fixed order with fixed times and permissions.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
work=$top/build/release-work
out=$top/dist
while [ $# -gt 0 ]; do
    case "$1" in
        --work) work=$2; shift 2 ;;
        --out) out=$2; shift 2 ;;
        *) echo "usage: scripts/release.sh [--work DIR] [--out DIR]" >&2; exit 2 ;;
    esac
done
mkdir -p "$work" "$out"
work=$(cd "$work" && pwd)
out=$(cd "$out" && pwd)
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

if ! git rev-parse --verify -q HEAD > /dev/null; then
    echo "release: not a git checkout with a commit; a release is made from a commit" >&2
    exit 1
fi
commit=$(git rev-parse HEAD)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "release: WARNING: uncommitted changes are left out; building commit ${commit:0:12}" >&2
fi
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct "$commit")
export SOURCE_DATE_EPOCH
# Nothing of the building user's environment reaches the archives.
export TZ=UTC LC_ALL=C
umask 022

src=$work/src
rm -rf "$src" "$work/win32" "$work/win64" "$work/native" "$work/stage"
mkdir -p "$src"
git archive --format=tar "$commit" | tar -x -C "$src"
version=$(sed -n 's/^project(Vorn VERSION \([0-9][0-9.]*\) .*/\1/p' "$src/CMakeLists.txt")
if [ -z "$version" ]; then
    echo "release: no project(Vorn VERSION x.y.z) in CMakeLists.txt" >&2
    exit 1
fi
echo "Vorn $version from commit ${commit:0:12} ($(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC'))"

configure() {
    local dir=$1
    shift
    cmake -S "$src" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVORN_REPRODUCIBLE=ON "$@" > "$dir.log" 2>&1 ||
        { cat "$dir.log"; exit 1; }
}
build() {
    local dir=$1
    shift
    cmake --build "$dir" -j"$jobs" "$@" >> "$dir.log" 2>&1 || { tail -50 "$dir.log"; exit 1; }
}

echo "building Vorn.8bf"
configure "$work/win32" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake"
build "$work/win32" --target vorn_plugin
echo "building Vorn64.8bf"
configure "$work/win64" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-x86_64.cmake"
build "$work/win64" --target vorn_plugin
echo "building vorn and its manual page"
# The package installs what is built here; nothing else of the tree (tests,
# benchmarks) is built for it.
configure "$work/native" -DVORN_WIN32_DIR="$work/win32" -DVORN_WIN64_DIR="$work/win64" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
build "$work/native" --target vorn vorn_manpage

echo "packing"
(cd "$work/native" && cpack -G DEB > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb_name="vorn_${version}_amd64.deb"
deb="$work/native/packages/$deb_name"
if [ ! -f "$deb" ]; then
    echo "release: CPack wrote no $deb_name:" >&2
    cat "$work/cpack.log" >&2
    exit 1
fi

folder="Vorn-$version"
stage=$work/stage/$folder
mkdir -p "$stage"
cp "$work/win32/Vorn.8bf" "$work/win64/Vorn64.8bf" "$stage/"
sed "s/@VORN_VERSION@/$version/g" "$src/docs/windows-guide.html" > "$stage/Guide.html"
# Windows' Notepad of old shows a text file well only with CR LF.
sed 's/$/\r/' "$src/LICENSE" > "$stage/LICENSE.txt"
(cd "$stage" && sha256sum Vorn.8bf Vorn64.8bf Guide.html LICENSE.txt > SHA256SUMS)
zip_name="Vorn-$version-windows.zip"
/usr/bin/python3 "$src/scripts/write-zip.py" "$work/$zip_name" "$work/stage" "$folder" \
    Vorn.8bf Vorn64.8bf Guide.html LICENSE.txt SHA256SUMS

rm -f "$out/$zip_name" "$out/$deb_name"
cp "$work/$zip_name" "$deb" "$out/"
(cd "$out" && sha256sum "$zip_name" "$deb_name" > SHA256SUMS)
echo "$commit" > "$out/COMMIT"
echo
echo "Release $version in $out:"
sed 's/^/  /' "$out/SHA256SUMS"
