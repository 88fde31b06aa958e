# Shared set-up for tests that run Win32 programs under Wine. Source it;
# it exits 77 (skipped), saying why, when no cross build was given or when
# Wine cannot run the architecture's programs on this machine (for x86: a
# kernel that runs no 32-bit programs, or no 32-bit Wine; see
# lib/winearch.sh).
#
# Every Wine program runs with a display: a wineserver started without one
# cannot show windows later, and the server outlives single programs. When
# the caller gives no DISPLAY, a virtual one is started for this script and
# the wineserver is ended before it goes away.
#
# VORN_ARCH picks the build under test: x86 (default) is Vorn.8bf and
# vornhost.exe from VORN_WIN32_DIR, x64 is Vorn64.8bf and vornhost64.exe
# from VORN_WIN64_DIR. Scripts use VORN_CROSS_DIR, VORN_PLUGIN,
# VORN_HOST_EXE, and VORN_WINE, the Wine loader for that architecture
# (every Wine program of the script is started through it).
set -u
source "$VORN_SOURCE_DIR/tests/system/lib/winearch.sh"
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
if wine_reason=$(wine_unavailable "$VORN_ARCH" "$VORN_CROSS_DIR"); then
    echo "Wine cannot run $VORN_ARCH programs here: $wine_reason: skipped"
    exit 77
fi
VORN_WINE=$(wine_loader "$VORN_ARCH")
export VORN_WINE
# Programs that Wine starts on its own (start.exe, a wineboot) use the
# same loader.
export WINELOADER="$VORN_WINE"
if ! command -v wineserver > /dev/null || ! command -v Xvfb > /dev/null; then
    echo "wineserver or Xvfb is not installed: skipped"
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
    timeout 300 "$VORN_WINE" wineboot -i > /dev/null 2>&1 || true
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
    timeout "$seconds" "$VORN_WINE" "$@"
}

# The same for programs that open windows (the display is always there).
run_wine_x() {
    run_wine "$@"
}

# run_on_own_display SECONDS LOCALE PROGRAM SHOTS [ARGS...]: runs ./PROGRAM
# with the plug-in under test, SHOTS (a folder, or one .bmp file, for its
# screenshots) and ARGS on a display of its own (a wineserver that knows a
# display shows windows there), under LC_ALL=LOCALE unless that is empty
# (ja_JP.UTF-8 is made by wine_japanese_locale when the system lacks it);
# waits for the wineserver, turns the screenshots into PNG where
# ImageMagick is installed, and answers the program's status.
run_on_own_display() {
    local seconds=$1 locale=$2 program=$3 shots=$4 locale_path=""
    shift 4
    if [ "$locale" = ja_JP.UTF-8 ]; then
        locale_path=$(wine_japanese_locale) || return 1
    fi
    timeout "$seconds" xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        locale=$1 locale_path=$2 program=$3
        shift 3
        env ${locale:+LC_ALL=$locale} ${locale_path:+LOCPATH=$locale_path} \
            "$VORN_WINE" "$program" "$VORN_PLUGIN" "$@"; status=$?
        timeout 60 wineserver -w
        exit $status' run "$locale" "$locale_path" "./$program" "$shots" "$@"
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
    timeout 60 "$VORN_WINE" regedit /S \
        "$(timeout 60 "$VORN_WINE" winepath -w "$file.new" 2> /dev/null || echo "$file.new")" &&
        timeout 60 wineserver -w && mv "$file.new" "$file"
}

# wine_japanese_locale: prints the folder to give glibc as LOCPATH for
# LC_ALL=ja_JP.UTF-8 (empty when the system has that locale). Wine takes
# the user's interface language from the Unix locale, and glibc knows only
# the locales made on the machine: when ja_JP.UTF-8 is not among them, it
# is made once from the locales package's sources into the cross build
# folder.
wine_japanese_locale() {
    if locale -a 2> /dev/null | grep -qix 'ja_JP\.utf-\?8'; then
        return 0
    fi
    local folder="$VORN_CROSS_DIR/locales"
    if [ ! -f "$folder/ja_JP.UTF-8/LC_CTYPE" ]; then
        mkdir -p "$folder"
        # localedef answers 1 for mere warnings; what counts is the result.
        localedef -i ja_JP -f UTF-8 "$folder/ja_JP.UTF-8" > "$folder/localedef.log" 2>&1
        if [ ! -f "$folder/ja_JP.UTF-8/LC_CTYPE" ]; then
            echo "cannot make the locale ja_JP.UTF-8 (package locales): $(tail -1 "$folder/localedef.log")" >&2
            return 1
        fi
    fi
    echo "$folder"
}
