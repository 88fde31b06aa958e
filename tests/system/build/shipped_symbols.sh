#!/bin/bash
# What ships in Vorn.8bf and Vorn64.8bf is the plug-in alone: the export
# table names PluginMain and nothing else, and the link map written beside
# each plug-in (cmake/Windows.cmake) shows no object from tests/ and none
# of the symbols that only the native test programs use (the counting
# heap's counters, the global memory made to fail, the labyrinth's
# short-form calls, the colours by host kind) or that wall growth keeps to
# itself. Symbols the plug-in must contain are looked for too, so that a
# map in another format cannot pass by matching nothing.
set -u
source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"

# Demangled names as the linker writes them in the map, one per line after
# the address; the short forms are matched as whole signatures.
forbidden=(
    'heapAllocFailAt' 'heapAllocCount' 'heapBytesInUse' 'heapPeakBytes' 'globalAllocFailAt'
    'PlaneColourOf\(' 'PickIndex\(' 'ChooseDirection\('
    'BuildLabyrinth\(unsigned char\*, int, int, int, unsigned char const\*\)'
    'SeedGrid\(unsigned char\*, int, int, unsigned char const\*, FrontierList\*\)'
    'RandomAhead' 'PrepareNextPicks' 'NextRandom' 'QueuedRandom'
)
required=(
    'PluginMain'
    'AllocBuffer\(unsigned (int|long long)\)'
    'BuildLabyrinth\(unsigned char\*, int, int, int, unsigned char const\*, (int|long long)\)'
    'ChooseDirectionWith\('
    'ResetModuleState\(\)'
)

check_plugin() {
    local plugin=$1
    local name
    name=$(basename "$plugin" .8bf)
    local map
    map="$(dirname "$plugin")/$name.map"
    if [ ! -f "$map" ]; then
        fail "$name: no link map at $map"
        return
    fi
    local exports
    exports=$(objdump -p "$plugin" |
              sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
              sed -n 's/^\s*\[ *[0-9]*\] //p' | tr '\n' ' ')
    if [ "$exports" = "PluginMain " ]; then
        pass "$name: exports PluginMain alone"
    else
        fail "$name: exports '$exports'"
    fi

    # The plug-in's own objects (CMake's objects.a members): each must be
    # compiled from a source of the plug-in's folders, none from tests/.
    local objects source stray="" count=0
    objects=$(grep -oE 'objects\.a\([^)]+\.cpp\.obj\)' "$map" |
              sed 's/^objects\.a(//; s/\.obj)$//' | sort -u)
    for source in $objects; do
        count=$((count + 1))
        local folder ours=0
        for folder in entry labyrinth filter preview dialogs host; do
            [ -f "$VORN_SOURCE_DIR/$folder/$source" ] && ours=1
        done
        if [ $ours -eq 0 ] ||
           [ -n "$(find "$VORN_SOURCE_DIR/tests" -name "$source" -print -quit)" ]; then
            stray="$stray $source"
        fi
    done
    if [ $count -lt 10 ]; then
        fail "$name: only $count objects found in the map"
    elif [ -n "$stray" ]; then
        fail "$name: objects not from the plug-in's sources:$stray"
    else
        pass "$name: all $count objects from the plug-in's sources, none from tests/"
    fi

    local pattern
    for pattern in "${forbidden[@]}"; do
        local line
        line=$(grep -E "^\s+0x[0-9a-f]+\s+$pattern" "$map" | head -1 | sed 's/^\s*//')
        if [ -n "$line" ]; then
            fail "$name: test-only or internal symbol $pattern: $line"
        else
            pass "$name: no $pattern"
        fi
    done
    for pattern in "${required[@]}"; do
        if grep -qE "^\s+0x[0-9a-f]+\s+_?$pattern" "$map"; then
            pass "$name: contains $pattern"
        else
            fail "$name: $pattern missing from the map"
        fi
    done
}

found=0
for plugin in "${VORN_WIN32_DIR:-}/Vorn.8bf" "${VORN_WIN64_DIR:-}/Vorn64.8bf"; do
    case "$plugin" in /*) ;; *) continue ;; esac
    [ -f "$plugin" ] || continue
    found=1
    check_plugin "$plugin"
done
if [ $found -eq 0 ]; then
    echo "no cross build: skipped"
    exit 77
fi
finish_checks
