# Shared set-up for tests that run Win32 programs under Wine. Source it;
# it exits 77 (skipped) when no cross build was given.
#
# Every Wine program runs with a display: a wineserver started without one
# cannot show windows later, and the server outlives single programs. When
# the caller gives no DISPLAY, a virtual one is started for this script and
# the wineserver is ended before it goes away.
#
# VORN_ARCH picks the build under test: x86 (default) is Vorn.8bf and
# vornhost.exe from VORN_WIN32_DIR, x64 is Vorn64.8bf and vornhost64.exe
# from VORN_WIN64_DIR. Scripts use VORN_CROSS_DIR, VORN_PLUGIN and
# VORN_HOST_EXE.
set -u
export VORN_ARCH="${VORN_ARCH:-x86}"
if [ "$VORN_ARCH" = x64 ]; then
    export VORN_CROSS_DIR="${VORN_WIN64_DIR:-}" VORN_PLUGIN=Vorn64.8bf VORN_HOST_EXE=vornhost64.exe
else
    export VORN_CROSS_DIR="${VORN_WIN32_DIR:-}" VORN_PLUGIN=Vorn.8bf VORN_HOST_EXE=vornhost.exe
fi
if [ -z "$VORN_CROSS_DIR" ] || [ ! -f "$VORN_CROSS_DIR/$VORN_PLUGIN" ]; then
    echo "no $VORN_ARCH cross build: skipped"
    exit 77
fi
if ! command -v wine > /dev/null || ! command -v Xvfb > /dev/null; then
    echo "wine or Xvfb is not installed: skipped"
    exit 77
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="$VORN_CROSS_DIR/${VORN_WINEPREFIX_NAME:-wineprefix}"

wine_exit_actions=()
# at_exit COMMAND: runs COMMAND when the script ends (after the Wine clean-up).
at_exit() {
    wine_exit_actions+=("$1")
}
wine_finish() {
    local status=$?
    timeout 60 wineserver -k > /dev/null 2>&1 || true
    for action in "${wine_exit_actions[@]}"; do
        eval "$action" || true
    done
    if [ -n "${wine_xvfb_pid:-}" ]; then
        kill "$wine_xvfb_pid" 2> /dev/null || true
    fi
    exit $status
}
trap wine_finish EXIT

if [ -z "${DISPLAY:-}" ]; then
    for number in $(seq 91 140); do
        [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] || break
    done
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
    wine_xvfb_pid=$!
    export DISPLAY=":$number"
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$number" ] && break
        sleep 0.1
    done
fi

# A prefix whose set-up was cut short is made anew.
if [ -f "$WINEPREFIX/system.reg" ] &&
    [ ! -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]; then
    rm -rf "$WINEPREFIX"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 300 wineboot -i > /dev/null 2>&1 || true
    timeout 120 wineserver -w || true
fi

# make_work_folder [FILE...]: $work, a new folder removed when the script
# ends, holding the plug-in under test and FILEs from the cross build.
make_work_folder() {
    work=$(mktemp -d)
    at_exit "rm -rf '$work'"
    cp "$VORN_CROSS_DIR/$VORN_PLUGIN" "$work/"
    local file
    for file in "$@"; do
        cp "$VORN_CROSS_DIR/$file" "$work/"
    done
}

# run_wine SECONDS PROGRAM [ARGS...]: a Win32 program, never left hanging.
run_wine() {
    local seconds=$1
    shift
    timeout "$seconds" wine "$@"
}

# The same for programs that open windows (the display is always there).
run_wine_x() {
    run_wine "$@"
}

# run_on_own_display SECONDS LOCALE PROGRAM SHOTS: runs ./PROGRAM with the
# plug-in under test and SHOTS (a folder, or one .bmp file, for its
# screenshots) on a display of its own (a wineserver that knows a display
# shows windows there), under LC_ALL=LOCALE unless that is empty; waits for
# the wineserver, turns the screenshots into PNG where ImageMagick is
# installed, and answers the program's status.
run_on_own_display() {
    local seconds=$1 locale=$2 program=$3 shots=$4
    timeout "$seconds" xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        env ${1:+LC_ALL=$1} wine "$2" "$VORN_PLUGIN" "$3"; status=$?
        timeout 60 wineserver -w
        exit $status' run "$locale" "./$program" "$shots"
    local status=$? bmp
    if command -v convert > /dev/null; then
        for bmp in "$shots"/*.bmp "$shots"; do
            case "$bmp" in
                *.bmp) [ -f "$bmp" ] && { convert "$bmp" "${bmp%.bmp}.png" || true; } ;;
            esac
        done
    fi
    return $status
}

# screenshot FILE.png: the whole virtual display.
screenshot() {
    import -display "$DISPLAY" -window root "$1"
}

# wine_japanese_font: draws the dialogs' template font "ＭＳ Ｐゴシック"
# with IPAPGothic (fonts-ipafont-gothic), whatever the locale. Wine maps the
# Japanese font names to installed fonts only under a Japanese code page;
# Windows has the font, or links its UI font to one with these glyphs.
wine_japanese_font() {
    local file="$WINEPREFIX/vorn-japanese-font.reg"
    [ -f "$file" ] && return 0
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
        '"ＭＳ Ｐゴシック"="IPAPGothic"' '' |
        iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$file.new"
    timeout 60 wine regedit /S "$(winepath -w "$file.new" 2> /dev/null || echo "$file.new")" &&
        timeout 60 wineserver -w && mv "$file.new" "$file"
}
