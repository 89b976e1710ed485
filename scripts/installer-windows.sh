#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes Kestrin's Windows installer, kestrin-VERSION-x64.msi, from the windows build: the
# "program" component (kestrin.exe, its DLLs and plugins, the licences, README.txt) is installed
# into a staging folder, listed by wixl-heat and built with data/windows/kestrin.wxs by wixl
# (Debian's msitools). Prints the installer's path.
# Usage: scripts/installer-windows.sh BUILD_DIR OUTPUT_DIR
set -euo pipefail
[[ $# -eq 2 ]] || { echo "usage: $0 BUILD_DIR OUTPUT_DIR" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "$1")
out=$(realpath -m "$2")
for tool in wixl wixl-heat; do
    command -v "$tool" >/dev/null ||
        { echo "installer: $tool is missing (scripts/bootstrap.sh installer)" >&2; exit 1; }
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --component program --prefix "$work/stage" --strip >/dev/null
cp "$root/data/windows/kestrin.ico" "$work/"
# wixl finds the files by paths relative to the folder it runs in.
cd "$work"
find stage -type f | sort | wixl-heat --prefix stage/ --directory-ref INSTALLDIR \
    --component-group KestrinFiles --var var.SourceDir --win64 >files.wxs
mkdir -p "$out"
msi=$out/kestrin-$version-x64.msi
wixl --arch x64 -D Version="$version" -D SourceDir=stage -D IconFile=kestrin.ico -D Win64=yes \
    -o "$msi" "$root/data/windows/kestrin.wxs" files.wxs
echo "$msi"
