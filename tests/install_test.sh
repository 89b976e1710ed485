#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the build into a temporary root, as a package would, and checks the installed files the
# way desktops and software centres read them.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
[[ $# -eq 1 ]] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
for tool in desktop-file-validate appstreamcli /usr/bin/python3; do
    command -v "$tool" >/dev/null ||
        { echo "install: FAILED: $tool missing (scripts/bootstrap.sh test installs it)" >&2; exit 1; }
done
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$1" --prefix /usr >/dev/null

failures=0
fail() {
    echo "install: FAILED: $1" >&2
    failures=$((failures + 1))
}
id=org.example.kestrin
desktop=$root/usr/share/applications/$id.desktop
metainfo=$root/usr/share/metainfo/$id.metainfo.xml
icon=$root/usr/share/icons/hicolor/scalable/apps/$id.svg
[[ -x "$root/usr/bin/kestrin" ]] || fail "no program at /usr/bin/kestrin"
for file in "$desktop" "$metainfo" "$icon" "$root/usr/share/man/man1/kestrin.1.gz" \
    "$root/usr/share/doc/kestrin/copyright" "$root/usr/share/doc/kestrin/changelog.gz"; do
    [[ -f "$file" ]] || fail "${file#"$root"} is not installed"
done

# desktop-file-validate exits 0 on warnings and hints; any word from it counts here.
report=$(desktop-file-validate "$desktop" 2>&1) || report="${report:-exit status $?}"
[[ -z "$report" ]] || fail "desktop-file-validate: $report"
appstreamcli validate --no-net "$metainfo" >/dev/null 2>&1 ||
    fail "appstreamcli: $(appstreamcli validate --no-net "$metainfo" 2>&1)"
/usr/bin/python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' "$icon" 2>/dev/null ||
    fail "the icon is not well-formed SVG"

# The three files must name each other and the program as installed.
# A folder chosen in a file manager ("Open With") reaches Kestrin as its argument.
grep -qx "Exec=kestrin %f" "$desktop" || fail "the desktop file does not start kestrin on a folder"
grep -qx "MimeType=inode/directory;" "$desktop" || fail "the desktop file does not open folders"
grep -qx "Icon=$id" "$desktop" || fail "the desktop file does not name the icon $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $id.desktop"
grep -q "<id>$id</id>" "$metainfo" || fail "the metainfo's id is not $id"
grep -q "<binary>kestrin</binary>" "$metainfo" || fail "the metainfo does not provide kestrin"

[[ $failures -eq 0 ]] || exit 1
echo "install: the program, desktop file, icon, metainfo and documents are installed and valid"
