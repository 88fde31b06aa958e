# Which Windows architectures Wine can run on this machine, and with which
# loader. Source it; it only defines functions.
#
# Debian puts the 32-bit loader at /usr/lib/wine/wine (package wine32:i386)
# and the 64-bit one at /usr/lib/wine/wine64 (package wine64), and no
# wine64 command on the PATH. Its wine script picks the 32-bit loader
# whenever it is installed, so 64-bit programs are started with the 64-bit
# loader by name: that works on a machine whose kernel runs no 32-bit
# programs, too.

# wine_loader ARCH: prints the loader for x86 or x64 programs; answers 1
# (printing nothing) when it is not installed.
wine_loader() {
    local candidate
    if [ "$1" = x64 ]; then
        for candidate in /usr/lib/wine/wine64 "$(command -v wine64 2> /dev/null)"; do
            [ -n "$candidate" ] && [ -x "$candidate" ] && { echo "$candidate"; return 0; }
        done
    else
        [ -x /usr/lib/wine/wine ] && { echo /usr/lib/wine/wine; return 0; }
    fi
    return 1
}

# wine_unavailable ARCH [PROBE_FOLDER]: prints why Wine cannot run ARCH
# programs here and answers 0; answers 1 (printing nothing) when it can.
# For x86 the kernel must run i386 programs (scripts/probe-i386.sh, run
# in PROBE_FOLDER when given) and the 32-bit Wine must be installed.
wine_unavailable() {
    local arch=$1 folder=${2:-} here reason
    here=$(dirname "${BASH_SOURCE[0]}")
    if [ "$arch" = x64 ]; then
        wine_loader x64 > /dev/null && return 1
        echo "64-bit Wine is not installed (no /usr/lib/wine/wine64; Debian package wine64)"
        return 0
    fi
    if ! reason=$("$here/../../../scripts/probe-i386.sh" ${folder:+"$folder"}); then
        echo "$reason"
        return 0
    fi
    wine_loader x86 > /dev/null && return 1
    echo "32-bit Wine is not installed (no /usr/lib/wine/wine; Debian package wine32:i386)"
    return 0
}
