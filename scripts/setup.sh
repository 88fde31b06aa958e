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
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
