#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes Qt 6 for mingw-w64 ready for the Windows build, at the prefix PREFIX (the Makefile passes
# $KESTRIN_QT_MINGW, by default build/qt6-mingw). In this order:
#   1. PREFIX already holds Qt (an unpacked prefix of your own, or one made here before);
#   2. the tarball ../shared/qt6-mingw/qt6-mingw-*.tar.xz beside the project, unpacked to PREFIX;
#   3. Qt built from Debian's own qt6-base source, the version of the host's moc, rcc and uic,
#      with Debian's mingw-w64 compiler and installed to PREFIX: about an hour on two cores.
# Usage: scripts/qt-mingw.sh PREFIX
set -euo pipefail
[[ $# -eq 1 ]] || { echo "usage: $0 PREFIX" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(realpath -m "$1")
toolchain=lib/cmake/Qt6/qt.toolchain.cmake

[[ -f $prefix/$toolchain ]] && exit 0

tarball=$(ls "$root"/../shared/qt6-mingw/qt6-mingw-*.tar.xz 2>/dev/null | sort -V | tail -n 1 || true)
if [[ -n $tarball ]]; then
    echo "qt-mingw: unpacking $(basename "$tarball") to $prefix"
    mkdir -p "$(dirname "$prefix")"
    work=$(mktemp -d "$(dirname "$prefix")/qt6-mingw.XXXXXX")
    tar -xJf "$tarball" -C "$work"
    rm -rf "$prefix"
    mv "$work/qt6-mingw" "$prefix"
    rmdir "$work"
    exit 0
fi

echo "qt-mingw: no Qt for mingw-w64 at $prefix and no tarball in ../shared/qt6-mingw/."
echo "qt-mingw: building Qt from Debian's qt6-base source now; this takes about an hour on two cores."
bash "$root/scripts/bootstrap.sh" windows qt-source
as_root=()
[[ $(id -u) -eq 0 ]] || as_root=(sudo)
# apt-get source needs the source archives that match the binary ones.
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
        "${as_root[@]}" tee /etc/apt/sources.list.d/kestrin-qt-source.sources >/dev/null
    "${as_root[@]}" apt-get update -qq
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source --download-only qt6-base >/dev/null)
tar -xJf "$work"/qt6-base_*.orig.tar.xz -C "$work"
src=$(find "$work" -maxdepth 1 -type d -name 'qtbase-everywhere-src-*' | head -n 1)
# Qt 6.4's Windows platform plugin does not build without OpenGL while dynamicgl is on, nor
# without Direct2D, whose build alone brings the DirectWrite font database it asks for.
sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
    "$src/src/plugins/platforms/windows/qwindowswindow.cpp"
sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
    "$src/src/plugins/platforms/windows/qwindowsintegration.cpp"
# Only what Kestrin and its tests use; tablets need a header Debian's source leaves out.
cmake -G Ninja -S "$src" -B "$work/build" --log-level=WARNING \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_freetype=OFF -DFEATURE_fontconfig=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF \
    -DFEATURE_ico=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF -DFEATURE_direct2d=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_png=OFF -DFEATURE_system_doubleconversion=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_testlib=ON -DFEATURE_widgets=ON
ninja -C "$work/build"
cmake --install "$work/build" >/dev/null
x86_64-w64-mingw32-strip --strip-unneeded "$prefix"/bin/*.dll "$prefix"/plugins/*/*.dll
# The package's LGPL note points here: the licences and the source Qt was built from.
mkdir -p "$prefix/LICENSES"
cp "$src"/LICENSES/{LGPL-3.0-only,GPL-2.0-only,GPL-3.0-only,BSD-3-Clause}.txt "$prefix/LICENSES/"
echo "Qt ${src##*-src-} built by scripts/qt-mingw.sh from Debian's qt6-base source package." \
    >"$prefix/README.txt"
echo "qt-mingw: Qt is ready at $prefix"
