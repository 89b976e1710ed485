#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The built program and its command line: help and version on standard output with status 0;
# mistakes refused with one line on standard error and status 2 before any window, and no display
# one line and status 1, whatever the command line; `kestrin FOLDER` running with FOLDER as its
# working folder, read from /proc, whatever bytes its name holds; Qt's -stylesheet read from the
# folder Kestrin was started in; and Kestrin started with its standard streams closed or leading
# nowhere. That the window made
# there lists FOLDER is app_tests' StartFolder case; that a backend it starts gets 0-2 open and
# SIGPIPE back is launcher_tests' KestrinsOwnStandardStreams case.
# Usage: program_test.sh BUILD_DIR
set -euo pipefail
[[ $# -eq 1 ]] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
kestrin=$(realpath "$1/app/kestrin")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt")
work=$(realpath "$(mktemp -d)")
running=""
cleanup() {
    if [[ -n "$running" ]]; then
        kill "$running" 2>/dev/null || true
        wait "$running" 2>/dev/null || true
    fi
    chmod -R u+rwx "$work"
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
    echo "program: FAILED: $1" >&2
    failures=$((failures + 1))
}
mkdir "$work/plain" "$work/my scripts" "$work/-scripts" "$work/locked" "$work/"$'latin1 caf\xe9'
touch "$work/a file"
chmod 000 "$work/locked"
cd "$work"
# No display of any kind: a program that went on to open its window would fail here.
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)

# ends STATUS STDOUT STDERR ARGUMENT...: the program ends at once with STATUS; each stream is
# empty or one line matching its pattern (the help: its first line). $platform, when set, is the
# Qt platform it may use.
platform=()
ends() {
    local status=$1 out_pattern=$2 err_pattern=$3 got=0
    shift 3
    timeout 20 "${no_display[@]}" "${platform[@]}" "$kestrin" "$@" >"$work/out" 2>"$work/err" \
        </dev/null || got=$?
    local what="kestrin $*" out err
    out=$(head -n 1 "$work/out")
    err=$(cat "$work/err")
    [[ $got -eq $status ]] || fail "$what: exit status $got, not $status; stderr: $err"
    if [[ -z "$out_pattern" ]]; then
        [[ ! -s "$work/out" ]] || fail "$what: wrote to standard output: $(cat "$work/out")"
    elif [[ ! "$out" =~ $out_pattern ]]; then
        fail "$what: standard output starts '$out', not /$out_pattern/"
    fi
    if [[ -z "$err_pattern" ]]; then
        [[ ! -s "$work/err" ]] || fail "$what: wrote to standard error: $err"
    elif [[ $(wc -l <"$work/err") -ne 1 || ! "$err" =~ $err_pattern ]]; then
        fail "$what: standard error is '$err', not one line /$err_pattern/"
    fi
}

ends 0 '^Usage: .*kestrin \[options\] \[FOLDER\]$' '' --help
ends 0 "^kestrin ${version//./\\.}\$" '' -v
# Qt's offscreen platform warns on standard error without a runtime folder of the user's own.
mkdir -m 700 "$work/runtime"
platform=(QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime")
ends 2 '' "^kestrin: Unknown option 'bogus' \(see kestrin --help\)\$" --bogus
# With no display at all Qt reads its options on its minimal platform.
platform=(XDG_RUNTIME_DIR="$work/runtime")
ends 2 '' "^kestrin: Unknown option 'bogus' \(see kestrin --help\)\$" --bogus
for arguments in -reverse "" plain; do
    ends 1 '' "^kestrin: there is no display to show the window on\$" $arguments
done
platform=(DISPLAY=:99 XDG_RUNTIME_DIR="$work/runtime")
ends 1 '' "^kestrin: there is no display to show the window on\$" "my scripts"
platform=()
ends 2 '' "^kestrin: 'other' would be a second folder; give one at most \(see kestrin --help\)\$" \
    "my scripts" other
ends 2 '' "^kestrin: cannot work in 'missing': No such file or directory\$" missing
ends 2 '' "^kestrin: cannot work in 'a file': Not a directory\$" "a file"
# What a folder's name holds reaches the terminal as one line, its line breaks and escape
# sequences (this one would set the terminal's title) written as U+XXXX.
ends 2 '' "^kestrin: cannot work in 'aU\+000Ab': No such file or directory\$" $'a\nb'
ends 2 '' "^kestrin: cannot work in 'U\+001B\]0;titleU\+0007': No such file or directory\$" \
    $'\e]0;title\a'
# A name that is not UTF-8 shows its bytes as \xHH, and is never taken for another folder.
ends 2 '' "^kestrin: cannot work in 'latin1 caf\\\\xE9 2': No such file or directory\$" \
    $'latin1 caf\xe9 2'
# A help or version that cannot be written is no success.
for option in --version --help; do
    status=0
    "${no_display[@]}" "$kestrin" "$option" >/dev/full 2>/dev/null || status=$?
    [[ $status -eq 1 ]] || fail "kestrin $option >/dev/full: exit status $status, not 1"
done
if [[ $(id -u) -ne 0 ]]; then
    ends 2 '' "^kestrin: cannot work in 'locked': Permission denied\$" locked
else
    echo "program: root enters any folder, so the locked folder is not tried"
fi

# runs_in FOLDER [ENV...] -- ARGUMENT...: started from $work, the program makes FOLDER its working
# folder and is still running a second later, its window open on the offscreen platform.
runs_in() {
    local folder=$1 environment=()
    shift
    while [[ $1 != -- ]]; do
        environment+=("$1")
        shift
    done
    shift
    local what="kestrin $*" cwd=""
    "${no_display[@]}" "${environment[@]}" "$kestrin" "$@" >"$work/log" 2>&1 </dev/null &
    running=$!
    for _ in $(seq 100); do
        cwd=$(readlink "/proc/$running/cwd" 2>/dev/null) || break
        [[ "$cwd" == "$folder" ]] && break
        sleep 0.1
    done
    [[ "$cwd" == "$folder" ]] || fail "$what: works in '$cwd', not '$folder'; $(cat "$work/log")"
    sleep 1
    kill -0 "$running" 2>/dev/null || fail "$what: ended at once: $(cat "$work/log")"
    kill "$running" 2>/dev/null || true
    wait "$running" 2>/dev/null || true
    running=""
}

runs_in "$work" QT_QPA_PLATFORM=offscreen --
runs_in "$work/my scripts" QT_QPA_PLATFORM=offscreen -- "my scripts"
# Qt's own option reaches Qt: nothing else names a platform here.
runs_in "$work/-scripts" -- -platform offscreen -- -scripts
runs_in "$work/"$'latin1 caf\xe9' QT_QPA_PLATFORM=offscreen -- $'latin1 caf\xe9'

# Qt's -stylesheet names a file of the folder Kestrin was started in, as in any Qt program: one
# planted in FOLDER under that name is never read; the one beside is.
for planted in "my scripts" .; do
    printf 'QPushButton { color: red; }\n' >"$work/style.qss"
    printf 'QPushButton { {{{{\n' >"$work/my scripts/style.qss"
    [[ $planted == . ]] && cp "$work/my scripts/style.qss" "$work/style.qss"
    runs_in "$work/my scripts" QT_QPA_PLATFORM=offscreen -- -stylesheet style.qss "my scripts"
    read_it=no
    grep -q "Could not parse application stylesheet" "$work/log" && read_it=yes
    [[ $read_it == $([[ $planted == . ]] && echo yes || echo no) ]] ||
        fail "kestrin -stylesheet style.qss FOLDER: the sheet in '$planted' read: $read_it"
done

# SIGTERM (the session ending) ends Kestrin the usual way: at once, with status 0.
"${no_display[@]}" QT_QPA_PLATFORM=offscreen "$kestrin" >"$work/log" 2>&1 </dev/null &
running=$!
sleep 1
kill -TERM "$running"
status=0
timeout 10 tail --pid="$running" -f /dev/null || fail "kestrin did not end on SIGTERM"
wait "$running" || status=$?
running=""
[[ $status -eq 0 ]] || fail "kestrin ended on SIGTERM with status $status: $(cat "$work/log")"

# survives WHAT STREAMS COMMAND...: the command, run in the background with STREAMS (closed: 0, 1
# and 2 closed; a number: standard error to that descriptor), leaves Kestrin running two seconds
# later; then its descriptors 0, 1 and 2 are printed to $work/fds.
survives() {
    local what=$1 streams=$2
    shift 2
    if [[ $streams == closed ]]; then
        "$@" <&- >&- 2>&- &
    else
        "$@" </dev/null >/dev/null 2>&"$streams" &
    fi
    running=$!
    sleep 2
    if kill -0 "$running" 2>/dev/null; then
        for fd in 0 1 2; do
            readlink "/proc/$running/fd/$fd" || echo closed
        done >"$work/fds"
        kill "$running" 2>/dev/null || true
        wait "$running" 2>/dev/null || true
    else
        local status=0
        wait "$running" || status=$?
        fail "$what: ended with status $status"
        echo >"$work/fds"
    fi
    running=""
}

# Started with all three standard descriptors closed, as some desktops and parents leave them:
# Kestrin runs with /dev/null in their place, so no file it opens later takes one.
survives "kestrin with 0, 1 and 2 closed" closed \
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$kestrin"
[[ "$(tr '\n' ' ' <"$work/fds")" == "/dev/null /dev/null /dev/null " ]] ||
    fail "kestrin with 0, 1 and 2 closed: its descriptors are $(tr '\n' ' ' <"$work/fds")"

# Standard error a pipe whose reader has gone (a closed terminal, a pipe into a program that
# ended): Qt's warning about an unknown style, asked for here on purpose, must not end Kestrin
# through SIGPIPE.
exec {broken}> >(exit 0)
reader=$!
wait "$reader"
survives "kestrin writing a warning to a pipe nobody reads" "$broken" \
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$kestrin" -style nosuchstyle
exec {broken}>&-

[[ $failures -eq 0 ]] || exit 1
echo "program: help, version, refusals, the folder argument and closed streams behave as documented"
