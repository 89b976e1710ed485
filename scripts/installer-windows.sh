#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes Kestrin's Windows installer, kestrin-VERSION-x64.msi, from the windows build: the
# "program" component (kestrin.exe, its DLLs and plugins, the notices, README.txt) is installed
# into a staging folder, listed by wixl-heat and built with data/windows/kestrin.wxs by wixl
# (Debian's msitools). Prints the installer's path.
# The same commit gives the same bytes: the staged files carry SOURCE_DATE_EPOCH
# (scripts/lib/reproducible.sh), and so do the files in the cabinet; wixl-heat's folder ids, made
# from the staging folder's absolute path, are numbered instead; the product code is one per
# version, the package code follows from the contents (wixl itself draws a random one); and wixl
# and msibuild, which write the clock's time into the summary information (created, last saved),
# run under faketime at SOURCE_DATE_EPOCH.
# Usage: scripts/installer-windows.sh BUILD_DIR OUTPUT_DIR
set -euo pipefail
[[ $# -eq 2 ]] || { echo "usage: $0 BUILD_DIR OUTPUT_DIR" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/reproducible.sh"
build=$(realpath "$1")
out=$(realpath -m "$2")
for tool in wixl wixl-heat msibuild faketime; do
    command -v "$tool" >/dev/null ||
        { echo "installer: $tool is missing (scripts/bootstrap.sh installer)" >&2; exit 1; }
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
wxs=$root/data/windows/kestrin.wxs
upgrade_code=$(grep -o 'UpgradeCode="[^"]*"' "$wxs" | cut -d'"' -f2)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --component program --prefix "$work/stage" --strip >/dev/null
cp "$root/data/windows/kestrin.ico" "$work/"
normalise_tree "$work/stage"
# wixl finds the files by paths relative to the folder it runs in.
cd "$work"
find stage -type f | LC_ALL=C sort | wixl-heat --prefix stage/ --directory-ref INSTALLDIR \
    --component-group KestrinFiles --var var.SourceDir --win64 |
    awk '/<Directory Id="dir[0-9A-F]+"/ { sub(/Id="dir[0-9A-F]+"/, "Id=\"dir" ++n "\"") } 1' >files.wxs
product_code=$(uuid5 "$upgrade_code" "Kestrin $version")
contents=$(find stage kestrin.ico -type f | LC_ALL=C sort | xargs sha256sum | cat - "$wxs" | sha256sum)
package_code=$(uuid5 "$product_code" "${contents%% *}")
mkdir -p "$out"
msi=$out/kestrin-$version-x64.msi
# The clock stands still at SOURCE_DATE_EPOCH (UTC); the files' own times are left as they are.
at_epoch() {
    TZ=UTC NO_FAKE_STAT=1 faketime "$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')" "$@"
}
at_epoch wixl --arch x64 -D Version="$version" -D ProductCode="$product_code" -D SourceDir=stage \
    -D IconFile=kestrin.ico -D Win64=yes -o "$msi" "$wxs" files.wxs
at_epoch msibuild "$msi" -s "Kestrin $version" "The Kestrin team" "x64;1033" "{$package_code}"
echo "$msi"
