#!/bin/bash
# No exception can leave the plug-in's code. The native core library and
# each Windows plug-in are compiled with -fno-exceptions, so a throw or a
# try in them does not compile; the core library refers to nothing that
# throws or catches (the C++ runtime's exception calls, the throwing
# operator new, the standard library's __throw_ helpers that its
# containers and strings call); and the link map of each plug-in shows
# none of that machinery linked in.
set -u
source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"
need_commands nm python3

# check_flags WHAT DIR TARGET: every source of the plug-in's folders that
# TARGET compiles (compile_commands.json of the build in DIR) is compiled
# with -fno-exceptions.
check_flags() {
    local what=$1 dir=$2 target=$3
    local report
    if report=$(python3 - "$dir/compile_commands.json" "$target" <<'PY'
import json, sys
commands, target = sys.argv[1], sys.argv[2]
folders = ('entry', 'labyrinth', 'filter', 'preview', 'dialogs', 'host')
count, without = 0, []
for entry in json.load(open(commands)):
    output = entry.get('output', '') or entry['command']
    if '/%s.dir/' % target not in output and 'CMakeFiles/%s.dir/' % target not in output:
        continue
    if entry['file'].split('/')[-2] not in folders:
        continue
    count += 1
    if '-fno-exceptions' not in entry['command'].split():
        without.append(entry['file'].split('/')[-1])
if count < 10:
    print('only %d sources of %s found' % (count, target)); sys.exit(1)
if without:
    print('compiled with exceptions: ' + ' '.join(without)); sys.exit(1)
print('%d sources compiled with -fno-exceptions' % count)
PY
    ); then pass "$what: $report"; else fail "$what: $report"; fi
}

# What no object of the plug-in may refer to (undefined symbols, demangled).
thrown='__cxa_|_Unwind_|__gxx_personality|std::__throw_|^operator new(\[\])?\(unsigned (int|long|long long)\)$'

core="$VORN_NATIVE_DIR/libvorn_core.a"
if [ -f "$core" ]; then
    check_flags "native core library" "$VORN_NATIVE_DIR" vorn_core
    refs=$(nm -u -C "$core" | sed 's/^ *U //' | grep -E "$thrown" | sort -u | tr '\n' ' ')
    if [ -z "$refs" ]; then
        pass "native core library: no reference to throwing or catching"
    else
        fail "native core library refers to: $refs"
    fi
else
    fail "no native core library at $core"
fi

# Defined in a link map: the address, then the name.
linked='(__cxa_|_Unwind_|__gxx_personality|std::__throw_|operator new(\[\])?\(unsigned (int|long|long long)\)$)'
for plugin in "${VORN_WIN32_DIR:-}/Vorn.8bf" "${VORN_WIN64_DIR:-}/Vorn64.8bf"; do
    case "$plugin" in /*) ;; *) continue ;; esac
    [ -f "$plugin" ] || continue
    name=$(basename "$plugin" .8bf)
    dir=$(dirname "$plugin")
    check_flags "$name" "$dir" vorn_plugin
    map="$dir/$name.map"
    if [ ! -f "$map" ]; then
        fail "$name: no link map at $map"
        continue
    fi
    if ! grep -qE '^\s+0x[0-9a-f]+\s+_?PluginMain' "$map"; then
        fail "$name: PluginMain not found in the map"
        continue
    fi
    found=$(grep -E "^\s+0x[0-9a-f]+\s+_?$linked" "$map" | sed 's/^\s*0x[0-9a-f]*\s*//' | sort -u |
            head -5 | tr '\n' ' ')
    if [ -z "$found" ]; then
        pass "$name: no exception machinery linked in"
    else
        fail "$name: links $found"
    fi
done
finish_checks
