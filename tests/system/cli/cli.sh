#!/bin/bash
# The command-line host vorn end to end: labyrinths that follow the rules
# (colours, lattice, outline, untouched pixels), seeds, every PNG kind,
# selections, progress, Ctrl-C and every error it reports.
# Runs the sanitized native build of vorn when there is one (a leak or a bad
# access fails the run), else the optimised one; labcheck and the
# address-space limits (which the sanitizers cannot run under) use the
# optimised build.
set -u
source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"
release_vorn="${VORN_RELEASE_DIR:-}/vorn"
need_tool vorn vorn "${VORN_NATIVE_DIR:-}" "${VORN_RELEASE_DIR:-}"
need_tool labcheck labcheck "${VORN_RELEASE_DIR:-}" "$(dirname "$vorn")"
samples="$VORN_SOURCE_DIR/samples"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1


# --- labyrinths on the sample picture ------------------------------------
"$vorn" --seed 1 "$samples/sample.png" plain.png
check_labyrinth "whole image, default colours" "$samples/sample.png" plain.png 10 black white
"$vorn" --seed 1 --mask "$samples/disc-mask.png" "$samples/sample.png" disc.png
check_labyrinth "disc selection follows the outline" "$samples/sample.png" disc.png 10 black white \
    "$samples/disc-mask.png"
"$vorn" --seed 7 --amount 3 --fg '#ff2010' --bg '#10ff80' "$samples/sample.png" coloured.png
check_labyrinth "amount 3, own colours" "$samples/sample.png" coloured.png 3 '#ff2010' '#10ff80'
"$vorn" --seed 7 --amount 1 "$samples/sample.png" pitch2.png
check_labyrinth "amount 1 (pitch 2)" "$samples/sample.png" pitch2.png 1 black white

# A selection cut by the image's edges, on an odd-sized image.
"$labcheck" make 203 117 3 8 rgb.png
"$labcheck" disc 203 117 edge-mask.png 190 20 70
"$vorn" --seed 2 --amount 5 --mask edge-mask.png rgb.png edge.png
check_labyrinth "selection cut by the image edges" rgb.png edge.png 5 black white edge-mask.png

# --- seeds ---------------------------------------------------------------
"$vorn" --seed 1 "$samples/sample.png" plain-again.png
if "$labcheck" same plain.png plain-again.png; then pass "same seed, same labyrinth"; else fail "same seed gave another labyrinth"; fi
"$vorn" --seed 2 "$samples/sample.png" seed2.png
if "$labcheck" same plain.png seed2.png; then fail "another seed gave the same labyrinth"; else pass "another seed, another labyrinth"; fi
"$vorn" "$samples/sample.png" unseeded1.png
"$vorn" "$samples/sample.png" unseeded2.png
if "$labcheck" same unseeded1.png unseeded2.png; then fail "two unseeded runs gave the same labyrinth"; else pass "unseeded runs differ"; fi

# --- every PNG kind: written back in its own kind, alpha untouched ------
for kind in "1 8" "2 8" "3 8" "4 8" "1 16" "2 16" "3 16" "4 16"; do
    set -- $kind
    "$labcheck" make 150 91 "$1" "$2" "in-$1-$2.png"
    cp "in-$1-$2.png" "pristine-$1-$2.png"
    "$vorn" --seed 3 --amount 6 --fg '#c83214' --bg white "in-$1-$2.png" "out-$1-$2.png"
    if [ "$("$labcheck" info "out-$1-$2.png")" = "150 91 $1 $2" ]; then
        pass "$1 channels at $2 bits written back in the same kind"
    else
        fail "$1 channels at $2 bits came back as $("$labcheck" info "out-$1-$2.png")"
    fi
    check_labyrinth "$1 channels at $2 bits" "in-$1-$2.png" "out-$1-$2.png" 6 '#c83214' white
    # With a selection, pixels outside it (odd 16-bit values included) and
    # the alpha channel come back bit for bit.
    "$labcheck" disc 150 91 kind-mask.png
    "$vorn" --seed 3 --mask kind-mask.png "in-$1-$2.png" "masked-$1-$2.png"
    check_labyrinth "$1 channels at $2 bits with a selection" "in-$1-$2.png" "masked-$1-$2.png" 10 \
        black white kind-mask.png
    if cmp -s "in-$1-$2.png" "pristine-$1-$2.png"; then :; else fail "input $1/$2 was modified"; fi
done

# --- a selection of nothing ---------------------------------------------
"$labcheck" disc 320 240 empty-mask.png -100 -100 1
if "$vorn" --mask empty-mask.png "$samples/sample.png" untouched.png 2> note.txt &&
    "$labcheck" same "$samples/sample.png" untouched.png && grep -q "selects nothing" note.txt; then
    pass "an empty selection leaves the image as it is: $(cat note.txt)"
else
    fail "empty selection: $(cat note.txt)"
fi

# --- progress --------------------------------------------------------------
"$vorn" --seed 1 --progress "$samples/sample.png" progress.png 2> progress.txt
if grep -q "painting \[#*\] 100%" progress.txt; then pass "progress bar reaches 100%"; else fail "progress: $(cat progress.txt)"; fi
"$vorn" --seed 1 "$samples/sample.png" quiet.png 2> quiet.txt
if [ ! -s quiet.txt ]; then pass "no progress bar when stderr is no terminal"; else fail "unasked output: $(cat quiet.txt)"; fi

# --- Ctrl-C ----------------------------------------------------------------
"$labcheck" make 5000 4000 3 8 big.png
# A script's background jobs ignore SIGINT, which vorn leaves ignored.
env --default-signal=INT "$vorn" --seed 1 --amount 1 big.png big-out.png 2> interrupt.txt &
pid=$!
sleep 0.5
kill -INT $pid
wait $pid
status=$?
if [ $status -eq 130 ] && grep -q "interrupted; big-out.png was not written" interrupt.txt &&
    [ ! -e big-out.png ] && ! compgen -G ".vorn-*" > /dev/null; then
    pass "Ctrl-C: $(cat interrupt.txt)"
else
    fail "Ctrl-C: exit $status, $(cat interrupt.txt)"
fi

# --- errors ------------------------------------------------------------
expect_error "missing input" o1.png absent.png o1.png
printf 'just some text\n' > text.png
expect_error "not an image" o2.png text.png o2.png
head -c 300 "$samples/sample.png" > truncated.png
expect_error "truncated PNG" o3.png truncated.png o3.png
cp "$samples/sample.png" flipped.png
printf '\x55' | dd of=flipped.png bs=1 seek=2000 conv=notrunc status=none
expect_error "corrupt PNG" o4.png flipped.png o4.png
"$labcheck" make 10 10 1 8 small-mask.png
expect_error "mask of the wrong size" o5.png \
    --mask small-mask.png "$samples/sample.png" o5.png
# A colour mask selects by its luminance: the sample over itself selects
# nearly all of it.
if "$vorn" --seed 1 --mask "$samples/sample.png" "$samples/sample.png" o6.png 2> o6.txt && [ -s o6.png ] &&
    ! "$labcheck" same o6.png "$samples/sample.png" 2> /dev/null; then
    pass "colour mask read by its luminance"
else
    fail "colour mask: $(head -2 o6.txt)"
fi
expect_error "refused Amount" o7.png \
    --amount -1 "$samples/sample.png" o7.png
expect_error "unwritable output" no/such/folder/o8.png \
    "$samples/sample.png" no/such/folder/o8.png
cp "$samples/sample.png" same.png
expect_error "output is the input" nothing.png same.png ./same.png
cmp -s same.png "$samples/sample.png" && pass "the input was left as it was" || fail "the input was changed"
expect_error "unknown option" o9.png --colour red a.png o9.png
expect_error "bad colour" o10.png --fg '#12345' a.png o10.png
expect_error "dialog natively" o11.png --dialog "$samples/sample.png" o11.png
expect_error "plug-in file natively" o12.png --plugin x.8bf \
    "$samples/sample.png" o12.png
"$labcheck" make 40000 2 1 8 wide.png
expect_error "image too wide for the host records" \
    o14.png wide.png o14.png
expect_error "--list natively" "" --list x.8bf
"$labcheck" make 4000 4000 1 8 large-gray.png
# Address space running out at different points (before decoding, in
# the plug-in's grid or list, while writing): every limit either gives a
# whole result or one "out of memory" line and no output, and the tighter
# ones do fail.
unlimited_vorn=$vorn
vorn=./limited-vorn
memory_failures=0
# libvips and the libraries it loads take about 150 MB of address space
# before the first pixel, so the limits start above that.
limits="180000 190000 200000 210000 240000 300000"
if [ ! -x "$release_vorn" ]; then
    skip "address-space limits: no optimised build of vorn"
    limits=""
fi
for limit in $limits; do
    printf '#!/bin/bash\nulimit -v %s\nexec "%s" "$@"\n' "$limit" "$release_vorn" > limited-vorn
    chmod +x limited-vorn
    rm -f o13.png
    if ./limited-vorn large-gray.png o13.png 2> oom.txt; then
        [ -s o13.png ] && pass "address space $limit KB: completed" ||
            fail "address space $limit KB: success without output"
    else
        memory_failures=$((memory_failures + 1))
        expect_error "address space $limit KB" o13.png large-gray.png o13.png
    fi
done
if [ -n "$limits" ]; then
    [ $memory_failures -gt 0 ] && pass "tight address space fails cleanly ($memory_failures limits)" ||
        fail "no address-space limit made the run fail"
fi
vorn=$unlimited_vorn
"$vorn" a.png > /dev/null 2>&1
[ $? -eq 2 ] && pass "a bad command line exits 2" || fail "a bad command line does not exit 2"

"$vorn" --help > help.txt
if grep -q -- "--amount" help.txt && grep -q -- "--mask" help.txt && grep -q -- "--seed" help.txt; then
    pass "--help documents the options"
else
    fail "--help"
fi

finish_checks
