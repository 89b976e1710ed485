# SPDX-License-Identifier: MIT
# Sourced by scripts that need an X display of their own.
# start_xvfb starts Xvfb on a free display number and exports DISPLAY; stop_xvfb ends it.
# Xvfb picks the number itself (-displayfd), so runs side by side never collide.

XVFB_PID=""

start_xvfb() {
    local dir number=""
    dir=$(mktemp -d)
    mkfifo "$dir/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" 2>"$dir/log" &
    XVFB_PID=$!
    read -r -t 20 number <"$dir/display" || true
    if [[ -z "$number" ]]; then
        echo "Xvfb did not start:" >&2
        cat "$dir/log" >&2
        rm -rf "$dir"
        stop_xvfb
        return 1
    fi
    rm -rf "$dir"
    export DISPLAY=":$number"
}

stop_xvfb() {
    if [[ -n "$XVFB_PID" ]]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}
