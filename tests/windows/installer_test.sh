#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the installer from this build and works it in a fresh wine prefix as Windows users do:
# msiexec /i installs Kestrin under Program Files with a Start menu shortcut that starts in the
# Documents of whoever starts it, "Open with Kestrin" on folders and an uninstall entry; an
# installer of the same version rebuilt at another time is the same product (the same product and
# upgrade codes, another package code) and adds no second entry; the context menu's own command
# line, run for a demo folder, starts Kestrin there, which decompiles intro through the real
# window; msiexec /x takes away all that the installer added.
# Usage: installer_test.sh BUILD_DIR DEMO_BACKEND.exe
set -euo pipefail
[[ $# -eq 2 ]] || { echo "usage: $0 BUILD_DIR DEMO_BACKEND.exe" >&2; exit 2; }
test=installer
source "$(dirname "$0")/common.sh"
msi=$(bash "$root/scripts/installer-windows.sh" "$1" "$out" 2>"$out/wixl.log") ||
    { cat "$out/wixl.log" >&2; echo "installer: FAILED: wixl" >&2; exit 1; }
echo "installer: $(basename "$msi") is $(stat -c %s "$msi") bytes"
rebuilt=$(SOURCE_DATE_EPOCH=946684800 bash "$root/scripts/installer-windows.sh" "$1" "$out/rebuilt" 2>"$out/wixl.log") ||
    { cat "$out/wixl.log" >&2; echo "installer: FAILED: wixl, rebuilding" >&2; exit 1; }
# codes MSI: its product, upgrade and package codes.
codes() {
    msiinfo export "$1" Property | tr -d '\r' | awk '$1 == "ProductCode" || $1 == "UpgradeCode" {print $2}'
    msiinfo suminfo "$1" | sed -n 's/^Revision number (UUID): //p'
}
mapfile -t first < <(codes "$msi")
mapfile -t second < <(codes "$rebuilt")
[[ ${#first[@]} -eq 3 && ${first[0]} == "${second[0]}" && ${first[1]} == "${second[1]}" &&
    ${first[2]} != "${second[2]}" ]] ||
    fail "product, upgrade and package codes of the installer and of its rebuild: ${first[*]} / ${second[*]}"

# A prefix of its own, so that nothing of the build's is found, and a clean slate to uninstall to.
start_wine "$out/prefix"
unset WINEPATH
drive_c=$WINEPREFIX/drive_c
program=$drive_c/Program\ Files/Kestrin
menu_key='HKLM\Software\Classes\Directory\shell\Kestrin'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
value() { "$WINE64" reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }
uninstall_entry() { "$WINE64" reg query "$uninstall_key" /s 2>/dev/null | tr -d '\r' | grep -c 'DisplayName *REG_SZ *Kestrin$' || true; }
shortcuts() { find "$drive_c" -path '*Start Menu/Programs/Kestrin.lnk' | wc -l; }

"$WINE64" msiexec /i "$(windows "$msi")" /qn >/dev/null 2>&1 || fail "msiexec /i ended with status $?"
for file in kestrin.exe Qt6Core.dll Qt6Widgets.dll libstdc++-6.dll platforms/qwindows.dll \
    styles/qwindowsvistastyle.dll LICENSE.txt Qt.txt licences/LGPL-3.0-only.txt; do
    [[ -f $program/$file ]] || fail "Program Files\\Kestrin\\$file was not installed"
done
[[ $(shortcuts) -eq 1 ]] || fail "no Start menu shortcut Kestrin.lnk"
# The shortcut's working folder is a property that Windows expands for whoever starts it, never a
# path of the installing user's. (Wine's msiexec writes no working folder from a property at all.)
table() { msiinfo export "$msi" "$1" | tr -d '\r' | awk -F'\t' -v key="$2" -v column="$3" '$1 == key {print $column}'; }
start_in=$(table Property "$(table Shortcut KestrinShortcut 12)" 2)
[[ $start_in == '%USERPROFILE%\Documents' ]] || fail "the shortcut starts in '$start_in'"
find "$drive_c" -path '*Start Menu/Programs/Kestrin.lnk' -exec strings -el {} + | grep -qi 'users\\' &&
    fail "the shortcut names a user's folder"
[[ $(value "$menu_key") == "Open with Kestrin" ]] || fail "folders' menu: '$(value "$menu_key")'"
command=$(value "$menu_key\\command")
[[ $command == '"C:\Program Files\Kestrin\kestrin.exe" "%1"' ]] || fail "the menu's command is '$command'"
[[ $(uninstall_entry) -eq 1 ]] || fail "no uninstall entry named Kestrin"
"$WINE64" msiexec /i "$(windows "$rebuilt")" /qn >/dev/null 2>&1 || true
[[ $(uninstall_entry) -eq 1 ]] || fail "the rebuilt installer added a second entry: $(uninstall_entry) entries"

# "Open with Kestrin" on a folder: Explorer puts the folder in place of %1 and runs the line.
folder="$out/demo folder"
demo_folder "$folder" "$2"
printf '%s\r\n' "${command/\%1/$(windows "$folder")}" >"$out/open.bat"
decompiles_in "$folder" "$WINE64" cmd /c "$(windows "$out/open.bat")" ||
    fail "Kestrin started from the folders' menu did not decompile intro"

"$WINE64" msiexec /x "$(windows "$msi")" /qn >/dev/null 2>&1 || fail "msiexec /x ended with status $?"
[[ ! -e $program ]] || fail "Program Files\\Kestrin is still there: $(ls "$program")"
[[ $(shortcuts) -eq 0 ]] || fail "the Start menu shortcut is still there"
"$WINE64" reg query "$menu_key" >/dev/null 2>&1 && fail "the folders' menu entry is still there"
"$WINE64" reg query 'HKLM\Software\Kestrin' >/dev/null 2>&1 && fail "HKLM\\Software\\Kestrin is still there"
[[ $(uninstall_entry) -eq 0 ]] || fail "the uninstall entry is still there"
left=$(find "$drive_c" -iname '*kestrin*' -not -path '*/windows/Installer/*' | head -5)
[[ -z $left ]] || fail "files named after Kestrin are left: $left"

finish "installs, opens a folder from the context menu and uninstalls without a trace"
