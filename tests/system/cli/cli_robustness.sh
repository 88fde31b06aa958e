#!/bin/bash
# The command-line host vorn against damaged files and hostile file
# systems: corrupt and truncated PNGs (every cut, flipped bytes, crafted
# headers and image data), bad masks, read-only output files and folders, a
# read-only file system and a full disk. Each gives exactly one line
# "vorn: error: ..." and a non-zero exit, and never leaves an output file or
# a temporary one behind (an output that existed stays as it was). Runs the
# sanitized native build, so a read past a buffer fails the test too.
# Cases that need root (mounts) or another user are skipped when that is
# not possible.
set -u
source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"
need_tool vorn vorn "${VORN_NATIVE_DIR:-}"
need_tool labcheck labcheck "${VORN_NATIVE_DIR:-}"
sample="$VORN_SOURCE_DIR/samples/sample.png"
work=$(mktemp -d)
chmod 755 "$work"
mounts=()
cleanup() {
    for mount in "${mounts[@]}"; do umount "$mount" 2> /dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1

# Commands run as an ordinary user where permissions must count (root may
# write anything): nobody, when this script runs as root.
as_user=()
user_ok=1
if [ "$(id -u)" -eq 0 ]; then
    if command -v setpriv > /dev/null && id nobody > /dev/null 2>&1 &&
        setpriv --reuid=nobody --regid="$(id -gn nobody)" --clear-groups test -x "$vorn"; then
        as_user=(setpriv --reuid=nobody --regid="$(id -gn nobody)" --clear-groups)
    else
        user_ok=0
    fi
fi

# expect_error (lib/checks.sh) runs vorn through this command when set.
runner=()

cp "$sample" in.png
size=$(stat -c %s in.png)

# --- corrupt and truncated PNGs ----------------------------------------------
: > empty.png
expect_error "empty file" out.png empty.png out.png
mkdir folder.png
expect_error "input is a folder" out.png folder.png out.png

# Every cut: the first 64 bytes one by one, then every 997th byte.
cuts=$(seq 1 64; seq 65 997 "$((size - 1))"; echo $((size - 12)) $((size - 1)))
refuses_cuts "every cut of the file" in.png cut.png out.png "^vorn: error: " $cuts

# One byte flipped, at places spread over the whole file: each lands in the
# signature, a length, a type, data or a checksum, and is noticed.
# flip_byte PLACE: in.png with the byte at PLACE changed, as flip.png.
flip_byte() {
    cp in.png flip.png
    local byte
    byte=$(od -An -tu1 -j "$1" -N1 in.png | tr -d ' ')
    printf "\\$(printf '%03o' $((byte ^ 0x41)))" | dd of=flip.png bs=1 seek="$1" conv=notrunc status=none
}
refuses_each "flipped bytes all over the file" flip_byte flip.png out.png "" \
    0 3 7 8 11 12 15 16 20 28 29 33 37 41 45 $(seq 100 1499 "$((size - 1))") $((size - 5))

# Well-formed chunks with impossible contents (checksums correct).
PYTHONPATH="$VORN_SOURCE_DIR/tests/system/lib" /usr/bin/python3 - <<'PY'
import zlib
from pngfiles import SIGNATURE, chunk, header, png
rows = lambda width, height, pixel: (b'\x00' + pixel * width) * height
files = {
    'zero-width': png(0, 10, 8, 2, zlib.compress(b'')),
    'huge': png(30000, 30000, 8, 2, zlib.compress(rows(10, 1, b'\x80\x80\x80'))),
    'giant': png(0x7fffffff, 0x7fffffff, 16, 6, zlib.compress(rows(10, 1, b'\x80' * 8))),
    'bad-depth': png(10, 10, 3, 2, zlib.compress(rows(10, 10, b'\x80\x80\x80'))),
    'bad-colour-type': png(10, 10, 8, 5, zlib.compress(rows(10, 10, b'\x80\x80\x80'))),
    'garbage-idat': png(10, 10, 8, 2, b'\x78\x9c' + bytes(range(200))),
    'short-idat': png(10, 10, 8, 2, zlib.compress(rows(10, 3, b'\x80\x80\x80'))),
    'bad-row-filter': png(10, 10, 8, 2, zlib.compress((b'\x09' + b'\x80' * 30) * 10)),
    'palette-without-plte': png(10, 10, 8, 3, zlib.compress(rows(10, 10, b'\x01'))),
    'short-interlaced': png(10, 10, 8, 2, zlib.compress(b'\x00' * 5), interlace=1),
    'no-idat': png(10, 10, 8, 2, None),
    'overlong-chunk': (SIGNATURE + header(10, 10, 8, 2)
                       + (0x7fffffff).to_bytes(4, 'big') + b'IDAT' + b'\0' * 20 + chunk(b'IEND', b'')),
}
for name, data in files.items():
    open(name + '.png', 'wb').write(data)
PY
for name in zero-width huge giant bad-depth bad-colour-type garbage-idat short-idat bad-row-filter \
    palette-without-plte short-interlaced no-idat overlong-chunk; do
    expect_error "crafted PNG: $name" out.png "$name.png" out.png
done

# --- bad masks -----------------------------------------------------------
printf 'not an image\n' > text-mask.png
expect_error "mask that is no PNG" out.png --mask text-mask.png in.png out.png
"$labcheck" disc 320 240 good-mask.png
head -c 200 good-mask.png > cut-mask.png
expect_error "truncated mask" out.png --mask cut-mask.png in.png out.png
"$labcheck" disc 321 240 wide-mask.png
expect_error "mask one column too wide" out.png \
    --mask wide-mask.png in.png out.png
"$labcheck" make 320 239 1 16 short-mask.png
expect_error "16-bit mask one row short" out.png \
    --mask short-mask.png in.png out.png
expect_error "mask that is absent" out.png --mask absent-mask.png \
    in.png out.png

# --- outputs that may not be written -------------------------------------
mkdir output-folder.png
expect_error "output is a folder" output-folder.png in.png \
    output-folder.png
[ -d output-folder.png ] && pass "the folder is still there" || fail "the output folder went"

if [ $user_ok -eq 1 ]; then
    mkdir writable
    printf 'keep me\n' > writable/read-only.png
    chmod 444 writable/read-only.png
    chmod 777 writable
    [ ${#as_user[@]} -gt 0 ] && chown nobody writable/read-only.png
    runner=("${as_user[@]}")
    expect_error "read-only output file" \
        writable/read-only.png in.png writable/read-only.png
    mkdir locked
    chmod 555 locked
    expect_error "read-only output folder" \
        locked/out.png in.png locked/out.png
    runner=()
else
    skip "read-only file and folder: running as root without setpriv or the user nobody"
fi

# --- read-only file system and full disk (mounts need root) ---------------
if [ "$(id -u)" -eq 0 ] && mkdir readonly-fs && mount -t tmpfs -o ro,size=64k tmpfs readonly-fs 2> /dev/null; then
    mounts+=("$work/readonly-fs")
    expect_error "read-only file system" \
        readonly-fs/out.png in.png readonly-fs/out.png
else
    skip "read-only file system: no tmpfs mount (needs root)"
fi

if [ "$(id -u)" -eq 0 ] && mkdir full && mount -t tmpfs -o size=64k tmpfs full 2> /dev/null; then
    mounts+=("$work/full")
    # A selection over noise keeps most of the image as it was, and stored
    # without compression the output is larger than the free room: the
    # write fails midway.
    "$labcheck" make 400 300 3 8 noise.png
    "$labcheck" disc 400 300 noise-mask.png 200 150 60
    "$vorn" --compression 0 --mask noise-mask.png noise.png full-size-check.png 2> /dev/null
    printf 'an older result\n' > full/old.png
    dd if=/dev/zero of=full/filler bs=4k count=8 status=none  # about 30k stay free
    if [ "$(stat -c %s full-size-check.png)" -gt 40000 ]; then
        expect_error "disk full during the write" \
            full/out.png --compression 0 --mask noise-mask.png noise.png full/out.png
        expect_error "disk full, replacing an older result" full/old.png \
            --compression 0 --mask noise-mask.png noise.png full/old.png
    else
        fail "the noise picture compressed too well to fill the disk"
    fi
    dd if=/dev/zero of=full/rest bs=4k status=none 2> /dev/null  # not a byte left
    expect_error "disk already full" \
        full/small.png in.png full/small.png
else
    skip "full disk: no tmpfs mount (needs root)"
fi

finish_checks
