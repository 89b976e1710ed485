#!/bin/sh
# SPDX-License-Identifier: MIT
# CTest's emulator for the Windows build: runs one program under wine. Wine starts helper
# processes (services, devices) that outlive the program; they must not inherit CTest's output
# pipe, or CTest waits for them until the test times out. So the program writes to a file,
# shown once it has ended.
# Usage: run-under-wine.sh WINE PROGRAM [ARGUMENT...]
wine=$1
shift
output=$(mktemp) || exit 1
"$wine" "$@" >"$output" 2>&1 </dev/null
status=$?
cat "$output"
rm -f "$output"
exit "$status"
