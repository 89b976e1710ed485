#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages a step needs, and only those that are missing.
# Usage: scripts/bootstrap.sh [GROUP...]   (default: build)
set -euo pipefail

declare -A groups=(
    # unicode-data: Unicode's own files, which the table of hidden characters is checked against.
    [build]="make cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev fonts-dejavu-core unicode-data"
    # The window on a virtual display: screenshots, accessibility driven from outside; the
    # installed files' validators; the .deb's dependency lookup, Debian's checker lintian, and man
    # to read the manual page.
    [test]="xvfb xauth x11-utils imagemagick dbus-daemon at-spi2-core python3-pyatspi desktop-file-utils appstream dpkg-dev file lintian man-db"
    [screenshot]="xvfb xauth x11-utils imagemagick"
    # The packages, rebuilt from their contents by dpkg-deb and Info-ZIP's zip
    # (scripts/lib/reproducible.sh).
    [package]="dpkg-dev file zip unzip"
    [bench]="libbenchmark-dev"
    # libFuzzer and the sanitizer runtimes come with clang's runtime package.
    [clang]="clang libclang-rt-dev"
    [tidy]="clang-tidy"
    # The Windows build: Qt for mingw-w64 uses the host's moc, rcc and uic. Its tests run under
    # wine on a virtual display, with wine's own fonts (the classic dialog font among them);
    # xdotool works the real window from outside.
    [windows]="make cmake ninja-build g++-mingw-w64-x86-64-posix googletest wine64 fonts-wine qt6-base-dev qt6-base-dev-tools xvfb xauth x11-utils imagemagick xdotool zip unzip unicode-data"
    # The Windows installer: wixl and msibuild from Debian's msitools, run under faketime at the
    # commit's time; msiinfo reads an installer's tables in its test.
    [installer]="wixl msitools faketime"
    # Building Qt for mingw-w64 from Debian's source, when no ready one is at hand.
    [qt-source]="dpkg-dev perl"
)

wanted=()
for group in "${@:-build}"; do
    [[ -n "${groups[$group]+x}" ]] || { echo "bootstrap: unknown group '$group'" >&2; exit 2; }
    read -ra names <<<"${groups[$group]}"
    wanted+=("${names[@]}")
done

missing=()
for name in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$name" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$name")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "bootstrap: installing ${missing[*]}"
as_root=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "bootstrap: need root or sudo to install ${missing[*]}" >&2; exit 1; }
    as_root=(sudo)
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
