#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Works the real kestrin.exe from outside, as a user would, on the X display wine draws on: picks
# "intro" in the list, presses Decompile, dismisses "DeCompiling Done" and waits for intro.txt in
# FOLDER, which must hold the demo files and the demo backend as mervo.exe; then saves a picture of
# the window and closes it. COMMAND starts Kestrin in FOLDER (through wine, with the folder as its
# argument, from a shortcut's command line...). Kestrin knows nothing of this.
# Usage: scripts/drive-windows.sh FOLDER OUTPUT.png COMMAND...
set -euo pipefail
[[ $# -ge 3 ]] || { echo "usage: $0 FOLDER OUTPUT.png COMMAND..." >&2; exit 2; }
folder=$1
output=$(realpath -m "$2")
shift 2
source "$(dirname "$0")/lib/wine.sh"
for tool in xdotool xwininfo import convert; do
    command -v "$tool" >/dev/null || { echo "drive-windows: $tool is missing (scripts/bootstrap.sh windows)" >&2; exit 1; }
done
log=$(mktemp)
"$@" >"$log" 2>&1 &
kestrin=$!
fail() {
    echo "drive-windows: $1" >&2
    sed 's/^/  kestrin: /' "$log" >&2
    kill "$kestrin" 2>/dev/null || true
    rm -f "$log"
    exit 1
}

# Twips to pixels at 96 dpi, the window's own unit: 15 twips a pixel.
px() { echo $(($1 / 15)); }
# The window's client area is its X window; its size is the control table's.
width=$(px 5295) height=$(px 5730)

# window_named NAME [SIZE]: the id of a viewable window of that name (and size), within 30 s.
window_named() {
    for _ in $(seq 300); do
        kill -0 "$kestrin" 2>/dev/null || fail "Kestrin ended before showing $1."
        local id
        for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
            local size
            size=$(xwininfo -id "$id" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
            if [[ -z ${2:-} && $size != "${width}x${height}" ]] || [[ $size == "${2:-}" ]]; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.1
    done
    fail "no window '$1' ${2:-} appeared within 30 seconds."
}

# click WINDOW X Y: a press and a release a moment apart, as a hand makes them; a window that has
# just appeared gets a second to take it.
click() {
    sleep 1
    xdotool mousemove --window "$1" "$2" "$3" sleep 0.2 mousedown 1 sleep 0.2 mouseup 1
}

main=$(window_named Kestrin "${width}x${height}")
# The first entry of List1 (inside Frame3), and Command1 (inside Frame1): left and top edges in
# twips from the control table, a few pixels in.
click "$main" $(($(px $((120 + 120))) + 20)) $(($(px $((3000 + 480))) + 8))
click "$main" $(($(px $((120 + 3960))) + 30)) $(($(px $((480 + 240))) + 8))
box=$(window_named Kestrin)
# Its one button, OK, sits at the middle of its lower edge.
read -r box_width box_height < <(xwininfo -id "$box" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
click "$box" $((box_width / 2)) $((box_height - 22))
for _ in $(seq 300); do
    [[ -s $folder/intro.txt ]] && break
    sleep 0.1
done
[[ -s $folder/intro.txt ]] || fail "the Decompile wrote no intro.txt in $folder within 30 seconds."
for _ in $(seq 100); do
    xwininfo -id "$box" 2>/dev/null | grep -q IsViewable || break
    sleep 0.1
done
xwininfo -id "$box" 2>/dev/null | grep -q IsViewable && fail "OK did not close the message box."
# A moment for the window to paint where the box was.
sleep 1
mkdir -p "$(dirname "$output")"
import -window "$main" -strip "png:$output"
# Closed as Windows closes a program's windows on request (WM_CLOSE), not ended.
"$WINE64" taskkill /im kestrin.exe >/dev/null 2>&1 || fail "taskkill found no kestrin.exe."
for _ in $(seq 100); do
    kill -0 "$kestrin" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$kestrin" 2>/dev/null && fail "Kestrin did not close when asked."
status=0
wait "$kestrin" || status=$?
rm -f "$log"
[[ $status -eq 0 ]] || { echo "drive-windows: Kestrin ended with status $status" >&2; exit 1; }
echo "drive-windows: Decompile wrote $folder/intro.txt; picture of the window in $output"
