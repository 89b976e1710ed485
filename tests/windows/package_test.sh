#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the portable zip from this build into a temporary folder and checks it as a Windows user
# meets it: at most 15 MB; the licences, notes and demo it promises; kestrin.exe a program with a
# window that shares Qt's C++ runtime, with its version information and manifest; every DLL in it
# imported by kestrin.exe, a Qt plugin or another DLL in it; and, unpacked in a fresh wine prefix
# that knows no other DLL folder, Kestrin started on the demo folder, as when the folder is
# dropped on it, decompiles intro through the real window.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
[[ $# -eq 1 ]] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
test=package
source "$(dirname "$0")/common.sh"
cpack --config "$1/CPackConfig.cmake" -G ZIP -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; echo "package: FAILED: cpack" >&2; exit 1; }
zips=("$out"/*.zip)
[[ ${#zips[@]} -eq 1 && -f "${zips[0]}" ]] || { echo "package: FAILED: expected one zip" >&2; exit 1; }
zip=${zips[0]}

size=$(stat -c %s "$zip")
echo "package: $(basename "$zip") is $size bytes"
[[ $size -le $((15 * 1000 * 1000)) ]] || fail "the zip is $size bytes, more than 15 MB"

unzip -q "$zip" -d "$out/unpacked"
top=$out/unpacked/$(basename "$zip" .zip)
for file in kestrin.exe LICENSE.txt README.txt Qt.txt licences/LGPL-3.0-only.txt \
    licences/GPL-3.0-only.txt platforms/qwindows.dll demo/mervo.exe demo/intro.qb; do
    [[ -f $top/$file ]] || fail "$file is not in the zip"
done
grep -q $'\r$' "$top/README.txt" || fail "README.txt lacks Windows line ends"

# A program with a window that shares Qt's C++ runtime, with its version and its manifest.
headers=$(x86_64-w64-mingw32-objdump -p "$top/kestrin.exe")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "kestrin.exe is a console program"
grep -qi 'DLL Name: libstdc++-6.dll' <<<"$headers" || fail "kestrin.exe has a C++ runtime of its own"
version=$(strings -el "$top/kestrin.exe" | grep -A1 -x ProductVersion | tail -n 1)
[[ $(basename "$zip") == "kestrin-$version-windows-x64.zip" ]] ||
    fail "kestrin.exe's version information says '$version', the zip $(basename "$zip")"
for part in 'Microsoft.Windows.Common-Controls" version="6.0.0.0' '>PerMonitorV2'; do
    strings "$top/kestrin.exe" | grep -qF "$part" || fail "kestrin.exe's manifest lacks $part"
done

# Each DLL beside kestrin.exe is imported by something in the zip.
imports=$(find "$top" -maxdepth 2 \( -name '*.exe' -o -name '*.dll' \) -not -path '*/demo/*' \
    -exec x86_64-w64-mingw32-objdump -p {} + | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
for dll in "$top"/*.dll; do
    name=$(basename "$dll")
    grep -qx "${name,,}" <<<"$imports" || fail "$name is in the zip, but nothing imports it"
done

# A prefix of its own: no WINEPATH, no DLL folder of the build.
start_wine "$out/prefix"
unset WINEPATH
decompiles_in "$top/demo" "$WINE64" "$top/kestrin.exe" "$(windows "$top/demo")" ||
    fail "Kestrin from the zip did not decompile intro in its demo folder"

finish "the zip holds what it promises and Kestrin runs from it"
