#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What `make run` does without a display: the demo folder, Kestrin on a virtual display, a picture
# of its painted window. The picture must be the window's size at 96 dpi.
# Usage: screenshot_test.sh BUILD_DIR
set -euo pipefail
[[ $# -eq 1 ]] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bash "$root/scripts/prepare_demo.sh" "$1" "$work/demo"
for name in mervo.exe intro.qb Level.qb menu.qb credits.txt; do
    [[ -f "$work/demo/$name" ]] || { echo "screenshot: FAILED: the demo folder lacks $name" >&2; exit 1; }
done
bash "$root/scripts/screenshot.sh" "$1/app/kestrin" "$work/demo" "$work/shot.png"
size=$(/usr/bin/identify -format %wx%h "$work/shot.png")
[[ "$size" == 353x382 ]] || { echo "screenshot: FAILED: the picture is $size, not 353x382" >&2; exit 1; }
