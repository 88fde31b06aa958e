# For the scripts that read the built plug-ins with pefile. Source it; it
# exits 77 (skipped) when there is no 32-bit cross build.
#
# check_each_plugin SCRIPT: runs the Python check SCRIPT PLUGIN ARCH on
# Vorn.8bf (x86) and, when it is built, Vorn64.8bf (x64); fails when
# either fails.
set -u
if [ -z "${VORN_WIN32_DIR:-}" ] || [ ! -f "$VORN_WIN32_DIR/Vorn.8bf" ]; then
    echo "no 32-bit cross build: skipped"
    exit 77
fi

check_each_plugin() {
    local check=$1
    local status=0
    /usr/bin/python3 "$check" "$VORN_WIN32_DIR/Vorn.8bf" x86 || status=1
    if [ -n "${VORN_WIN64_DIR:-}" ] && [ -f "$VORN_WIN64_DIR/Vorn64.8bf" ]; then
        echo "--- Vorn64.8bf"
        /usr/bin/python3 "$check" "$VORN_WIN64_DIR/Vorn64.8bf" x64 || status=1
    fi
    return $status
}
