#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes FOLDER a fresh copy of demo/ with the demo backend in it under the default name
# "mervo.exe", so that Kestrin started there finds it.
# Usage: scripts/prepare_demo.sh BUILD_DIR FOLDER
set -euo pipefail
[[ $# -eq 2 ]] || { echo "usage: $0 BUILD_DIR FOLDER" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
backend="$1/tools/demo_backend/demo_backend"
[[ -x "$backend" ]] || { echo "prepare_demo: $backend is not built" >&2; exit 1; }
rm -rf "$2"
mkdir -p "$2"
cp -R "$root/demo/." "$2/"
cp "$backend" "$2/mervo.exe"
