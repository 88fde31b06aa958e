#!/bin/bash
# Quick start: installs what is missing, builds what the main job needs (the
# plug-ins and the command-line host vorn, optimised; not the test trees),
# then runs vorn on the sample picture, once over the whole image and once
# inside a disc-shaped selection, and says where the results and the
# plug-in are. scripts/test.sh builds and runs everything else.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
./scripts/setup.sh

cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
      -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build/win32 -j"$jobs" --target vorn_plugin
if [ "${VORN_SKIP_WIN64:-0}" != "1" ]; then
    cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
          -DCMAKE_BUILD_TYPE=Release > /dev/null
    cmake --build build/win64 -j"$jobs" --target vorn_plugin
fi
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build/release -j"$jobs" --target vorn

mkdir -p out
build/release/vorn --seed 1 samples/sample.png out/sample-labyrinth.png
build/release/vorn --seed 1 --mask samples/disc-mask.png samples/sample.png \
    out/sample-disc-labyrinth.png
echo
echo "Labyrinth over the whole picture:  $PWD/out/sample-labyrinth.png"
echo "Labyrinth inside the disc:         $PWD/out/sample-disc-labyrinth.png"
echo "The plug-in for 32-bit hosts:      $PWD/build/win32/Vorn.8bf"
if [ -f build/win64/Vorn64.8bf ]; then
    echo "The plug-in for 64-bit hosts:      $PWD/build/win64/Vorn64.8bf"
fi
echo "Try: build/release/vorn --help (./scripts/build.sh builds the Win32 host"
echo "vornhost.exe and the tests too)"
