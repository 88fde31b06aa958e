#!/bin/bash
# vorn with JPEG and TIFF as well as PNG: the input's format found from its
# content, the output's from its name; depth and channels kept where the
# format holds them; damaged files, headers that claim huge images and
# decompression bombs refused with one line, quickly and in little memory.
# Test images come from ImageMagick (an encoder other than ours) and from
# python3, made here.
set -u
source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"
need_tool vorn vorn "${VORN_RELEASE_DIR:-}"
need_tool labcheck labcheck "${VORN_RELEASE_DIR:-}"
need_commands convert identify
samples="$VORN_SOURCE_DIR/samples"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# file_kind FILE: the format by its first bytes.
file_kind() {
    local magic
    magic=$(head -c 4 "$1" | od -An -tx1 | tr -d ' \n')
    case "$magic" in
        89504e47) echo png ;;
        ffd8ff*) echo jpeg ;;
        49492a00 | 4d4d002a) echo tiff ;;
        *) echo "unknown ($magic)" ;;
    esac
}

# --- JPEG in, PNG out ------------------------------------------------------
convert "$samples/sample.png" -quality 90 photo.jpg
"$vorn" --seed 3 photo.jpg maze.png
[ "$(file_kind maze.png)" = png ] && pass "vorn photo.jpg maze.png writes a PNG" ||
    fail "maze.png is $(file_kind maze.png)"
check_labyrinth "JPEG input" photo.jpg maze.png 10 black white
convert "$samples/sample.png" -colorspace Gray -quality 90 gray.jpg
"$vorn" --seed 3 gray.jpg gray-maze.png
[ "$("$labcheck" info gray-maze.png)" = "320 240 1 8" ] && pass "a gray JPEG stays gray" ||
    fail "gray JPEG came out as $("$labcheck" info gray-maze.png)"
convert "$samples/sample.png" -quality 90 -interlace JPEG progressive.jpg
"$vorn" --seed 3 progressive.jpg progressive.png
check_labyrinth "progressive JPEG input" progressive.jpg progressive.png 10 black white

# --- PNG in, JPEG out --------------------------------------------------------
"$vorn" --seed 3 "$samples/sample.png" out.jpg
if [ "$(file_kind out.jpg)" = jpeg ] && [ "$(identify -format '%m %w %h' out.jpg)" = "JPEG 320 240" ]; then
    pass "vorn in.png out.jpg writes a real JPEG ($(stat -c %s out.jpg) bytes)"
else
    fail "out.jpg is $(file_kind out.jpg): $(identify out.jpg 2>&1)"
fi
# Lossy, but close: walls and corridors are still black and white.
"$vorn" --seed 3 "$samples/sample.png" exact.png
difference=$(compare -metric MAE exact.png out.jpg null: 2>&1 | sed 's/ .*//')
if awk -v d="$difference" 'BEGIN { exit !(d < 6000) }'; then
    pass "the JPEG is close to the PNG result (mean error $difference of 65535)"
else
    fail "the JPEG differs from the PNG result by $difference"
fi
"$vorn" --seed 3 --quality 40 "$samples/sample.png" small.jpg
"$vorn" --seed 3 --quality 100 "$samples/sample.png" large.jpg
if [ "$(stat -c %s small.jpg)" -lt "$(stat -c %s out.jpg)" ] &&
    [ "$(stat -c %s out.jpg)" -lt "$(stat -c %s large.jpg)" ]; then
    pass "--quality 40 < default 92 < 100 in size"
else
    fail "--quality has no effect: $(stat -c %s small.jpg out.jpg large.jpg)"
fi
for name in OUT.JPG out.JPEG out.Tif out.TIFF OUT.PNG; do
    "$vorn" --seed 3 "$samples/sample.png" "$name" 2> stderr.txt
    want=$(echo "$name" | tr 'A-Z' 'a-z' | sed 's/.*\.//; s/jpg/jpeg/; s/tif$/tiff/')
    [ "$(file_kind "$name")" = "$want" ] && pass "$name is written as $want" ||
        fail "$name is $(file_kind "$name"): $(cat stderr.txt)"
done

# --- TIFF, 16 bits kept --------------------------------------------------------
"$labcheck" make 300 200 3 16 deep16.tif
"$vorn" --seed 4 deep16.tif out.tif
if [ "$(file_kind out.tif)" = tiff ] && [ "$("$labcheck" info out.tif)" = "300 200 3 16" ] &&
    [ "$(identify -format '%z' out.tif)" = 16 ]; then
    pass "vorn deep16.tif out.tif keeps 16 bits"
else
    fail "out.tif: $(file_kind out.tif), $("$labcheck" info out.tif), $(identify out.tif 2>&1)"
fi
check_labyrinth "16-bit TIFF, untouched samples bit for bit" deep16.tif out.tif 10 black white
"$labcheck" make 300 200 4 16 deep16a.tif
"$labcheck" disc 300 200 disc.png
"$vorn" --seed 4 --mask disc.png deep16a.tif out16a.tif
check_labyrinth "16-bit RGBA TIFF in a disc selection" deep16a.tif out16a.tif 10 black white disc.png
"$vorn" --seed 4 deep16.tif deep16.png
[ "$("$labcheck" info deep16.png)" = "300 200 3 16" ] && pass "16-bit TIFF to PNG stays 16-bit" ||
    fail "deep16.png is $("$labcheck" info deep16.png)"
"$vorn" --seed 4 deep16.tif deep8.jpg
[ "$(identify -format '%z' deep8.jpg)" = 8 ] && pass "16-bit TIFF to JPEG is 8-bit" ||
    fail "deep8.jpg: $(identify deep8.jpg 2>&1)"

# TIFF kinds ImageMagick writes: gray, alpha, LZW, tiles, separate planes.
convert "$samples/sample.png" -colorspace Gray -depth 8 gray8.tif
convert "$samples/sample.png" -alpha set -channel A -evaluate set 60% +channel rgba.tif
convert "$samples/sample.png" -depth 16 -compress lzw rgb16-lzw.tif
convert "$samples/sample.png" -define tiff:tile-geometry=64x64 tiled.tif
convert "$samples/sample.png" -interlace plane planar.tif
convert "$samples/sample.png" -compress zip -depth 16 -colorspace Gray gray16-zip.tif
for name in gray8 rgba rgb16-lzw tiled planar gray16-zip; do
    if "$vorn" --seed 5 "$name.tif" "$name-out.tif" 2> stderr.txt; then
        check_labyrinth "TIFF from ImageMagick: $name ($("$labcheck" info "$name.tif"))" \
            "$name.tif" "$name-out.tif" 10 black white
    else
        fail "TIFF from ImageMagick: $name: $(cat stderr.txt)"
    fi
done
# A mask in TIFF and in JPEG (gray).
convert disc.png disc-mask.tif
"$vorn" --seed 4 --mask disc-mask.tif deep16.tif masked.tif
check_labyrinth "a TIFF mask" deep16.tif masked.tif 10 black white disc.png

# --- refusals ------------------------------------------------------------------
expect_error "unknown output extension" out.xyz \
    "$samples/sample.png" out.xyz
expect_error "unknown extension refused before reading" out.xyz \
    no-such-input.png out.xyz
expect_error "no extension" out "$samples/sample.png" out
expect_error "alpha into JPEG" alpha.jpg rgba.tif alpha.jpg
expect_error "--quality out of range" o.jpg \
    --quality 0 "$samples/sample.png" o.jpg
expect_error "--compression out of range" o.png \
    --compression 10 "$samples/sample.png" o.png
printf 'GIF89a not really\n' > text.gif
expect_error "a GIF that is no image" o.png text.gif o.png
start=$(date +%s%N)
expect_error "/dev/zero as input" o.png /dev/zero o.png
elapsed=$((($(date +%s%N) - start) / 1000000))
[ $elapsed -lt 2000 ] && pass "/dev/zero refused at once ($elapsed ms)" || fail "/dev/zero took $elapsed ms"

# Truncated and damaged JPEG and TIFF: one line, no file.
size=$(stat -c %s photo.jpg)
refuses_cuts "truncated JPEGs" photo.jpg cut.jpg o.png "^vorn: error: cut.jpg: " \
    2 3 10 100 300 $((size / 2)) $((size - 300)) $((size - 2))
head -c $((size / 2)) photo.jpg > half.jpg
expect_error "JPEG cut in half" o.png half.jpg o.png
# damage_jpeg PLACE: photo.jpg with an end-of-image marker and junk at PLACE.
damage_jpeg() {
    cp photo.jpg flip.jpg
    printf '\xff\xd9\x00\x17' | dd of=flip.jpg bs=1 seek="$1" conv=notrunc status=none
}
refuses_each "damaged JPEG data" damage_jpeg flip.jpg o.png "" 200 1000 2000 $((size / 2)) $((size - 100))
for name in deep16 rgb16-lzw tiled planar; do
    size=$(stat -c %s "$name.tif")
    refuses_cuts "truncated TIFF ($name)" "$name.tif" cut.tif o.png "^vorn: error: cut.tif: " \
        4 8 100 $((size / 3)) $((size / 2))
done

# --- headers claiming huge images, decompression bombs -------------------------
# Each runs in an address space of $bound KB and must be refused at once.
bound=300000
# Headers that claim huge images in each format: 40000 x 20000 (beyond
# the host's sides), and 30000 x 30000 with nothing behind it (below);
# PNG chunks that claim 2 GB or inflate to 1 GB.
convert -size 64x64 xc:gray small.jpg
PYTHONPATH="$VORN_SOURCE_DIR/tests/system/lib" /usr/bin/python3 - <<'PY'
import struct, zlib
from pngfiles import chunk, png

def claimed_tiff(name, width, height, strip):
    """A TIFF header claiming width x height RGB in one strip of strip bytes."""
    entries = [(256, 4, 1, width), (257, 4, 1, height), (258, 3, 1, 8), (259, 3, 1, 1),
               (262, 3, 1, 2), (273, 4, 1, 8), (277, 3, 1, 3), (278, 4, 1, height), (279, 4, 1, strip)]
    ifd = struct.pack('<H', len(entries)) + b''.join(struct.pack('<HHII', *e) for e in entries) + b'\0\0\0\0'
    open(name, 'wb').write(b'II*\0' + struct.pack('<I', 8 + 1000) + b'\0' * 1000 + ifd)

def claimed_jpeg(name, width, height):
    """small.jpg with a frame header that claims width x height."""
    data = bytearray(open('small.jpg', 'rb').read())
    at = 2
    while at < len(data):
        marker, length = data[at + 1], struct.unpack('>H', data[at + 2:at + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            data[at + 5:at + 9] = struct.pack('>HH', height, width)
            break
        at += 2 + length
    open(name, 'wb').write(bytes(data))

open('claims-40000x20000.png', 'wb').write(png(40000, 20000, 8, 2, zlib.compress(b'\0' * 120001)))
claimed_tiff('claims-40000x20000.tif', 40000, 20000, 2400000000)
claimed_jpeg('claims-40000x20000.jpg', 40000, 20000)
claimed_tiff('claims-huge.tif', 30000, 30000, 2700000000)
claimed_jpeg('claims-huge.jpg', 30000, 30000)
open('claims-huge.png', 'wb').write(png(30000, 30000, 16, 6, zlib.compress(b'\0' * 10)))
# 100 x 100 gray whose data inflates to a gigabyte, and text and profile
# chunks that do.
packer = zlib.compressobj(9)
block = b'\0' * (1 << 24)
packed = b''.join(packer.compress(block) for _ in range(64)) + packer.flush()
open('bomb.png', 'wb').write(png(100, 100, 8, 0, packed))
small = zlib.compress(b'\0' * 11 * 10)
open('text-bomb.png', 'wb').write(png(10, 10, 8, 0, small, more=chunk(b'zTXt', b'Comment\0\0' + packed)))
open('profile-bomb.png', 'wb').write(png(10, 10, 8, 0, small, more=chunk(b'iCCP', b'icc\0\0' + packed)))
open('long-chunk.png', 'wb').write(png(10, 10, 8, 0, small, more=struct.pack('>I', 0x7ffffff0) + b'tEXt' + b'abc'))
PY
# bounded WHAT ARGS...: refused with the one line cli_formats.messages
# gives for WHAT, in $bound KB, within 3 s.
bounded() {
    local what=$1
    shift
    expected_error "$what" || { fail "$what: no expected message"; return; }
    local text=$expected_text
    local start elapsed
    start=$(date +%s%N)
    ( ulimit -v $bound; exec /usr/bin/time -f "%M" -o rss.txt "$vorn" "$@" ) > /dev/null 2> stderr.txt
    local status=$?
    elapsed=$((($(date +%s%N) - start) / 1000000))
    if [ $status -eq 0 ] || [ $status -ge 128 ] || [ "$(wc -l < stderr.txt)" -ne 1 ] ||
        { [ -n "$expected_status" ] && [ $status -ne "$expected_status" ]; } ||
        ! grep -q "^vorn: error: .*$text" stderr.txt || [ -e o.png ]; then
        fail "$what: exit $status, $(head -3 stderr.txt)"
        rm -f o.png
    elif [ $elapsed -ge 3000 ]; then
        fail "$what: took $elapsed ms"
    else
        pass "$what (exit $status): $elapsed ms, peak $(tail -1 rss.txt) KB resident, in $bound KB of address space: $(cat stderr.txt)"
    fi
}
bounded "PNG header claiming 40000x20000" claims-40000x20000.png o.png
bounded "TIFF header claiming 40000x20000" claims-40000x20000.tif o.png
bounded "JPEG header claiming 40000x20000" claims-40000x20000.jpg o.png
bounded "PNG bomb (100x100, inflates to 1 GB)" bomb.png o.png
"$labcheck" make 100 100 1 8 small.png
bounded "PNG bomb as a mask" --mask bomb.png small.png o.png
bounded "mask header claiming 40000x20000" --mask claims-40000x20000.tif \
    small.png o.png
bounded "mask of the wrong size, refused from its header" \
    --mask "$samples/disc-mask.png" small.png o.png

# --- what reading costs is bounded by what the file holds ------------------------
# The headers that claim 30000 x 30000 with nothing behind them, the 2 GB chunk and the
# text and profile bombs each cost well under a second and 200 MB, from a
# file and from a pipe, with no limit on the address space (so the host's
# buffer is not simply refused by the memory check).
# costs_little WHAT FILE: run on FILE and on FILE through a pipe; refused
# with the line the messages give for WHAT (or, for a case with no
# message, anything but a crash), in under 3 s and 200 MB each time.
costs_little() {
    local what=$1 file=$2 way start elapsed status rss
    for way in file pipe; do
        rm -f o.png
        start=$(date +%s%N)
        if [ $way = file ]; then
            /usr/bin/time -f "%M" -o rss.txt "$vorn" --seed 1 "$file" o.png 2> err.txt
        else
            cat "$file" | /usr/bin/time -f "%M" -o rss.txt "$vorn" --seed 1 - o.png 2> err.txt
        fi
        status=$?
        elapsed=$((($(date +%s%N) - start) / 1000000))
        rss=$(tail -1 rss.txt)
        if [ $status -ge 128 ] || [ "$elapsed" -ge 3000 ] || [ "$rss" -ge 200000 ]; then
            fail "$what ($way): exit $status, $elapsed ms, $rss KB: $(head -2 err.txt)"
        elif expected_error "$what" 2> /dev/null; then
            if [ $status -ne 0 ] && [ "$(grep -c . err.txt)" -eq 1 ] && [ ! -e o.png ] &&
                grep -q "^vorn: error: .*$expected_text" err.txt; then
                pass "$what ($way): $elapsed ms, $rss KB: $(cat err.txt)"
            else
                fail "$what ($way): exit $status: $(head -2 err.txt)"
            fi
        else
            pass "$what ($way): exit $status, $elapsed ms, $rss KB"
        fi
    done
}
costs_little "a 68-byte PNG claiming 30000x30000 16-bit RGBA" claims-huge.png
costs_little "a PNG chunk claiming 2 GB" long-chunk.png
costs_little "a JPEG claiming 30000x30000" claims-huge.jpg
costs_little "a TIFF claiming 30000x30000" claims-huge.tif
costs_little "a text chunk inflating to 1 GB" text-bomb.png
costs_little "a colour profile inflating to 1 GB" profile-bomb.png

finish_checks
