#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs one command on a virtual X display of its own, with Qt using it.
# Usage: scripts/on_xvfb.sh COMMAND [ARG...]
set -euo pipefail
source "$(dirname "$0")/lib/xvfb.sh"
trap stop_xvfb EXIT
start_xvfb
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
status=0
"$@" || status=$?
exit "$status"
