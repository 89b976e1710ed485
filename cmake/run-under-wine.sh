#!/bin/sh
# SPDX-License-Identifier: MIT
# CTest's emulator for the Windows build: runs one program under wine, with the folders of the
# DLLs it loads (Qt's, the compiler's runtime) on its search path. Wine starts helper processes
# (services, devices) that outlive the program; they must not inherit CTest's output pipe, or
# CTest waits for them until the test times out. So the program writes to a file, shown once it
# has ended.
# Usage: run-under-wine.sh WINE DLL_FOLDER[:DLL_FOLDER...] PROGRAM [ARGUMENT...]
wine=$1
WINEPATH=$(printf '%s' "$2" | sed 's|:/|;Z:/|g; s|^|Z:|')
export WINEPATH
shift 2
output=$(mktemp) || exit 1
"$wine" "$@" >"$output" 2>&1 </dev/null
status=$?
cat "$output"
rm -f "$output"
exit "$status"
