#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the artefacts of the last commit twice, in two fresh clones under different folder names,
# one after the other (so at different times), with different umasks and time zones, and compares
# them byte for byte: `all` compares everything `make release` puts in dist/, `deb` the Debian
# package alone. Says which files differ and, where Debian's diffoscope is installed, how (its
# report is kept beside the clones). The clones are removed when everything is identical.
# Uncommitted changes are not in the clones. The builds leave out the tests, which no artefact
# holds.
# Usage: scripts/check-reproducible.sh all|deb
set -euo pipefail
[[ $# -eq 1 && $1 =~ ^(all|deb)$ ]] || { echo "usage: $0 all|deb" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
mode=$1
commit=$(git -C "$root" rev-parse HEAD)
[[ -z $(git -C "$root" status --porcelain --untracked-files=no) ]] ||
    echo "reproducible: comparing commit $commit; uncommitted changes are not in it"
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrin-reproducible.XXXXXX")
if [[ $mode == all ]]; then
    # Both clones use one Qt for mingw-w64, made ready here as `make windows` would.
    export KESTRIN_QT_MINGW=${KESTRIN_QT_MINGW:-$root/build/qt6-mingw}
    bash "$root/scripts/qt-mingw.sh" "$KESTRIN_QT_MINGW"
    targets=(release)
else
    targets=(package)
fi

# build NAME UMASK TZ: a clone of the commit in $work/NAME, built there; its artefacts in dist/.
build() {
    local clone=$work/$1 start=$SECONDS
    git clone -q --no-local "$root" "$clone"
    git -C "$clone" checkout -q --detach "$commit"
    (
        cd "$clone" && umask "$2" && export TZ=$3
        make "${targets[@]}" CONFIGURE_ARGS=-DKESTRIN_BUILD_TESTS=OFF >"$work/$1.log" 2>&1 &&
            if [[ $mode == deb ]]; then mkdir -p dist && cp build/release/*.deb dist/; fi
    ) || { tail -n 30 "$work/$1.log" >&2; echo "reproducible: the build in $clone failed" >&2; exit 1; }
    echo "reproducible: built $commit in $clone in $((SECONDS - start)) s"
}
build first 022 UTC
build second-clone-with-a-longer-name 002 Pacific/Auckland

a=$work/first/dist
b=$work/second-clone-with-a-longer-name/dist
differ=0
for file in $( (ls "$a"; ls "$b") | LC_ALL=C sort -u); do
    if [[ ! -f $a/$file || ! -f $b/$file ]]; then
        echo "reproducible: DIFFERS: $file is in one build only"
        differ=$((differ + 1))
    elif cmp -s "$a/$file" "$b/$file"; then
        echo "reproducible: identical: $file ($(stat -c %s "$a/$file") bytes)"
    else
        echo "reproducible: DIFFERS: $file"
        differ=$((differ + 1))
        if command -v diffoscope >/dev/null; then
            diffoscope --text "$work/$file.diffoscope.txt" "$a/$file" "$b/$file" >/dev/null || true
            head -n 40 "$work/$file.diffoscope.txt"
            echo "reproducible: diffoscope's whole report: $work/$file.diffoscope.txt"
        fi
    fi
done
if [[ $differ -gt 0 ]]; then
    echo "reproducible: FAILED: $differ file(s) differ; the builds are kept in $work" >&2
    exit 1
fi
rm -rf "$work"
echo "reproducible: every artefact of $commit is byte for byte the same in both builds"
