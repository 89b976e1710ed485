#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes one of Kestrin's packages from a build with cpack and prints its path: `deb`, the Debian
# package of the release build; `zip`, the portable zip of the windows build. cpack stamps the
# archive with the clock and the build's umask, so the package is then rebuilt from its own
# contents (scripts/lib/reproducible.sh): one commit gives the same bytes in any folder, any time.
# Usage: scripts/package.sh deb|zip BUILD_DIR OUTPUT_DIR
set -euo pipefail
[[ $# -eq 3 && $1 =~ ^(deb|zip)$ ]] || { echo "usage: $0 deb|zip BUILD_DIR OUTPUT_DIR" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/reproducible.sh"
kind=$1
build=$(realpath "$2")
out=$(realpath -m "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -G "${kind^^}" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; echo "package: cpack failed" >&2; exit 1; }
files=("$work"/*."$kind")
[[ ${#files[@]} -eq 1 && -f ${files[0]} ]] || { echo "package: cpack made no one .$kind" >&2; exit 1; }
"normalise_$kind" "${files[0]}"
mkdir -p "$out"
mv "${files[0]}" "$out/"
echo "$out/$(basename "${files[0]}")"
