#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# clang-tidy (.clang-tidy) over the project's own sources, with the compile commands of builds:
# the .cpp files of app/, window/, listing/, backend/, platform/, common/, tests/, fuzz/, bench/ and the
# folders of tools/ that a build compiles, and the headers they include from those folders.
# Generated moc files are left out.
# A file compiled by more than one build is checked with the first one's commands.
# Usage: scripts/tidy.sh BUILD_DIR...
set -euo pipefail
cd "$(dirname "$0")/.."

[[ $# -gt 0 ]] || { echo "usage: scripts/tidy.sh BUILD_DIR..." >&2; exit 2; }
tidy=${CLANG_TIDY:-clang-tidy}
root=$(pwd)
# The project's own folders (tools/ has one folder a program); .clang-tidy's HeaderFilterRegex
# names the same ones.
folders='(app|window|listing|backend|platform|common|tests|fuzz|bench|tools/[^/]+)'
echo "tidy: $("$tidy" --version | grep -o 'version [0-9.]*')"

declare -A seen=()
status=0
for build in "$@"; do
    [[ -f $build/compile_commands.json ]] || { echo "tidy: no $build/compile_commands.json" >&2; exit 2; }
    files=()
    while read -r file; do
        [[ -z ${seen[$file]+x} ]] || continue
        seen[$file]=1
        files+=("$file")
    done < <(grep -o '"file": "[^"]*"' "$build/compile_commands.json" |
        sed -e 's/^"file": "//' -e 's/"$//' -e "s|^$root/||" |
        grep -E "^$folders/[^/]+\\.cpp$" | sort -u)
    [[ ${#files[@]} -gt 0 ]] || continue
    echo "tidy: ${#files[@]} files with the commands of $build"
    log=$build/tidy.log
    printf '%s\n' "${files[@]}" |
        xargs -P 2 -n 1 "$tidy" -p "$build" --quiet >"$log" 2>&1 || status=1
    # clang-tidy counts the warnings it hid (system headers and the like); the rest counts.
    grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' "$log" || true
done
[[ ${#seen[@]} -gt 0 ]] || { echo "tidy: no sources found" >&2; exit 2; }
if [[ $status -ne 0 ]]; then
    echo "tidy: findings above" >&2
    exit 1
fi
echo "tidy: clean"
