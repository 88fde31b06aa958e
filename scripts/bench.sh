#!/bin/bash
# Builds the native benchmarks optimised (Release, no sanitizers) and runs
# them: the whole filter pass against the copy bound, the float-plane pass and
# G'MIC's maze (bench_filterpass), labyrinth generation alone
# (bench_labyrinth, 12 megapixels), PNG encoding per zlib level and row
# filter (bench_pngencode), and vorn end to end against GEGL's maze on the
# same 4000 x 3000 PNG (best of three, measured in the same run). About five
# minutes; --quick (1 and 12 megapixels, one round, smaller G'MIC mazes)
# takes under a minute.
# Other arguments go to bench_filterpass (--no-gmic, --no-float).
# VORN_BENCH_DIR chooses the build folder (default build/release).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${VORN_BENCH_DIR:-build/release}
if ! command -v gmic > /dev/null; then
    echo "gmic is missing (scripts/setup.sh installs it); the G'MIC column stays empty"
fi
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$dir" -j2 --target bench_filterpass bench_labyrinth bench_pngencode vorn labcheck > /dev/null
"$dir/bench_filterpass" "$@"
echo
"$dir/bench_labyrinth" 13
echo

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$dir/labcheck" make 4000 3000 3 8 "$work/in.png" > /dev/null
"$dir/vorn" --seed 1 "$work/in.png" "$work/labyrinth.png"
"$dir/bench_pngencode" "$work/labyrinth.png"
echo

# best_of_three COMMAND...: the shortest wall time in seconds of three runs
# (and, in $work/peak.txt, the peak resident memory of that run in KB).
best_of_three() {
    local best="" kb=""
    for _ in 1 2 3; do
        /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" > /dev/null 2>&1
        read -r seconds memory < <(tail -1 "$work/time.txt")
        if [ -z "$best" ] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$seconds
            kb=$memory
        fi
    done
    echo "$kb" > "$work/peak.txt"
    echo "$best"
}
echo "End to end on a 4000x3000 8-bit RGB PNG ($(stat -c %s "$work/in.png") bytes), best of three:"
vorn_seconds=$(best_of_three "$dir/vorn" --amount 10 "$work/in.png" "$work/vorn-out.png")
vorn_kb=$(cat "$work/peak.txt")
printf "  vorn --amount 10 in.png out.png                        %6.2f s  peak %d KB (%.2f bytes a pixel)\n" \
    "$vorn_seconds" "$vorn_kb" "$(awk -v k="$vorn_kb" 'BEGIN { print k * 1024 / 12e6 }')"
if command -v gegl > /dev/null; then
    # A large colour-conversion cache left by other programs slows GEGL's
    # start by about a second.
    gegl_seconds=$(BABL_INHIBIT_CACHE=1 best_of_three gegl "$work/in.png" -o "$work/gegl-out.png" -- gegl:maze x=11 y=11)
    printf "  gegl in.png -o out.png -- gegl:maze x=11 y=11          %6.2f s  peak %d KB\n" \
        "$gegl_seconds" "$(cat "$work/peak.txt")"
    printf "  vorn / gegl: %.2f\n" "$(awk -v v="$vorn_seconds" -v g="$gegl_seconds" 'BEGIN { print v / g }')"
else
    echo "  gegl is missing (scripts/setup.sh installs it): no comparison"
fi
# The same run from the other formats people have (12 MP each).
convert "$work/in.png" -quality 92 "$work/in.jpg"
convert "$work/in.png" -depth 16 "$work/in16.tif"
# The same 16-bit TIFF stored as one deflate-compressed strip.
convert "$work/in.png" -depth 16 -compress zip -define tiff:rows-per-strip=3000 "$work/in16-strip.tif"
command -v cwebp > /dev/null && cwebp -quiet "$work/in.png" -o "$work/in.webp"
for input in in.jpg in.webp in16.tif in16-strip.tif; do
    [ -f "$work/$input" ] || continue
    output="out.${input##*.}"
    seconds=$(best_of_three "$dir/vorn" --amount 10 "$work/$input" "$work/$output")
    kb=$(cat "$work/peak.txt")
    printf "  vorn --amount 10 %-9s %-8s                       %6.2f s  peak %d KB (%.2f bytes a pixel)\n" \
        "$input" "$output" "$seconds" "$kb" "$(awk -v k="$kb" 'BEGIN { print k * 1024 / 12e6 }')"
done
# 100 megapixels: the peak must stay within 8.5 bytes a pixel there too.
"$dir/labcheck" make 10000 10000 3 8 "$work/in100.png" > /dev/null
seconds=$(best_of_three "$dir/vorn" --amount 10 "$work/in100.png" "$work/out100.png")
kb=$(cat "$work/peak.txt")
printf "  vorn --amount 10 on 10000x10000 in.png out.png        %6.2f s  peak %d KB (%.2f bytes a pixel)\n" \
    "$seconds" "$kb" "$(awk -v k="$kb" 'BEGIN { print k * 1024 / 100e6 }')"
