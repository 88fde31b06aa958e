#!/bin/bash
# Builds everything: the 32-bit and 64-bit plug-ins and Win32 hosts (cross),
# the native tests with sanitizers, and the native command-line host and
# benchmarks without them. Folders: build/win32, build/win64, build/native,
# build/release. The native tree's tests also load the plug-ins of the
# release zip in dist/ (scripts/release.sh) when it is there.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
      -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build/win32 -j"$jobs"

if [ "${VORN_SKIP_WIN64:-0}" != "1" ]; then
    cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
          -DCMAKE_BUILD_TYPE=Release > /dev/null
    cmake --build build/win64 -j"$jobs"
fi

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build/release -j"$jobs"

win64_dir=""
[ -f build/win64/Vorn64.8bf ] && win64_dir="$PWD/build/win64"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug -DVORN_SANITIZE=ON \
      -DVORN_WIN32_DIR="$PWD/build/win32" -DVORN_WIN64_DIR="$win64_dir" \
      -DVORN_RELEASE_DIR="$PWD/build/release" -DVORN_DIST_DIR="$PWD/dist" > /dev/null
cmake --build build/native -j"$jobs"
