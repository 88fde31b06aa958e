#!/bin/bash
# The list of lasting state in entry/ModuleState.h is complete: every
# variable that the plug-in's code keeps in writable memory (.bss and
# .data of the native core library, and of the objects of each Windows
# plug-in that was built) is named in the list's first column, and every
# name listed is found in one of the builds. A module variable added
# without its line in the list, or a line left for a variable that is
# gone, fails here.
set -u
source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"
need_commands objdump nm

list="$VORN_SOURCE_DIR/entry/ModuleState.h"
# The first column of the table rows, one name a line (header and rule
# rows left out).
listed=$(sed -n 's/^\/\/ | \([^|]*\) |.*/\1/p' "$list" | grep -v '^Variables *$' | grep -v '^---' |
         tr ',' '\n' | sed 's/^ *//; s/ *$//' | grep -v '^$' | sort -u)
if [ "$(echo "$listed" | wc -l)" -lt 10 ]; then
    fail "only $(echo "$listed" | wc -l) names read from $list"
fi

# Writable variables of ELF objects (the native core library): objects in
# .bss or .data, not the relocated read-only data; AddressSanitizer's own
# markers left out. Names without the anonymous namespace.
elf_variables() {
    objdump -t -C "$1" |
        awk '$0 ~ / O / && ($4 ~ /^\.bss/ || ($4 ~ /^\.data/ && $4 !~ /^\.data\.rel\.ro/)) {
                 name = $0; sub(/^.*\t[0-9a-f]+ /, "", name); print name }' |
        grep -v '^__odr_asan\|^__asan\|^__ubsan' | sed 's/^(anonymous namespace):://'
}

# The same for COFF objects (a Windows plug-in), where read-only data is in
# .rdata and never typed b/d.
coff_variables() {
    nm -C --defined-only "$1" | awk '$2 ~ /^[bBdD]$/ { $1 = ""; $2 = ""; sub(/^  /, ""); print }' |
        grep -v '^\.' | sed 's/^(anonymous namespace):://'
}

check_build() {
    local what=$1 found=$2
    local count name missing=""
    count=$(echo "$found" | grep -c .)
    if [ "$count" -lt 10 ]; then
        fail "$what: only $count variables found"
        return
    fi
    while read -r name; do
        echo "$listed" | grep -qxF "$name" || missing="$missing $name"
    done <<< "$found"
    if [ -n "$missing" ]; then
        fail "$what: not in entry/ModuleState.h:$missing"
    else
        pass "$what: all $count variables are in the list"
    fi
}

all=""
core="$VORN_NATIVE_DIR/libvorn_core.a"
if [ -f "$core" ]; then
    found=$(elf_variables "$core" | sort -u)
    check_build "native core library" "$found"
    all="$all"$'\n'"$found"
else
    fail "no native core library at $core"
fi
for dir in "${VORN_WIN32_DIR:-}" "${VORN_WIN64_DIR:-}"; do
    case "$dir" in /*) ;; *) continue ;; esac
    objects="$dir/CMakeFiles/vorn_plugin.dir/objects.a"
    [ -f "$objects" ] || continue
    found=$(coff_variables "$objects" | sort -u)
    check_build "$(basename "$dir") plug-in" "$found"
    all="$all"$'\n'"$found"
done

# Every listed name is a variable of some build (a Windows-only one needs
# a Windows build to be found).
stale=""
while read -r name; do
    echo "$all" | grep -qxF "$name" || stale="$stale $name"
done <<< "$listed"
if [ -n "$stale" ]; then
    fail "listed but in no build:$stale"
else
    pass "every listed variable is in a build"
fi
finish_checks
