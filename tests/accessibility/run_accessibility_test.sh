#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts Kestrin on a copy of the demo folder, on a virtual display with a D-Bus session of its
# own and the accessibility bus switched on, and lets drive_window.py use it from outside.
# Usage: run_accessibility_test.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

if [[ "${1:-}" == --in-session ]]; then
    # Second half, inside dbus-run-session: the display, Kestrin, and the script.
    folder=$2
    kestrin=$3
    source "$root/scripts/lib/xvfb.sh"
    kestrin_pid=""
    cleanup() {
        if [[ -n "$kestrin_pid" ]]; then
            kill "$kestrin_pid" 2>/dev/null || true
            wait "$kestrin_pid" 2>/dev/null || true
        fi
        stop_xvfb
    }
    trap cleanup EXIT
    start_xvfb
    unset WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    (cd "$folder" && exec "$kestrin") 2>"$folder.kestrin.log" &
    kestrin_pid=$!
    status=0
    timeout 90 /usr/bin/python3 "$here/drive_window.py" "$folder" || status=$?
    if [[ $status -ne 0 ]]; then
        [[ $status -eq 124 ]] && echo "accessibility: FAILED: the script ran over 90 s" >&2
        sed 's/^/  kestrin: /' "$folder.kestrin.log" >&2
    fi
    exit "$status"
fi

[[ $# -eq 1 ]] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
build=$(realpath "$1")
missing=()
for tool in Xvfb dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
/usr/bin/python3 -c "import pyatspi" 2>/dev/null || missing+=("python3-pyatspi")
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "accessibility: FAILED: ${missing[*]} missing (scripts/bootstrap.sh test installs them)" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bash "$root/scripts/prepare_demo.sh" "$build" "$work/demo"
# The session's own messages (such as a refused file limit) are no concern of the test.
dbus-run-session -- bash "$0" --in-session "$work/demo" "$build/app/kestrin" \
    2> >(grep -v '^dbus-daemon\[' >&2)
