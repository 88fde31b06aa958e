# Shared set-up for tests that run Win32 programs under Wine. Source it;
# it exits 77 (skipped) when no cross build was given.
set -u
if [ -z "${VORN_WIN32_DIR:-}" ] || [ ! -f "$VORN_WIN32_DIR/Vorn.8bf" ]; then
    echo "no 32-bit cross build: skipped"
    exit 77
fi
if ! command -v wine > /dev/null; then
    echo "wine is not installed: skipped"
    exit 77
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="${VORN_WINEPREFIX:-$VORN_WIN32_DIR/wineprefix}"
export WINEARCH=win64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 180 wineboot -i > /dev/null 2>&1 || true
fi

# run_wine SECONDS PROGRAM [ARGS...]: a Win32 program, never left hanging.
run_wine() {
    local seconds=$1
    shift
    timeout "$seconds" wine "$@"
}

# Windows on a virtual display, for programs that open windows.
run_wine_x() {
    local seconds=$1
    shift
    timeout "$seconds" xvfb-run -a -s "-screen 0 1024x768x24" wine "$@"
}
