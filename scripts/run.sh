#!/bin/bash
# Quick start: installs what is missing, builds everything, then runs the
# command-line host on the sample picture, once over the whole image and
# once inside a disc-shaped selection, and says where the results and the
# plug-in are.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh
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
echo "Try: build/release/vorn --help"
