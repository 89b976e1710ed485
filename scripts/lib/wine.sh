# SPDX-License-Identifier: MIT
# Sourced by scripts that run Windows programs. start_wine PREFIX makes PREFIX a fresh 64-bit wine
# prefix with wine's own fonts and starts its wineserver; stop_wine ends that server. WINE64 and
# WINESERVER name the programs (Debian keeps them outside PATH).

export WINEDEBUG=${WINEDEBUG:--all} WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
# Wine stores file names in the locale's encoding; under C or POSIX a name like "ünïcödé" cannot
# be created at all. C.UTF-8 comes with every Debian system.
export LC_ALL=C.UTF-8
WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

KESTRIN_WINE_STARTED=""

start_wine() {
    export WINEPREFIX=$1
    KESTRIN_WINE_STARTED=$1
    local start
    start=$(date +%s)
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    # It runs in the background until stop_wine: its output must not keep the caller's pipe open.
    "$WINESERVER" -p >/dev/null 2>&1
    "$WINE64" wineboot --init >/dev/null 2>&1
    # Without wine's 32-bit half, wineboot leaves the Fonts folder empty and every program would
    # draw with whatever the host has: Tahoma, the font Kestrin's Windows window uses, among them.
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    echo "wine: prefix ready in $(($(date +%s) - start)) s"
}

# Ends only the server start_wine started, never one this script was handed.
stop_wine() {
    if [[ -n $KESTRIN_WINE_STARTED ]]; then
        WINEPREFIX=$KESTRIN_WINE_STARTED "$WINESERVER" -k 2>/dev/null || true
    fi
}
