#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every source file names its licence in one of its first three lines. In a git checkout the
# files are those git tracks; in an unpacked release tarball, every file outside build folders.
# Usage: tests/licence_headers_test.sh SOURCE_DIR
set -euo pipefail
cd "$1"
sources() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -z
    else
        find . \( -name build -o -name .cache \) -prune -o -type f -printf '%P\0'
    fi
}
missing=0
checked=0
while IFS= read -r -d '' file; do
    case $file in
        *.cpp | *.h | *.cmake | *.sh | *.py | CMakeLists.txt | */CMakeLists.txt | Makefile | .ci/run) ;;
        *) continue ;;
    esac
    checked=$((checked + 1))
    if ! head -n 3 -- "$file" | grep -q 'SPDX-License-Identifier: MIT'; then
        echo "no SPDX-License-Identifier line: $file"
        missing=$((missing + 1))
    fi
done < <(sources)
# No file at all would mean the tree was not read, not that every file is fine.
[[ $checked -gt 0 ]] || { echo "licence headers: no source file found in $1" >&2; exit 1; }
[[ $missing -eq 0 ]] || { echo "licence headers: $missing files without one" >&2; exit 1; }
echo "licence headers: each of $checked source files names its licence"
