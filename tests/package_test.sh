#!/usr/bin/env bash
# Makes the .deb from this build into a temporary folder and checks what it holds and needs: the
# libraries dpkg-shlibdeps found, and the font named by hand.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
[[ $# -eq 1 ]] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
command -v dpkg-shlibdeps >/dev/null ||
    { echo "package: FAILED: dpkg-shlibdeps missing (scripts/bootstrap.sh test installs dpkg-dev)" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$1/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; echo "package: FAILED: cpack" >&2; exit 1; }
debs=("$out"/*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || { echo "package: FAILED: expected one .deb" >&2; exit 1; }

failures=0
depends=$(dpkg-deb -f "${debs[0]}" Depends)
for needed in fonts-dejavu-core libqt6widgets6 libqt6gui6 libqt6core6 libc6; do
    grep -Eq "(^|, )$needed( |,|$)" <<<"$depends" ||
        { echo "package: FAILED: Depends lacks $needed: $depends" >&2; failures=$((failures + 1)); }
done
contents=$(dpkg-deb -c "${debs[0]}" | awk '{print $6}')
for path in ./usr/bin/kestrin ./usr/share/applications/org.example.Kestrin.desktop \
    ./usr/share/icons/hicolor/scalable/apps/org.example.Kestrin.svg \
    ./usr/share/metainfo/org.example.Kestrin.metainfo.xml; do
    grep -qx "$path" <<<"$contents" ||
        { echo "package: FAILED: $path is not in the package" >&2; failures=$((failures + 1)); }
done
[[ $failures -eq 0 ]] || exit 1
echo "package: $(basename "${debs[0]}") depends on: $depends"
