#!/bin/bash
# Lays out every C++ file of the repository by .clang-format.
#
#   scripts/format.sh           rewrites the files that differ
#   scripts/format.sh --check   changes nothing; lists the files that differ
#                               with the first lines of their difference and
#                               fails when there is one
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$format" ]; then
    echo "format.sh: clang-format is not installed (scripts/setup.sh installs it)" >&2
    exit 2
fi
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if [ "${1:-}" != "--check" ]; then
    "$format" -i --style=file "${files[@]}"
    exit 0
fi
differ=0
for file in "${files[@]}"; do
    [ -f "$file" ] || continue
    if ! "$format" --style=file "$file" | cmp -s - "$file"; then
        echo "not formatted: $file" >&2
        "$format" --style=file "$file" | diff -u "$file" - | sed -n '3,12p' >&2 || true
        differ=1
    fi
done
if [ $differ -eq 1 ]; then
    echo "format.sh: run scripts/format.sh to lay these files out by .clang-format" >&2
    exit 1
fi
echo "format: ${#files[@]} C++ files laid out by .clang-format"
