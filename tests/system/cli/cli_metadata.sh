#!/bin/bash
# vorn keeps what is in people's files and reads what they have: a camera
# JPEG (EXIF orientation 6, an Adobe RGB profile, 300 dpi, camera fields)
# filtered to JPEG, PNG and TIFF keeps its orientation, profile and
# resolution (read back with exiftool), and lossless outputs keep every
# pixel outside the selection; WebP, HEIC and AVIF in and out; a cut-out's
# alpha and the input's own alpha as the selection; a mask drawn on the
# photo as shown; --format for standard output; truncated WebP and HEIF
# refused with one line; damaged TIFF strips and bytes after a format's end
# refused the same way whatever they are.
set -u
source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"
need_tool vorn vorn "${VORN_NATIVE_DIR:-}"
for tool in exiftool convert compare cwebp heif-enc; do
    if ! command -v $tool > /dev/null; then
        echo "skipped: $tool is not installed"
        exit 77
    fi
done
profile=/usr/share/color/icc/colord/AdobeRGB1998.icc
if [ ! -f "$profile" ]; then
    echo "skipped: no Adobe RGB profile ($profile, Debian colord-data)"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# tag FILE TAG: the tag's value as exiftool prints it.
tag() { exiftool -s3 -"$2" "$1" 2> /dev/null; }
# --- a camera JPEG ---------------------------------------------------------
convert -size 160x120 gradient:red-blue -quality 95 plain.jpg
convert plain.jpg -profile "$profile" photo.jpg
exiftool -q -overwrite_original -Orientation#=6 -XResolution=300 -YResolution=300 \
    -ResolutionUnit=inches -Make=Camerix -Model="Camerix One" photo.jpg
convert -size 160x120 xc:black -fill white -draw "rectangle 40,30 119,89" box.png
convert photo.jpg -depth 8 photo-pixels.png  # the stored pixels, not turned
for ext in jpg png tif; do
    if ! "$vorn" --seed 3 --mask box.png photo.jpg "out.$ext" 2> err.txt; then
        fail "photo to .$ext: $(head -2 err.txt)"
        continue
    fi
    [ "$(tag "out.$ext" Orientation)" = "Rotate 90 CW" ] && pass ".$ext keeps orientation 6" ||
        fail ".$ext orientation: $(tag "out.$ext" Orientation)"
    case "$(tag "out.$ext" ProfileDescription)" in
        *"Adobe RGB (1998)"*) pass ".$ext keeps the Adobe RGB profile" ;;
        *) fail ".$ext profile: $(tag "out.$ext" ProfileDescription)" ;;
    esac
    [ "$(tag "out.$ext" XResolution)" = "300" ] && [ "$(tag "out.$ext" ResolutionUnit)" = "inches" ] &&
        pass ".$ext keeps 300 dpi" || fail ".$ext resolution: $(tag "out.$ext" XResolution)"
    if [ "$ext" != tif ]; then
        [ "$(tag "out.$ext" Model)" = "Camerix One" ] && pass ".$ext keeps the camera fields" ||
            fail ".$ext camera: $(tag "out.$ext" Model)"
        [ "$(tag "out.$ext" Software)" = "Vorn $(sed -n 's/^project(Vorn VERSION \([0-9.]*\).*/\1/p' \
            "$VORN_SOURCE_DIR/CMakeLists.txt")" ] && pass ".$ext names Vorn as its software" ||
            fail ".$ext software: $(tag "out.$ext" Software)"
        [ "$(tag "out.$ext" ImageDescription)" = "Labyrinth by Vorn, Amount 10, seed 3" ] &&
            pass ".$ext records Amount and seed" || fail ".$ext description: $(tag "out.$ext" ImageDescription)"
    fi
    if [ "$ext" != jpg ]; then
        same_outside "out.$ext" photo-pixels.png box.png &&
            pass ".$ext: every pixel outside the selection as read" ||
            fail ".$ext: pixels outside the selection changed"
    fi
done
[ "$(tag out.png Description)" = "Labyrinth by Vorn, Amount 10, seed 3" ] &&
    pass "PNG text chunk records Amount and seed" || fail "PNG text: $(tag out.png Description)"

# --- a mask drawn on the photo as shown (120 x 160) --------------------------
# Shown top half is the stored left half (orientation 6).
convert -size 120x160 xc:black -fill white -draw "rectangle 0,0 119,79" shown-mask.png
convert -size 160x120 xc:black -fill white -draw "rectangle 0,0 79,119" stored-half.png
if "$vorn" --seed 3 --mask shown-mask.png photo.jpg turned.png 2> err.txt; then
    same_outside turned.png photo-pixels.png stored-half.png &&
        ! same_outside turned.png photo-pixels.png box.png &&
        pass "a mask drawn on the shown photo is turned to the stored pixels" ||
        fail "the turned mask selected the wrong pixels"
else
    fail "turned mask: $(head -2 err.txt)"
fi
convert -size 160x120 gradient:white-black plain.png
expect_error "a swapped mask the image cannot explain" o.png \
    --mask shown-mask.png plain.png o.png

# --- cut-outs: a mask's alpha, the input's own alpha -------------------------
convert -size 160x120 xc:none -fill red -draw "rectangle 40,30 119,89" cutout.png
if "$vorn" --seed 3 --mask cutout.png plain.png cut-sel.png 2> err.txt &&
    same_outside cut-sel.png plain.png box.png && ! same_outside cut-sel.png plain.png stored-half.png; then
    pass "a cut-out's alpha is the selection"
else
    fail "cut-out mask: $(head -2 err.txt)"
fi
convert plain.png \( box.png \) -alpha off -compose CopyOpacity -composite with-alpha.png
if "$vorn" --seed 3 --mask alpha with-alpha.png own-alpha.png 2> err.txt &&
    same_outside own-alpha.png with-alpha.png box.png; then
    pass "--mask alpha selects by the input's own alpha"
else
    fail "--mask alpha: $(head -2 err.txt)"
fi
expect_error "--mask alpha without alpha" o.png --mask alpha plain.png o.png

# --- WebP, HEIC, AVIF ---------------------------------------------------------
convert -size 160x120 gradient:yellow-green web.png
cwebp -quiet web.png -o in.webp
heif-enc -q 90 web.png -o in.heic > /dev/null 2>&1
for input in in.webp in.heic; do
    for ext in webp heic avif png; do
        if "$vorn" --seed 2 "$input" "from-$input.$ext" 2> err.txt; then
            type=$(tag "from-$input.$ext" FileType)
            case "$ext:$type" in
                webp:*WEBP | heic:HEIC | avif:AVIF | png:PNG) pass "$input to .$ext ($type)" ;;
                *) fail "$input to .$ext gave $type" ;;
            esac
        else
            fail "$input to .$ext: $(head -2 err.txt)"
        fi
    done
done
if "$vorn" --seed 2 in.webp back.png 2> err.txt && [ "$(identify -format %wx%h back.png)" = 160x120 ]; then
    pass "WebP read at its size"
else
    fail "WebP read: $(head -2 err.txt)"
fi

# --- --format and standard output ----------------------------------------------
if "$vorn" --seed 2 --format webp web.png - > stdout.webp 2> err.txt &&
    [ "$(head -c 4 stdout.webp)" = RIFF ] && [ "$(tail -c +9 stdout.webp | head -c 4)" = WEBP ]; then
    pass "--format webp writes WebP to standard output"
else
    fail "--format webp to -: $(head -2 err.txt)"
fi
"$vorn" --seed 2 --format tif web.png named.png 2> err.txt && [ "$(head -c 2 named.png)" = II ] &&
    pass "--format names the format whatever the output's name" || fail "--format tif: $(head -2 err.txt)"
expect_error "--format unknown" o.png --format xyz web.png o.png

# --- truncated WebP and HEIF ----------------------------------------------------
head -c $(($(stat -c %s in.webp) / 2)) in.webp > cut.webp
expect_error "truncated WebP" o.png cut.webp o.png
head -c $(($(stat -c %s in.heic) / 2)) in.heic > cut.heic
expect_error "truncated HEIF" o.png cut.heic o.png

# --- damaged strips, bytes after the end --------------------------------------
# A TIFF strip whose offset and size are 0, and one that claims more bytes
# than the file holds: refused, not filled with gray or header bytes.
/usr/bin/python3 - <<'PY'
import struct
def tiff(offset, size, data=b''):
    entries = [(256, 3, 16), (257, 3, 16), (258, 3, 8), (259, 3, 1), (262, 3, 1),
               (273, 4, offset), (277, 3, 1), (278, 3, 16), (279, 4, size)]
    out = b'II*\x00' + struct.pack('<I', 8 + len(data)) + data + struct.pack('<H', len(entries))
    for tag, kind, value in entries:
        out += struct.pack('<HHI', tag, kind, 1)
        out += struct.pack('<HH', value, 0) if kind == 3 else struct.pack('<I', value)
    return out + struct.pack('<I', 0)
open('zero-strip.tif', 'wb').write(tiff(0, 0))
open('short-strip.tif', 'wb').write(tiff(8, 256, bytes(range(100))))
PY
expect_error "TIFF strip at offset 0, size 0" o.png \
    zero-strip.tif o.png
expect_error "TIFF strip longer than the file" o.png \
    short-strip.tif o.png
# Whatever follows the end marker, it is refused the same way.
cp plain.png padded.png && head -c 64 /dev/zero >> padded.png
cp plain.png junk.png && printf 'junk after the end' >> junk.png
expect_error "zero bytes after IEND" \
    o.png padded.png o.png
expect_error "text after IEND" \
    o.png junk.png o.png
cp plain.jpg junk.jpg && printf 'junk after the end' >> junk.jpg
expect_error "bytes after a JPEG's end" \
    o.png junk.jpg o.png
if cat junk.png | "$vorn" - o-stream.png 2> err.txt; then
    fail "bytes after IEND on standard input were accepted"
else
    grep -q "bytes after its IEND chunk" err.txt && pass "bytes after IEND refused on standard input too" ||
        fail "bytes after IEND on standard input: $(head -2 err.txt)"
fi

finish_checks
