#!/bin/bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs them:
# fuzz_plugin over the seed corpus in fuzz/corpus, then fuzz_images (the
# command line's image and mask readers) over small PNG, JPEG and TIFF files
# made here.
#   scripts/fuzz.sh           a short run: 20000 inputs of the plug-in and
#                             FUZZ_IMAGE_RUNS (5000) image files (what CI runs)
#   scripts/fuzz.sh --long    an hour, or FUZZ_SECONDS seconds
#   scripts/fuzz.sh --replay FILE...   runs just these inputs (plug-in)
#   scripts/fuzz.sh --replay-images FILE...   the same for the image readers
# Build folder: $VORN_FUZZ_BUILD_DIR, default build/fuzz. Inputs the run
# finds go to <build>/corpus (never into the repository); a crashing input
# is written to <build>/artifacts/ and the script fails. Exits 77 when
# clang or libFuzzer is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
build_dir=${VORN_FUZZ_BUILD_DIR:-build/fuzz}
mode=${1:-short}

if ! command -v clang++ > /dev/null; then
    echo "clang++ is not installed: skipped"
    exit 77
fi
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
        clang++ -x c++ -fsanitize=fuzzer - -o /tmp/vorn-fuzz-probe.$$ > /dev/null 2>&1; then
    rm -f /tmp/vorn-fuzz-probe.$$
    echo "clang's libFuzzer runtime is not installed: skipped"
    exit 77
fi
rm -f /tmp/vorn-fuzz-probe.$$

cmake -S fuzz -B "$build_dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build "$build_dir" -j2 > "$build_dir/build.log" 2>&1 || { cat "$build_dir/build.log"; exit 1; }

mkdir -p "$build_dir/corpus" "$build_dir/artifacts" "$build_dir/image-corpus" "$build_dir/image-seeds"
# Seeds of the image readers: a few small files of each kind.
/usr/bin/python3 - "$build_dir/image-seeds" <<'PY'
import struct, sys, zlib
folder = sys.argv[1]
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
def png(width, height, depth, colour, rows, interlace=0, extra=b''):
    header = struct.pack('>IIBBBBB', width, height, depth, colour, 0, 0, interlace)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + extra + chunk(b'IDAT', zlib.compress(rows))
            + chunk(b'IEND', b''))
seeds = {
    'gray8': png(5, 3, 8, 0, b''.join(b'\0' + bytes(range(y, y + 5)) for y in range(3))),
    'rgb8': png(4, 2, 8, 2, (b'\1' + bytes(range(12))) * 2),
    'rgba16': png(2, 2, 16, 6, (b'\0' + bytes(range(16))) * 2),
    'palette2': png(4, 2, 2, 3, b'\0\x1b\0\xe4', extra=chunk(b'PLTE', bytes(range(12))) + chunk(b'tRNS', b'\0\x80')),
    'interlaced': png(9, 9, 8, 4, b''.join(b'\0' + bytes(range(18)) for _ in range(13)), interlace=1),
    'graykey16': png(3, 1, 16, 0, b'\0' + bytes(range(6)), extra=chunk(b'tRNS', b'\0\1')),
}
for name, data in seeds.items():
    open(folder + '/' + name + '.png', 'wb').write(data)
PY
if command -v convert > /dev/null; then
    convert -size 16x12 gradient:red-blue -quality 80 "$build_dir/image-seeds/rgb.jpg"
    convert -size 16x12 gradient: -colorspace Gray -quality 80 -interlace JPEG "$build_dir/image-seeds/gray-progressive.jpg"
    convert -size 16x12 gradient:red-blue -depth 16 -compress lzw "$build_dir/image-seeds/rgb16-lzw.tif"
    convert -size 16x12 gradient: -alpha set -compress zip "$build_dir/image-seeds/graya-zip.tif"
    convert -size 32x32 gradient: -define tiff:tile-geometry=16x16 "$build_dir/image-seeds/tiled.tif"
    convert -size 16x12 gradient:red-blue -interlace plane "$build_dir/image-seeds/planar.tif"
fi
# A process whose heap refuses blocks over 256 MB, as a 32-bit host's does
# long before: the plug-in must answer out of memory, not crash.
export ASAN_OPTIONS=${ASAN_OPTIONS:-allocator_may_return_null=1:max_allocation_size_mb=256:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
options=(-artifact_prefix="$build_dir/artifacts/" -max_len=512 -timeout=20 -rss_limit_mb=3072
         -malloc_limit_mb=4096 -print_final_stats=1)
image_options=(-artifact_prefix="$build_dir/artifacts/images-" -max_len=4096 -timeout=20
               -rss_limit_mb=2048 -malloc_limit_mb=1024 -print_final_stats=1)

case "$mode" in
    --replay)
        shift
        exec "$build_dir/fuzz_plugin" "${options[@]}" "$@"
        ;;
    --replay-images)
        shift
        exec "$build_dir/fuzz_images" "${image_options[@]}" "$@"
        ;;
    --long)
        seconds=${FUZZ_SECONDS:-3600}
        "$build_dir/fuzz_plugin" "${options[@]}" -max_total_time="$seconds" \
            "$build_dir/corpus" "$source_dir/fuzz/corpus"
        exec "$build_dir/fuzz_images" "${image_options[@]}" -max_total_time="$seconds" \
            "$build_dir/image-corpus" "$build_dir/image-seeds"
        ;;
    *)
        "$build_dir/fuzz_plugin" "${options[@]}" -runs="${FUZZ_RUNS:-20000}" -seed=1 \
            -max_total_time=120 "$build_dir/corpus" "$source_dir/fuzz/corpus"
        exec "$build_dir/fuzz_images" "${image_options[@]}" -runs="${FUZZ_IMAGE_RUNS:-5000}" -seed=1 \
            -max_total_time=90 "$build_dir/image-corpus" "$build_dir/image-seeds"
        ;;
esac
