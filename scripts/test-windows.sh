#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the Windows build's tests (build/windows) under wine64 in a fresh wine prefix there.
# One wineserver serves the whole run: wine's first start, which makes the prefix and starts its
# services, takes seconds, and every later program reuses what it started.
set -euo pipefail
cd "$(dirname "$0")/.."

export WINEPREFIX="$PWD/build/windows/wineprefix"
export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
# Wine stores file names in the locale's encoding; under C or POSIX a name like "ünïcödé" cannot
# be created at all. C.UTF-8 comes with every Debian system.
export LC_ALL=C.UTF-8
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
# It runs in the background until the trap below ends it: its output must not keep the
# caller's pipe open.
"$wineserver" -p >/dev/null 2>&1
trap '"$wineserver" -k || true' EXIT
start=$(date +%s)
"$wine64" wineboot --init >/dev/null 2>&1
echo "test-windows: wine prefix ready in $(($(date +%s) - start)) s"
ctest --preset windows
