#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the .deb from this build into a temporary folder, as `make package` does, and checks it as
# a distribution would:
# what it holds and needs (the libraries dpkg-shlibdeps found, the font named by hand), Debian's
# own checker lintian, AppStream's pedantic validator on the packaged metainfo, the manual page
# as man finds it, and one version and date in the package, its changelog and its metainfo.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
[[ $# -eq 1 ]] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
for tool in dpkg-shlibdeps dpkg-parsechangelog lintian appstreamcli man; do
    command -v "$tool" >/dev/null ||
        { echo "package: FAILED: $tool missing (scripts/bootstrap.sh test installs it)" >&2; exit 1; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
deb=$(bash "$(dirname "$0")/../scripts/package.sh" deb "$1" "$out") ||
    { echo "package: FAILED: scripts/package.sh" >&2; exit 1; }

failures=0
fail() {
    echo "package: FAILED: $1" >&2
    failures=$((failures + 1))
}
depends=$(dpkg-deb -f "$deb" Depends)
for needed in fonts-dejavu-core libqt6widgets6 libqt6gui6 libqt6core6 libc6; do
    grep -Eq "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
id=org.example.kestrin
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/kestrin ./usr/share/applications/$id.desktop \
    ./usr/share/icons/hicolor/scalable/apps/$id.svg ./usr/share/metainfo/$id.metainfo.xml \
    ./usr/share/man/man1/kestrin.1.gz ./usr/share/doc/kestrin/changelog.gz \
    ./usr/share/doc/kestrin/copyright; do
    grep -qx "$path" <<<"$contents" || fail "$path is not in the package"
done

# No tag is suppressed: every error and warning lintian knows of counts.
lintian_report=$(lintian --fail-on error,warning "$deb" 2>&1) ||
    fail "lintian found errors or warnings:"$'\n'"$lintian_report"

root=$out/root
dpkg-deb -x "$deb" "$root"
metainfo=$root/usr/share/metainfo/$id.metainfo.xml
# Pedantic notes leave the exit status 0, so the report must be the bare success line.
appstream_report=$(LC_ALL=C.UTF-8 appstreamcli validate --pedantic --no-net --no-color "$metainfo" 2>&1) ||
    true
[[ "$appstream_report" == "✔ Validation was successful." ]] ||
    fail "appstreamcli validate --pedantic:"$'\n'"$appstream_report"

# man finds the page in the package's tree, reads it without a warning, and it has its sections.
page=$(MANPATH=$root/usr/share/man man -w kestrin 2>&1) || true
[[ "$page" == "$root/usr/share/man/man1/kestrin.1.gz" ]] || fail "man -w kestrin: $page"
manual=$(MANPATH=$root/usr/share/man MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings kestrin 2>"$out/man.log") ||
    true
[[ -n "$manual" && ! -s "$out/man.log" ]] || fail "man kestrin: $(cat "$out/man.log")"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "REFUSED CHARACTERS" FILES "EXIT STATUS"; do
    grep -qx "$section" <<<"$manual" || fail "the manual page has no $section section"
done

# One release everywhere: the package's version, the changelog's newest entry, the metainfo's.
version=$(dpkg-deb -f "$deb" Version)
changelog=$out/changelog
zcat "$root/usr/share/doc/kestrin/changelog.gz" >"$changelog"
changelog_version=$(dpkg-parsechangelog -l "$changelog" -S Version)
changelog_date=$(date -u -d "$(dpkg-parsechangelog -l "$changelog" -S Date)" +%F)
release=$(grep -o '<release version="[^"]*" date="[^"]*"' "$metainfo" | head -n 1)
[[ "$changelog_version" == "$version" ]] ||
    fail "the changelog's newest entry is $changelog_version, the package $version"
[[ "$release" == "<release version=\"$version\" date=\"$changelog_date\"" ]] ||
    fail "the metainfo's newest release is '$release', the changelog's $version of $changelog_date"

[[ $failures -eq 0 ]] || exit 1
echo "package: $(basename "$deb") is clean for lintian and appstreamcli; depends on: $depends"
