#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# listing/, backend/ and platform/ are plain C++: the programs that test them must link no Qt
# library. They are linked without --as-needed (tests/CMakeLists.txt), so every shared library on
# their link line is one of their NEEDED entries, whether they call into it or not.
# Usage: no_qt_link_test.sh PROGRAM...
set -euo pipefail
[[ $# -gt 0 ]] || { echo "usage: $0 PROGRAM..." >&2; exit 2; }
status=0
for program in "$@"; do
    name=$(basename "$program")
    needed=$(readelf --dynamic "$program" | awk '/\(NEEDED\)/ { gsub(/[][]/, "", $NF); print $NF }')
    # No C library among them would mean that the entries were not read, not that none is Qt.
    if ! grep -q '^libc\.so' <<<"$needed"; then
        echo "no_qt_link: FAILED: cannot read the libraries $name needs" >&2
        status=1
    elif grep -q '^libQt' <<<"$needed"; then
        echo "no_qt_link: FAILED: $name links" $(grep '^libQt' <<<"$needed") >&2
        status=1
    else
        echo "no_qt_link: $name links" $needed
    fi
done
exit $status
