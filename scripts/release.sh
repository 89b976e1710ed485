#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Gathers every artefact of this version into DIST (after `make package package-windows
# installer-windows`, as `make release` runs them): the .deb, the portable zip, the installer, the
# source tarball of the last commit (git archive, gzip without name or time), and SHA256SUMS.
# A tree with uncommitted changes is refused: its programs would not be built from that source.
# Usage: scripts/release.sh DIST
set -euo pipefail
[[ $# -eq 1 ]] || { echo "usage: $0 DIST" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/reproducible.sh"
if [[ -n $(git -C "$root" status --porcelain --untracked-files=no) ]]; then
    echo "release: the working tree has uncommitted changes; commit them first" >&2
    exit 1
fi
version=$(sed -n 's/^project(Kestrin VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
dist=$(realpath -m "$1")
rm -rf "$dist"
mkdir -p "$dist"
for artefact in "build/release/kestrin_${version}_amd64.deb" \
    "build/windows/kestrin-$version-windows-x64.zip" "build/windows/kestrin-$version-x64.msi"; do
    [[ -f $root/$artefact ]] || { echo "release: $artefact is missing" >&2; exit 1; }
    cp "$root/$artefact" "$dist/"
done
git -C "$root" archive --format=tar --prefix="kestrin-$version/" HEAD |
    gzip -9n >"$dist/kestrin-$version-source.tar.gz"
(cd "$dist" && LC_ALL=C sha256sum kestrin* >SHA256SUMS)
cat "$dist/SHA256SUMS"
