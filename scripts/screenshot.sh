#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts Kestrin in FOLDER on a virtual X display, saves a picture of its window once it is
# painted, and closes it again. Kestrin itself knows nothing of this: it is driven from outside.
# Usage: scripts/screenshot.sh KESTRIN FOLDER OUTPUT.png
set -euo pipefail
[[ $# -eq 3 ]] || { echo "usage: $0 KESTRIN FOLDER OUTPUT.png" >&2; exit 2; }
kestrin=$(realpath "$1")
folder=$2
output=$(realpath -m "$3")
# By path: another "convert" may come first on PATH.
import=/usr/bin/import
convert=/usr/bin/convert
for tool in Xvfb xwininfo "$import" "$convert"; do
    command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (scripts/bootstrap.sh screenshot)" >&2; exit 1; }
done

source "$(dirname "$0")/lib/xvfb.sh"
work=$(mktemp -d)
kestrin_pid=""
cleanup() {
    if [[ -n "$kestrin_pid" ]]; then
        kill "$kestrin_pid" 2>/dev/null || true
        wait "$kestrin_pid" 2>/dev/null || true
    fi
    stop_xvfb
    rm -rf "$work"
}
trap cleanup EXIT

start_xvfb
# xcb by name: a QT_QPA_PLATFORM=offscreen left in the shell would draw nowhere to be seen.
(cd "$folder" && QT_QPA_PLATFORM=xcb exec "$kestrin") 2>"$work/kestrin.log" &
kestrin_pid=$!

fail() {
    echo "screenshot: $1" >&2
    [[ -s "$work/kestrin.log" ]] && sed 's/^/  kestrin: /' "$work/kestrin.log" >&2
    exit 1
}

# The window is mapped first and painted a moment later: wait until it is viewable, then until
# two grabs in a row agree and show more than one colour. Every wait is bounded.
window=""
for _ in $(seq 200); do
    kill -0 "$kestrin_pid" 2>/dev/null || fail "Kestrin ended before showing its window."
    if info=$(xwininfo -name Kestrin 2>/dev/null) && grep -q "Map State: IsViewable" <<<"$info"; then
        window=$(awk '/Window id:/ {print $4; exit}' <<<"$info")
        break
    fi
    sleep 0.05
done
[[ -n "$window" ]] || fail "no window named Kestrin appeared within 10 seconds."

previous=""
for attempt in $(seq 100); do
    "$import" -window "$window" "ppm:$work/grab$attempt.ppm" 2>/dev/null || true
    if [[ -s "$work/grab$attempt.ppm" && -n "$previous" ]] &&
        cmp -s "$previous" "$work/grab$attempt.ppm" &&
        [[ $("$convert" "$previous" -format %k info:) -gt 1 ]]; then
        mkdir -p "$(dirname "$output")"
        # -strip leaves out time stamps, so an unchanged window gives an unchanged file.
        "$convert" "$previous" -strip "png:$output"
        echo "Screenshot of the Kestrin window saved to $output"
        exit 0
    fi
    [[ -s "$work/grab$attempt.ppm" ]] && previous="$work/grab$attempt.ppm"
    sleep 0.05
done
fail "the window was never painted steadily within 5 seconds."
