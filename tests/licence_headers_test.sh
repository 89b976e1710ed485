#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every source file the repository tracks names its licence in one of its first three lines.
# Usage: tests/licence_headers_test.sh SOURCE_DIR
set -euo pipefail
cd "$1"
git rev-parse --git-dir >/dev/null 2>&1 || { echo "licence headers: not a git checkout" >&2; exit 1; }
missing=0
while IFS= read -r -d '' file; do
    case $file in
        *.cpp | *.h | *.cmake | *.sh | *.py | CMakeLists.txt | */CMakeLists.txt | Makefile | .ci/run) ;;
        *) continue ;;
    esac
    if ! head -n 3 -- "$file" | grep -q 'SPDX-License-Identifier: MIT'; then
        echo "no SPDX-License-Identifier line: $file"
        missing=$((missing + 1))
    fi
done < <(git ls-files -z)
[[ $missing -eq 0 ]] || { echo "licence headers: $missing files without one" >&2; exit 1; }
echo "licence headers: every source file names its licence"
