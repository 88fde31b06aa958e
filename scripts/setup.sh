#!/bin/bash
# Installs what building, testing and releasing Vorn needs on Debian 12,
# and nothing when everything is there already. Run as root, or as a user
# with sudo.
#
# Wine: the 64-bit Wine (wine, wine64) installs from the amd64 package
# lists alone and runs the 64-bit plug-in and hosts on every machine. The
# 32-bit Wine (wine32:i386) is installed only where the kernel runs 32-bit
# programs (scripts/probe-i386.sh) and the i386 package lists can be had;
# elsewhere it is left out with a note, and the 32-bit Wine tests report
# themselves skipped with the reason.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    cmake g++ make pkg-config libgtest-dev
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
    wine wine64 xvfb xauth imagemagick locales
    python3 python3-pefile fonts-ipafont-gothic
    clang libclang-rt-14-dev gmic
    libvips-dev libpng-dev zlib1g-dev libz-mingw-w64-dev gegl
    libimage-exiftool-perl webp libheif-examples colord-data
    help2man dpkg-dev file man-db clang-format
)

installed() {
    dpkg-query -W -f='${Status}' "$1" 2> /dev/null | grep -q "ok installed"
}

missing=()
for package in "${packages[@]}"; do
    installed "$package" || missing+=("$package")
done
i386_reason=""
want_wine32=0
if i386_reason=$(scripts/probe-i386.sh); then
    installed wine32:i386 || want_wine32=1
fi
if [ ${#missing[@]} -eq 0 ] && [ $want_wine32 -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
update_lists() {
    $sudo apt-get update -qq
}
install_packages() {
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@" > /dev/null
}

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    # A mirror caught mid-sync fails the update now and then (a package list
    # whose size does not match the release file); wait and try again.
    for attempt in 1 2 3 4; do
        update_lists && break
        echo "apt-get update failed (attempt $attempt of 4)" >&2
        sleep $((attempt * 20))
    done
    install_packages "${missing[@]}"
fi

if [ $want_wine32 -eq 1 ]; then
    # The 32-bit Wine needs i386 libraries of the very versions installed for
    # amd64; when the mirror's i386 list is the one that fails, they cannot
    # be found, and everything else is in place all the same.
    echo "Installing: wine32:i386"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    if ! { update_lists && install_packages wine32:i386; }; then
        echo "WARNING: the 32-bit Wine (wine32:i386) could not be installed (see apt-get" \
             "above); the Wine tests of the 32-bit plug-in will report themselves skipped" >&2
    fi
elif [ -n "$i386_reason" ] && ! installed wine32:i386; then
    echo "Note: $i386_reason, so the 32-bit Wine is not installed; the Wine tests of" \
         "the 32-bit plug-in will report themselves skipped" >&2
fi
