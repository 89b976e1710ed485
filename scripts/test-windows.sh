#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the Windows build's tests (build/windows) under wine64 in a fresh wine prefix there, on a
# virtual X display of their own: the widgets use Qt's real Windows platform, which draws through
# wine onto that display. One wineserver serves the whole run: wine's first start, which makes
# the prefix and starts its services, takes seconds, and every later program reuses what it
# started. Arguments are passed on to ctest (-R NAME runs one test).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/wine.sh
source scripts/lib/xvfb.sh

trap 'stop_wine; stop_xvfb' EXIT
start_xvfb
start_wine "$PWD/build/windows/wineprefix"
ctest --preset windows "$@"
