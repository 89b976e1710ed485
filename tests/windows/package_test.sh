#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the portable zip from this build into a temporary folder, as `make package-windows` does,
# and checks it as a Windows user meets it: at most 15 MB; the licences, notes and demo it
# promises; kestrin.exe a program with a window that shares Qt's C++ runtime, with its version
# information and manifest, made for Windows 10 and later only; every text file with Windows line
# ends; a notice for every program and DLL in it and every licence it names; every DLL in it
# imported by kestrin.exe, a Qt plugin or another DLL in it; and, unpacked in a fresh wine prefix
# that knows no other DLL folder, Kestrin started on the demo folder, as when the folder is
# dropped on it, decompiles intro through the real window.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
[[ $# -eq 1 ]] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
test=package
source "$(dirname "$0")/common.sh"
zip=$(bash "$root/scripts/package.sh" zip "$1" "$out") || { echo "package: FAILED: package.sh" >&2; exit 1; }

size=$(stat -c %s "$zip")
echo "package: $(basename "$zip") is $size bytes"
[[ $size -le $((15 * 1000 * 1000)) ]] || fail "the zip is $size bytes, more than 15 MB"

unzip -q "$zip" -d "$out/unpacked"
top=$out/unpacked/$(basename "$zip" .zip)
for file in kestrin.exe LICENSE.txt README.txt Qt.txt NOTICES.txt licences/LGPL-3.0-only.txt \
    licences/GPL-3.0-only.txt platforms/qwindows.dll demo/mervo.exe demo/intro.qb; do
    [[ -f $top/$file ]] || fail "$file is not in the zip"
done

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

# The promises beyond the files, one row each: what is promised, what is found, what is expected.
in_windows() { tr -d '\r' <"$top/$1"; }
notices=$(in_windows NOTICES.txt; in_windows Qt.txt)
named_licences=$(grep -o 'licences\\[^ ]*\.txt' <<<"$notices" | sed 's/^licences\\//' | sort -u)
promises=(
    "the systems kestrin.exe's manifest names (Windows 10 and 11 only)"
    "$(strings "$top/kestrin.exe" | grep -o 'supportedOS Id="[^"]*"')"
    'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"'
    "the Windows version kestrin.exe's PE header asks for (OS, subsystem)"
    "$(x86_64-w64-mingw32-objdump -p "$top/kestrin.exe" | awk '/Major(OSystem|Subsystem)Version/ {print $2}' | paste -sd ' ')"
    "10 10"
    "the text files that lack Windows line ends"
    "$(cd "$top" && find . -name '*.txt' -exec grep -l -v $'\r$' {} + | sort)"
    ""
    "the programs and DLLs that NOTICES.txt does not name"
    "$(cd "$top" && find . \( -name '*.dll' -o -name '*.exe' \) -printf '%f\n' | sort | grep -vxFf <(grep -o '[^ \\,]*\.\(dll\|exe\)' <<<"$notices") || true)"
    ""
    "the licences named in NOTICES.txt and Qt.txt that the zip lacks"
    "$(for name in $named_licences; do [[ -f $top/licences/$name ]] || echo "$name"; done)"
    ""
    "the licences in the zip that neither names"
    "$(ls "$top/licences" | grep -vxFf <(echo "$named_licences") || true)"
    ""
    "the Qt version Qt.txt names"
    "$(grep -o -m1 'Qt [0-9.]*[0-9]' <<<"$notices")"
    "Qt $(strings -el "$top/Qt6Core.dll" | grep -A1 -x ProductVersion | tail -n 1 | sed 's/\.0$//')"
)
for ((i = 0; i < ${#promises[@]}; i += 3)); do
    [[ ${promises[i + 1]} == "${promises[i + 2]}" ]] ||
        fail "${promises[i]}: '${promises[i + 1]}', expected '${promises[i + 2]}'"
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
