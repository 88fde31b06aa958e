#!/bin/bash
# Installs what building and testing Vorn needs on Debian 12, and nothing
# when everything is there already. Run as root, or as a user with sudo.
set -euo pipefail

packages=(
    cmake g++ make pkg-config libgtest-dev
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
    wine wine32:i386 wine64 xvfb xauth imagemagick
    python3 python3-pefile fonts-ipafont-gothic libstb-dev
    clang libclang-rt-14-dev gmic
    libpng-dev zlib1g-dev libturbojpeg0-dev libjpeg62-turbo-dev libtiff-dev libz-mingw-w64-dev gegl
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
update_lists() {
    $sudo apt-get update -qq
}
install_packages() {
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@" > /dev/null
}

# A mirror caught mid-sync fails the update now and then (a package list
# whose size does not match the release file); wait and try again.
for attempt in 1 2 3 4; do
    update_lists && break
    echo "apt-get update failed (attempt $attempt of 4)" >&2
    sleep $((attempt * 20))
done
if install_packages "${missing[@]}"; then
    exit 0
fi
# The 32-bit Wine needs i386 libraries of the very versions installed for
# amd64; when the mirror's i386 list is the one that failed, they cannot be
# found. Everything else still goes in, and the tests of the real plug-ins
# under Wine report themselves skipped rather than the whole run failing.
others=()
for package in "${missing[@]}"; do
    case "$package" in
        wine | wine32:i386 | wine64) ;;
        *) others+=("$package") ;;
    esac
done
if [ ${#others[@]} -gt 0 ]; then
    install_packages "${others[@]}"
fi
echo "WARNING: Wine could not be installed (see apt-get above); the tests" \
     "under Wine will be skipped" >&2
