#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# kestrin.exe as Windows users start it, under wine on the display scripts/test-windows.sh gives:
# help, version and mistakes go where a console's redirection sends them, with status 0 or 2;
# started with no console and no handles, as Explorer starts it, the help comes in a message box;
# and started with a folder, as Explorer starts it for a folder dropped on it, the real window
# lists that folder and a Decompile through the real cmd.exe writes its output there. The picture
# of that window goes to OUTPUT.png.
# Usage: program_test.sh KESTRIN.exe DEMO_BACKEND.exe DLL_FOLDER[:DLL_FOLDER...] OUTPUT.png
set -euo pipefail
[[ $# -eq 4 ]] || { echo "usage: $0 KESTRIN.exe DEMO_BACKEND.exe DLL_FOLDERS OUTPUT.png" >&2; exit 2; }
test="windows program"
source "$(dirname "$0")/common.sh"
WINEPATH=$(printf '%s' "$3" | sed 's|:/|;Z:/|g; s|^|Z:|')
export WINEPATH
shot=$4
kestrin=$(windows "$(realpath "$1")")
demo_backend=$2

# ends STATUS STREAM PATTERN ARGUMENTS: run through cmd.exe with STREAM (1 or 2) sent to a file,
# the program ends with STATUS and the file's first line matches PATTERN.
ends() {
    local status=$1 stream=$2 pattern=$3 arguments=$4 got=0
    timeout 60 "$WINE64" cmd /c "$kestrin $arguments $stream> $(windows "$out/out")" \
        </dev/null >/dev/null 2>&1 || got=$?
    local first
    first=$(head -n 1 "$out/out" 2>/dev/null | tr -d '\r')
    [[ $got -eq $status ]] || fail "kestrin.exe $arguments: exit status $got, not $status"
    [[ $first =~ $pattern ]] || fail "kestrin.exe $arguments: wrote '$first', not /$pattern/"
}
ends 0 1 '^Usage: .*kestrin\.exe \[options\] \[FOLDER\]$' --help
ends 0 1 '^kestrin [0-9]+\.[0-9]+\.[0-9]+$' --version
ends 2 2 "^kestrin: 'b' would be a second folder; give one at most \(see kestrin --help\)$" 'a b'
ends 2 2 "^kestrin: Unknown option 'bogus' \(see kestrin --help\)$" --bogus

# With nowhere to write, the help comes in a message box; OK ends the program with status 0.
timeout 60 "$WINE64" start /wait "$kestrin" --help </dev/null >/dev/null 2>&1 &
started=$!
box=""
for _ in $(seq 300); do
    box=$(xdotool search --onlyvisible --name '^Kestrin$' 2>/dev/null | head -n 1) && [[ -n $box ]] && break
    sleep 0.1
done
if [[ -z $box ]]; then
    fail "kestrin.exe --help without a console showed no message box"
    kill "$started" 2>/dev/null || true
else
    sleep 1
    read -r box_width box_height < <(xwininfo -id "$box" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
    xdotool mousemove --window "$box" $((box_width / 2)) $((box_height - 22)) sleep 0.2 mousedown 1 sleep 0.2 mouseup 1
    status=0
    wait "$started" || status=$?
    [[ $status -eq 0 ]] || fail "kestrin.exe --help in a message box: exit status $status, not 0"
fi

# A folder whose path has a space, given as one argument as Explorer gives a dropped folder, to a
# program started elsewhere.
folder="$out/my scripts"
demo_folder "$folder" "$demo_backend"
decompiles_in "$folder" "$WINE64" "$kestrin" "$(windows "$folder")" ||
    fail "the Decompile through the real window, in the folder given"

finish "help, version, refusals, the message box and the real window behave as documented"
