#!/bin/bash
# The Debian package of the release in VORN_DIST_DIR (scripts/release.sh):
# its control fields; dpkg -i into an empty root (a dpkg database of its
# own, so nothing of this machine's packages counts), after which the
# installed `vorn --version` names the project's version and `man vorn`
# shows the page; the dependencies name the package of every library the
# installed vorn links; the plug-ins it installs are those of the release zip; and
# `cmake --install` of the native build installs the same set of files.
set -u
source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"
need_commands dpkg dpkg-deb man ldd objdump
debs=()
[ -n "${VORN_DIST_DIR:-}" ] && debs=("$VORN_DIST_DIR"/vorn_*_amd64.deb)
zips=()
[ -n "${VORN_DIST_DIR:-}" ] && zips=("$VORN_DIST_DIR"/Vorn-*-windows.zip)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ] || [ ! -f "${zips[0]:-}" ]; then
    echo "no release (vorn_<version>_amd64.deb and the zip) in '${VORN_DIST_DIR:-}'" \
         "(scripts/release.sh makes it): skipped"
    exit 77
fi
deb=${debs[0]}
version=$(sed -n 's/^project(Vorn VERSION \([0-9][0-9.]*\) .*/\1/p' "$VORN_SOURCE_DIR/CMakeLists.txt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
echo "package: $deb"

# --- control fields -----------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
if [ "$(basename "$deb")" = "vorn_${version}_amd64.deb" ] && [ "$(field Package)" = vorn ] &&
    [ "$(field Version)" = "$version" ] && [ "$(field Architecture)" = amd64 ]; then
    pass "vorn $version for amd64"
else
    fail "control: $(field Package) $(field Version) $(field Architecture), file $(basename "$deb")"
fi
depends=$(field Depends)
echo "Depends: $depends"

# --- dpkg -i into an empty root ---------------------------------------------------
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg_root=(dpkg --root="$root" --log=/dev/null --force-depends --force-not-root)
if "${dpkg_root[@]}" -i "$deb" > dpkg.txt 2>&1 &&
    "${dpkg_root[@]}" -s vorn 2> /dev/null | grep -q "^Status: install ok installed"; then
    pass "dpkg -i installs it: $(tr '\n' ' ' < dpkg.txt | cut -c1-200)"
else
    fail "dpkg -i: $(cat dpkg.txt)"
fi
(cd "$root" && find . -type f ! -path './var/*' | sort) > installed.txt
expected_files="./usr/bin/vorn ./usr/share/doc/vorn/copyright ./usr/share/man/man1/vorn.1.gz ./usr/share/vorn/Vorn.8bf ./usr/share/vorn/Vorn64.8bf"
if [ "$(tr '\n' ' ' < installed.txt)" = "$expected_files " ]; then
    pass "installed files: $expected_files"
else
    fail "installed files: $(tr '\n' ' ' < installed.txt), expected $expected_files"
fi

"$root/usr/bin/vorn" --version > version.txt 2>&1
status=$?
if [ $status -eq 0 ] && [ "$(head -1 version.txt)" = "vorn $version" ]; then
    pass "vorn --version: $(head -1 version.txt)"
else
    fail "vorn --version (exit $status): $(head -3 version.txt)"
fi
"$root/usr/bin/vorn" --seed 1 "$VORN_SOURCE_DIR/samples/sample.png" out.png 2> run.txt
[ -s out.png ] && pass "the installed vorn filters the sample picture" ||
    fail "the installed vorn: $(cat run.txt)"

MANPATH="$root/usr/share/man" MANWIDTH=80 man -P cat vorn > man.txt 2> man-error.txt
status=$?
if [ $status -eq 0 ] && grep -q "^NAME" man.txt && grep -q "vorn - " man.txt &&
    grep -q -- "--amount" man.txt && [ "$(MANPATH="$root/usr/share/man" man -w vorn)" = \
    "$root/usr/share/man/man1/vorn.1.gz" ]; then
    pass "man vorn shows the page ($(wc -l < man.txt) lines): $(grep -m1 'vorn - ' man.txt | sed 's/^ *//')"
else
    fail "man vorn (exit $status): $(head -5 man-error.txt) $(head -5 man.txt)"
fi

# --- the dependencies cover what vorn links ----------------------------------
# Every library the installed vorn names (its NEEDED entries, found where
# the loader finds them) comes from a package that Depends names; what
# those libraries need in turn is their packages' business.
uncovered=""
count=0
while read -r needed; do
    count=$((count + 1))
    library=$(ldd "$root/usr/bin/vorn" | awk -v name="$needed" '$1 == name { print $3 }')
    package=""
    [ -n "$library" ] && package=$(dpkg -S "$(readlink -f "$library")" 2> /dev/null | head -1 | cut -d: -f1)
    [ -z "$package" ] && [ -n "$library" ] &&
        package=$(dpkg -S "$library" 2> /dev/null | head -1 | cut -d: -f1)
    if [ -z "$package" ]; then
        uncovered="$uncovered $needed (${library:-not found}, no package)"
    elif ! awk -v want="$package" 'BEGIN { RS = ","; found = 1 }
            { sub(/^ +/, ""); split($0, word, " "); if (word[1] == want) found = 0 }
            END { exit found }' <<< "$depends"; then
        uncovered="$uncovered $needed ($package)"
    fi
done < <(objdump -p "$root/usr/bin/vorn" | awk '$1 == "NEEDED" { print $2 }')
if [ $count -gt 0 ] && [ -z "$uncovered" ]; then
    pass "Depends names the package of each of the $count libraries vorn links"
else
    fail "libraries whose packages Depends does not name ($count linked):$uncovered"
fi

# --- the same plug-ins as the zip ----------------------------------------------
/usr/bin/python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
    "${zips[0]}" zip
for plugin in Vorn.8bf Vorn64.8bf; do
    if cmp -s "$root/usr/share/vorn/$plugin" zip/*/"$plugin"; then
        pass "/usr/share/vorn/$plugin is the zip's $plugin"
    else
        fail "/usr/share/vorn/$plugin differs from the zip's"
    fi
done

# --- cmake --install installs the same set ------------------------------------------
if [ -f "$VORN_NATIVE_DIR/cmake_install.cmake" ] && [ -n "${VORN_WIN32_DIR:-}" ] &&
    [ -n "${VORN_WIN64_DIR:-}" ]; then
    cmake --install "$VORN_NATIVE_DIR" --prefix "$work/prefix/usr" > install.txt 2>&1
    (cd "$work/prefix" && find . -type f | sort) > cmake-installed.txt
    if cmp -s <(sed 's|^\./||' installed.txt) <(sed 's|^\./||' cmake-installed.txt); then
        pass "cmake --install installs the same files as the package"
    else
        fail "cmake --install: $(tr '\n' ' ' < cmake-installed.txt) $(tail -3 install.txt)"
    fi
else
    skip "cmake --install: the native build was configured without both cross builds"
fi

finish_checks
