# SPDX-License-Identifier: MIT
# The Debian package: `cpack --preset deb` after a release build. The libraries Kestrin links
# are found by dpkg-shlibdeps; the font its fixed layout is measured with is named here.
set(CPACK_PACKAGE_NAME kestrin)
set(CPACK_PACKAGE_VENDOR "The Kestrin team")
set(CPACK_PACKAGE_CONTACT "The Kestrin team <kestrin@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://example.org/kestrin")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Lines of at most 80 characters, as Debian asks; CPack indents each by one space.
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrin is a small window for a separate command-line program, the\n"
    "backend, that turns game script files between their compiled form and an\n"
    "editable text form and unpacks archives. Kestrin converts nothing itself:\n"
    "it lists the candidate files of a folder, the one it is given or started\n"
    "in, and starts the backend on a button press. The backend is not included.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-dejavu-core)

include(CPack)
