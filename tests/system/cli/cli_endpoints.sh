#!/bin/bash
# The command-line host vorn with every kind of endpoint and when asked to
# stop: FIFO outputs and inputs, devices (/dev/null, /dev/full, /dev/stdout),
# symbolic links, - for standard input and output, names of 250 characters
# and names with a newline; Ctrl-C and SIGTERM while waiting on a FIFO and
# during a long labyrinth generation (a second one ends the run at once,
# with nothing left behind); the progress phases; the seed mapping; several
# files at once. Runs the sanitized native build (leaks fail it too).
set -u
source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"
need_tool vorn vorn "${VORN_NATIVE_DIR:-}"
# Test pictures are made and checked by the optimised labcheck when there is one.
need_tool labcheck labcheck "${VORN_RELEASE_DIR:-}" "${VORN_NATIVE_DIR:-}"
sample="$VORN_SOURCE_DIR/samples/sample.png"
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2> /dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1

# one_error WHAT TEXT STATUS: the last run exited non-zero, below 128, with
# one line "vorn: error: ...TEXT..." in stderr.txt.
one_error() {
    local what=$1 text=$2 status=$3
    if [ "$status" -eq 0 ] || [ "$status" -ge 128 ]; then
        fail "$what: exit $status, $(head -5 stderr.txt)"
    elif [ "$(wc -l < stderr.txt)" -ne 1 ] || ! grep -qF -- "vorn: error: " stderr.txt ||
        ! grep -qF -- "$text" stderr.txt; then
        fail "$what: expected one line with '$text', got: $(head -5 stderr.txt)"
    else
        pass "$what (exit $status): $(cat stderr.txt)"
    fi
}

# wait_for FILE TEXT SECONDS: until FILE holds TEXT; false on timeout.
wait_for() {
    local tries=$(($3 * 20))
    while [ $tries -gt 0 ]; do
        grep -qF -- "$2" "$1" 2> /dev/null && return 0
        sleep 0.05
        tries=$((tries - 1))
    done
    return 1
}

cp "$sample" in.png
"$vorn" --seed 4 in.png reference.png 2> stderr.txt || fail "plain run: $(cat stderr.txt)"
[ -s stderr.txt ] && fail "a plain run printed: $(head -5 stderr.txt)"

# --- devices ---------------------------------------------------------------
# A private null device first: if it were replaced, the real one would be
# left alone.
if [ "$(id -u)" -eq 0 ] && mknod private-null c 1 3 2> /dev/null; then
    "$vorn" in.png private-null 2> stderr.txt
    status=$?
    if [ $status -eq 0 ] && [ -c private-null ]; then
        pass "a private null device is written into and stays a device"
    else
        fail "private null device: exit $status, $(ls -l private-null), $(cat stderr.txt)"
    fi
fi
if [ -c private-null ] || [ "$(id -u)" -ne 0 ]; then
    "$vorn" in.png /dev/null 2> stderr.txt
    status=$?
    if [ $status -eq 0 ] && [ -c /dev/null ] && [ ! -s stderr.txt ]; then
        pass "/dev/null as OUTPUT: exit 0, still a character device"
    else
        fail "/dev/null: exit $status, $(ls -l /dev/null), $(cat stderr.txt)"
    fi
else
    skip "/dev/null: the private device could not be made, the real one is not risked"
fi
if [ -w /dev/full ]; then
    "$vorn" in.png /dev/full > /dev/null 2> stderr.txt
    one_error "/dev/full as OUTPUT" "cannot write /dev/full: No space left on device" $?
    [ -c /dev/full ] && pass "/dev/full is still a device" || fail "/dev/full was replaced"
fi
"$vorn" --seed 4 in.png /dev/stdout > via-stdout.png 2> stderr.txt
if cmp -s via-stdout.png reference.png; then
    pass "/dev/stdout as OUTPUT delivers the image"
else
    fail "/dev/stdout: $(stat -c %s via-stdout.png) bytes, $(cat stderr.txt)"
fi
"$vorn" --seed 4 in.png /dev/stdout 2> stderr.txt | cat > via-pipe.png
cmp -s via-pipe.png reference.png && pass "/dev/stdout into a pipe delivers the image" ||
    fail "/dev/stdout into a pipe: $(stat -c %s via-pipe.png) bytes, $(cat stderr.txt)"

# --- standard streams -----------------------------------------------------
"$vorn" --seed 4 - - < in.png > streamed.png 2> stderr.txt
status=$?
if [ $status -eq 0 ] && cmp -s streamed.png reference.png; then
    pass "- in and - out: the same image as with file names"
else
    fail "- -: exit $status, $(cat stderr.txt)"
fi
cat in.png | "$vorn" --seed 4 - piped.png 2> stderr.txt
cmp -s piped.png reference.png && pass "- as INPUT from a pipe" || fail "- from a pipe: $(cat stderr.txt)"
printf 'no image\n' | "$vorn" - - > stdout.bin 2> stderr.txt
one_error "- with no image on standard input" "- is not an image vorn can read" $?

# --- FIFOs ---------------------------------------------------------------
mkfifo out.fifo
cat out.fifo > from-fifo.png &
reader=$!
"$vorn" --seed 4 in.png out.fifo 2> stderr.txt
status=$?
wait $reader
if [ $status -eq 0 ] && [ -p out.fifo ] && cmp -s from-fifo.png reference.png; then
    pass "a FIFO as OUTPUT is written into and stays a FIFO"
else
    fail "FIFO output: exit $status, $(ls -l out.fifo), $(cat stderr.txt)"
fi
no_temporaries . || fail "a temporary was left beside the FIFO"
mkfifo in.fifo
cat in.png > in.fifo &
"$vorn" --seed 4 in.fifo fifo-in.png 2> stderr.txt
status=$?
if [ $status -eq 0 ] && cmp -s fifo-in.png reference.png; then
    pass "a FIFO as INPUT"
else
    fail "FIFO input: exit $status, $(cat stderr.txt)"
fi

# A script's background jobs ignore SIGINT, and vorn leaves an ignored
# signal ignored (as under nohup): the runs that get Ctrl-C here are
# started with its default disposition.
for signal in INT TERM; do
    rm -f waiting.png
    env --default-signal=INT "$vorn" in.fifo waiting.png 2> stderr.txt &
    pid=$!
    pids+=($pid)
    sleep 0.5
    kill -$signal $pid
    wait $pid
    status=$?
    if [ $status -eq 130 ] && grep -q "interrupted; waiting.png was not written" stderr.txt &&
        [ ! -e waiting.png ] && no_temporaries .; then
        pass "SIG$signal while waiting for a FIFO's writer: exit 130, $(cat stderr.txt)"
    else
        fail "SIG$signal while waiting on a FIFO: exit $status, $(cat stderr.txt)"
    fi
done

mkfifo no-reader.fifo
env --default-signal=INT "$vorn" in.png no-reader.fifo 2> stderr.txt &
pid=$!
pids+=($pid)
sleep 0.5
kill -INT $pid
wait $pid
status=$?
if [ $status -eq 130 ] && [ -p no-reader.fifo ] && grep -q "interrupted" stderr.txt; then
    pass "Ctrl-C while waiting for a FIFO's reader: exit 130, $(cat stderr.txt)"
else
    fail "Ctrl-C while waiting on a FIFO output: exit $status, $(cat stderr.txt)"
fi

# --- symbolic links -------------------------------------------------------
mkdir real
printf 'an older result\n' > real/target.png
ln -s real/target.png link.png
old_inode=$(stat -c %i real/target.png)
"$vorn" --seed 4 in.png link.png 2> stderr.txt
if [ -L link.png ] && [ "$(readlink link.png)" = real/target.png ] &&
    cmp -s real/target.png reference.png && [ "$(stat -c %i real/target.png)" != "$old_inode" ] &&
    no_temporaries . && no_temporaries real; then
    pass "a symbolic link as OUTPUT stays a link; its target is replaced"
else
    fail "symlink output: $(ls -l link.png real), $(cat stderr.txt)"
fi
ln -s link.png link-to-link.png
ln -s in.png link-to-input.png
"$vorn" in.png link-to-input.png 2> stderr.txt
one_error "a link to the input as OUTPUT" "is the input file" $?
cmp -s in.png "$sample" && pass "the input behind the link was left as it was" || fail "the input changed"

# --- names ------------------------------------------------------------------
long=$(printf 'n%.0s' $(seq 1 246)).png
"$vorn" --seed 4 in.png "$long" 2> stderr.txt
status=$?
if [ $status -eq 0 ] && cmp -s "$long" reference.png && no_temporaries .; then
    pass "an OUTPUT name of ${#long} characters"
else
    fail "${#long}-character name: exit $status, $(cat stderr.txt)"
fi
long255=$(printf 'm%.0s' $(seq 1 251)).png
"$vorn" --seed 4 in.png "$long255" 2> stderr.txt
[ $? -eq 0 ] && [ -s "$long255" ] && pass "an OUTPUT name of ${#long255} characters" ||
    fail "${#long255}-character name: $(cat stderr.txt)"
"$vorn" in.png $'no\nsuch/out.png' 2> stderr.txt
one_error "a newline in OUTPUT's folder" "cannot write 'no\\nsuch/out.png'" $?
"$vorn" $'absent\nin.png' out.png 2> stderr.txt
one_error "a newline in INPUT's name" "cannot read 'absent\\nin.png'" $?

# --- the progress phases ------------------------------------------------------
"$labcheck" make 1200 900 3 8 medium.png
"$vorn" --seed 4 --progress medium.png phases.png 2> phases.txt
status=$?
order=$(tr '\r' '\n' < phases.txt | sed -n 's/^vorn: \(reading\|building the labyrinth\|painting\|writing\).*/\1/p' | uniq | tr '\n' ,)
if [ $status -eq 0 ] && [ "$order" = "reading,building the labyrinth,painting,writing," ] &&
    grep -q "painting \[#*\] 100%  [0-9]*\.[0-9] s" phases.txt; then
    pass "--progress shows the phases in order with the time: $order"
else
    fail "phases: exit $status, order '$order': $(tr '\r' '\n' < phases.txt | head -5)"
fi
"$vorn" --seed 4 medium.png quiet.png 2> quiet.txt
[ ! -s quiet.txt ] && pass "no progress line when stderr is no terminal" || fail "unasked: $(head -3 quiet.txt)"

# --- Ctrl-C and SIGTERM during a long generation ---------------------------
"$labcheck" make 3000 3000 3 8 large.png
# generation_run SIGNAL COUNT: starts a long generation, sends SIGNAL COUNT
# times once the labyrinth is being built; sets status, seconds (from the
# last signal to the end) and phases (what the line showed).
generation_run() {
    local signal=$1 count=$2
    rm -f long.png progress.txt
    env --default-signal=INT "$vorn" --seed 4 --amount 1 --progress large.png long.png 2> progress.txt &
    local pid=$!
    pids+=($pid)
    if ! wait_for progress.txt "building the labyrinth" 120; then
        fail "the generation did not begin"
        kill -KILL $pid
        return
    fi
    sleep 0.5
    kill -$signal $pid
    local start
    if [ "$count" -eq 2 ]; then
        sleep 0.3
        kill -$signal $pid
    fi
    start=$(date +%s.%N)
    wait $pid
    status=$?
    seconds=$(echo "$(date +%s.%N) - $start" | bc)
    phases=$(tr '\r' '\n' < progress.txt | sed -n 's/^vorn: \([a-z ]*\).*/\1/p' | sed 's/ *$//' | uniq | tr '\n' ,)
}
for signal in INT TERM; do
    generation_run $signal 2
    expected=$((128 + $(kill -l $signal)))
    if [ "$status" -eq "$expected" ] && [ "$(echo "$seconds < 1.5" | bc)" -eq 1 ] &&
        [[ "$phases" != *painting* ]] && [ ! -e long.png ] && no_temporaries .; then
        pass "a second SIG$signal ends the generation at once (exit $status, ${seconds}s after it; phases $phases), nothing left"
    else
        fail "second SIG$signal: exit $status (expected $expected), ${seconds}s, phases $phases, $(ls -a | grep -c vorn) temporaries"
    fi
done
generation_run INT 1
if [ "$status" -eq 130 ] && grep -q "interrupted; long.png was not written" progress.txt &&
    [ ! -e long.png ] && no_temporaries .; then
    pass "one Ctrl-C during the generation stops the run at the filter's first poll (phases $phases)"
else
    fail "one Ctrl-C during generation: exit $status, $(tr '\r' '\n' < progress.txt | tail -2)"
fi

# A second Ctrl-C while the result is written: the temporary goes too.
# (Writing is the phase after painting; the signal lands in it or in
# painting's last moments, never leaving a file.)
rm -f long.png
env --default-signal=INT "$vorn" --seed 4 --amount 20 --progress large.png long.png 2> progress.txt &
pid=$!
pids+=($pid)
if wait_for progress.txt "writing" 120; then
    kill -INT $pid
    sleep 0.05
    kill -INT $pid
    wait $pid
    status=$?
    if [ $status -eq 130 ] && [ ! -e long.png ] && no_temporaries .; then
        pass "two Ctrl-C while writing: exit 130, no output, no temporary"
    else
        fail "Ctrl-C while writing: exit $status, $(ls -a)"
    fi
else
    fail "the writing phase was never shown"
    kill -KILL $pid
fi

# --- seeds -------------------------------------------------------------------
"$vorn" --seed 0 in.png seed0.png
"$vorn" --seed 1 in.png seed1.png
"$vorn" --seed 0 in.png seed0-again.png
"$vorn" --seed 2147483647 in.png seedmax.png
if "$labcheck" same seed0.png seed1.png; then fail "--seed 0 and --seed 1 gave the same labyrinth"
else pass "--seed 0 and --seed 1 differ"; fi
if "$labcheck" same seed0.png seedmax.png || "$labcheck" same seed1.png seedmax.png; then
    fail "--seed 2147483647 repeats another seed's labyrinth"
else pass "--seed 2147483647 differs from 0 and 1"; fi
"$labcheck" same seed0.png seed0-again.png && pass "--seed 0 repeats itself" || fail "--seed 0 changed"
"$vorn" --seed 2147483648 in.png o.png 2> stderr.txt
status=$?
[ $status -eq 2 ] && grep -q "from 0 to 2147483647" stderr.txt && pass "a seed beyond the range: exit 2" ||
    fail "seed beyond the range: exit $status, $(cat stderr.txt)"

# --- several files at once -----------------------------------------------
mkdir batch out
cp in.png batch/a.png
cp in.png batch/c.png
printf 'not an image\n' > batch/b.png
"$vorn" --seed 7 batch/a.png batch/b.png batch/c.png -o out 2> several.txt
status=$?
lines=$(wc -l < several.txt)
"$vorn" --seed 7 in.png alone-a.png
"$vorn" --seed 9 in.png alone-c.png
if [ $status -eq 1 ] && [ -s out/a.png ] && [ -s out/c.png ] && [ ! -e out/b.png ] &&
    no_temporaries out && [ "$lines" -eq 4 ] &&
    grep -q '^vorn: \[1/3\] batch/a.png -> out/a.png' several.txt &&
    grep -q '^vorn: error: batch/b.png is not an image vorn can read' several.txt &&
    grep -q '^vorn: \[3/3\] batch/c.png -> out/c.png' several.txt &&
    grep -q '^vorn: 2 of 3 files written, 1 failed: batch/b.png$' several.txt; then
    pass "several files, one failing: the others written, exit 1, one line each and a summary"
else
    fail "several files: exit $status, $(ls out), $(cat several.txt)"
fi
check_labyrinth "several files: the first" in.png out/a.png 10 black white
check_labyrinth "several files: the third" in.png out/c.png 10 black white
if "$labcheck" same out/a.png out/c.png; then fail "two files got the same labyrinth"
else pass "each file gets its own labyrinth from one seed"; fi
"$labcheck" same out/a.png alone-a.png && "$labcheck" same out/c.png alone-c.png &&
    pass "file k's labyrinth is --seed N+k's" || fail "per-file seeds are not N+k"
"$vorn" --seed 7 batch/a.png batch/c.png -o out/ 2> stderr.txt
[ $? -eq 0 ] && grep -q "2 of 2 files written$" stderr.txt && pass "all written: exit 0" ||
    fail "all written: $(cat stderr.txt)"
cp in.png batch/upper.PNG
"$vorn" batch/upper.PNG -o out --format png 2> stderr.txt
[ -s out/upper.png ] && [ ! -e out/upper.PNG ] && pass "--format png names the output" ||
    fail "--format: $(ls out) $(cat stderr.txt)"
mkdir batch2
cp in.png batch2/a.png
"$vorn" batch/a.png batch2/a.png -o out 2> stderr.txt
status=$?
[ $status -eq 2 ] && grep -q "would both be written to out/a.png" stderr.txt &&
    pass "two inputs for one output name: refused before any is filtered" ||
    fail "same output twice: exit $status, $(cat stderr.txt)"
# A missing folder is made (one level), as mkdir would.
"$vorn" batch/a.png -o no-such-folder 2> stderr.txt
status=$?
[ $status -eq 0 ] && [ -s no-such-folder/a.png ] && pass "-o with a missing folder makes it" ||
    fail "-o with a missing folder: exit $status, $(cat stderr.txt)"
"$vorn" batch/a.png -o no-such/deeper 2> stderr.txt
one_error "-o two levels down a missing folder" "cannot make the folder no-such/deeper for -o" $?
"$vorn" batch/a.png -o out --format xyz 2> stderr.txt
status=$?
[ $status -eq 2 ] && pass "an unknown --format: exit 2" || fail "--format xyz: exit $status"

# Ctrl-C during several files: the file in hand is not written, the rest
# are not started.
cp large.png batch/large1.png
cp large.png batch/large2.png
env --default-signal=INT "$vorn" --amount 1 --progress batch/large1.png batch/large2.png -o out 2> several-int.txt &
pid=$!
pids+=($pid)
if wait_for several-int.txt "building the labyrinth" 120; then
    kill -INT $pid
    wait $pid
    status=$?
    if [ $status -eq 130 ] && [ ! -e out/large1.png ] && [ ! -e out/large2.png ] &&
        grep -q "0 of 2 files written; interrupted, 2 not written" several-int.txt; then
        pass "Ctrl-C during several files: exit 130, nothing written, summary"
    else
        fail "Ctrl-C during several files: exit $status, $(tr '\r' '\n' < several-int.txt | tail -3)"
    fi
else
    fail "several files: the generation did not begin"
    kill -KILL $pid
fi

[ -c /dev/null ] || fail "/dev/null is no longer a device"
finish_checks
