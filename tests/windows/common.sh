# SPDX-License-Identifier: MIT
# Sourced by the tests of kestrin.exe under wine, after they set `test` to their name: wine's
# settings, a temporary folder $out (removed at the end, with the wine server of a prefix started
# in it), a count of failures, Windows paths of this machine's files, and a demo folder.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/scripts/lib/wine.sh"
out=$(mktemp -d)
cleanup() {
    stop_wine
    rm -rf "$out"
}
trap cleanup EXIT

failures=0
fail() {
    echo "$test: FAILED: $1" >&2
    failures=$((failures + 1))
}
# Ends the test: status 1 after a failure, else the summary.
finish() {
    [[ $failures -eq 0 ]] || exit 1
    echo "$test: $1"
}

# This machine's root folder is drive Z: under wine.
windows() { printf 'Z:%s' "${1//\//\\}"; }

# demo_folder FOLDER BACKEND.exe: the demo files, and the backend as mervo.exe, in FOLDER.
demo_folder() {
    mkdir -p "$1"
    cp "$root"/demo/* "$1/"
    cp "$2" "$1/mervo.exe"
}

# decompiles_in FOLDER COMMAND...: COMMAND starts Kestrin in FOLDER, and a Decompile of intro
# through its window writes the demo backend's text form there.
decompiles_in() {
    local folder=$1
    shift
    (cd "$(dirname "$folder")" && bash "$root/scripts/drive-windows.sh" "$folder" \
        "${shot:-$(dirname "$folder")/window.png}" "$@") || return 1
    grep -q '^# Kestrin demo script' "$folder/intro.txt"
}
