#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the installer from this build and works it in a fresh wine prefix as Windows users do:
# msiexec /i installs Kestrin under Program Files with a Start menu shortcut, "Open with Kestrin"
# on folders and an uninstall entry; the context menu's own command line, run for a demo folder,
# starts Kestrin there, which decompiles intro through the real window; msiexec /x takes away all
# that the installer added.
# Usage: installer_test.sh BUILD_DIR DEMO_BACKEND.exe
set -euo pipefail
[[ $# -eq 2 ]] || { echo "usage: $0 BUILD_DIR DEMO_BACKEND.exe" >&2; exit 2; }
test=installer
source "$(dirname "$0")/common.sh"
msi=$(bash "$root/scripts/installer-windows.sh" "$1" "$out" 2>"$out/wixl.log") ||
    { cat "$out/wixl.log" >&2; echo "installer: FAILED: wixl" >&2; exit 1; }
echo "installer: $(basename "$msi") is $(stat -c %s "$msi") bytes"

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
[[ $(value "$menu_key") == "Open with Kestrin" ]] || fail "folders' menu: '$(value "$menu_key")'"
command=$(value "$menu_key\\command")
[[ $command == '"C:\Program Files\Kestrin\kestrin.exe" "%1"' ]] || fail "the menu's command is '$command'"
[[ $(uninstall_entry) -eq 1 ]] || fail "no uninstall entry named Kestrin"

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
