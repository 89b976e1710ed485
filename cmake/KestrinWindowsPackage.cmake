# SPDX-License-Identifier: MIT
# Kestrin for Windows users, from the windows build. Component "program": kestrin.exe with exactly
# the DLLs it imports (found from its imports and those of the Qt plugins it loads, in the folders
# of KESTRIN_DLL_FOLDERS), those plugins, the notices and README.txt; component "demo": the demo
# folder with the demo backend as mervo.exe. scripts/package.sh zip zips both into a portable
# folder (through cpack's ZIP); scripts/installer-windows.sh makes the installer of "program".

# The platform plugin draws the window, the style plugin gives it Windows' own look
# (window/appearance.cpp); Qt loads them by name, so no import names them.
set(kestrin_qt_plugins)
foreach(plugin platforms/qwindows.dll styles/qwindowsvistastyle.dll)
    set(path "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}/${plugin}")
    get_filename_component(folder ${plugin} DIRECTORY)
    install(FILES "${path}" DESTINATION ${folder} COMPONENT program)
    list(APPEND kestrin_qt_plugins "${path}")
endforeach()

# The DLLs, found from the imports (cmake/install-windows-dlls.cmake).
install(CODE "
    set(KESTRIN_PROGRAM \"$<TARGET_FILE:kestrin>\")
    set(KESTRIN_PLUGINS \"${kestrin_qt_plugins}\")
    set(KESTRIN_DLL_FOLDERS \"${KESTRIN_DLL_FOLDERS}\")
    set(KESTRIN_OBJDUMP \"${CMAKE_OBJDUMP}\")
    set(KESTRIN_STRIP \"${CMAKE_STRIP}\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/install-windows-dlls.cmake\")
" COMPONENT program)

# Windows 10 (10.0) in the PE header, as in the manifest: older Windows refuses to start
# kestrin.exe ("not a valid Win32 application") instead of failing later on a missing DLL.
target_link_options(kestrin PRIVATE -Wl,--major-os-version,10,--minor-os-version,0
    -Wl,--major-subsystem-version,10,--minor-subsystem-version,0)

# The notices: Kestrin's licence, README.txt, Qt.txt (Qt's licence and source) and NOTICES.txt
# (every library compiled into the DLLs and programs, with its licence in licences\). The LGPL
# asks for Qt's licence and the GPL it builds on; Qt's BSD licence covers its entry point in
# kestrin.exe; the GPL 2 the MIME database in Qt6Core.dll; data/windows/notices holds the texts
# of Qt's source for what Qt compiled in; the compiler's runtime carries Debian's account of it.
# Every text file has Windows line ends, for any editor there.
set(kestrin_licences
    "${QT6_INSTALL_PREFIX}/LICENSES/LGPL-3.0-only.txt" "${QT6_INSTALL_PREFIX}/LICENSES/GPL-3.0-only.txt"
    "${QT6_INSTALL_PREFIX}/LICENSES/GPL-2.0-only.txt" "${QT6_INSTALL_PREFIX}/LICENSES/BSD-3-Clause.txt")
file(GLOB kestrin_notices "${PROJECT_SOURCE_DIR}/data/windows/notices/*.txt")
list(SORT kestrin_notices)
list(APPEND kestrin_licences ${kestrin_notices}
    /usr/share/doc/gcc-mingw-w64-base/copyright:gcc-runtime.txt
    /usr/share/doc/mingw-w64-x86-64-dev/copyright:mingw-w64-runtime.txt)
function(kestrin_windows_text source name destination component)
    if(NOT EXISTS "${source}")
        message(FATAL_ERROR "${source} is missing: the package needs its notice")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
    file(READ "${source}" text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/windows-text/${destination}/${name}" "${text}")
    install(FILES "${CMAKE_CURRENT_BINARY_DIR}/windows-text/${destination}/${name}"
        DESTINATION ${destination} COMPONENT ${component})
endfunction()
foreach(licence IN LISTS kestrin_licences)
    string(REGEX MATCH "^([^:]+):?(.*)$" parts "${licence}")
    set(name "${CMAKE_MATCH_2}")
    if(NOT name)
        get_filename_component(name "${CMAKE_MATCH_1}" NAME)
    endif()
    kestrin_windows_text("${CMAKE_MATCH_1}" "${name}" licences program)
endforeach()
configure_file(data/windows/README.txt.in README.txt @ONLY)
configure_file(data/windows/Qt.txt.in Qt.txt @ONLY)
configure_file(data/windows/NOTICES.txt.in NOTICES.txt @ONLY)
kestrin_windows_text(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt . program)
foreach(text README.txt Qt.txt NOTICES.txt)
    kestrin_windows_text(${CMAKE_CURRENT_BINARY_DIR}/${text} ${text} . program)
endforeach()

# The demo, ready to be dropped on kestrin.exe; the demo backend carries the C++ runtime inside.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/demo/ DESTINATION demo COMPONENT demo PATTERN *.txt EXCLUDE)
file(GLOB kestrin_demo_texts RELATIVE ${PROJECT_SOURCE_DIR}/demo ${PROJECT_SOURCE_DIR}/demo/*.txt)
foreach(text IN LISTS kestrin_demo_texts)
    kestrin_windows_text(${PROJECT_SOURCE_DIR}/demo/${text} ${text} demo demo)
endforeach()
install(PROGRAMS $<TARGET_FILE:demo_backend> DESTINATION demo RENAME mervo.exe COMPONENT demo)
install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded
    \"\${CMAKE_INSTALL_PREFIX}/demo/mervo.exe\" COMMAND_ERROR_IS_FATAL ANY)" COMPONENT demo)

set(CPACK_PACKAGE_NAME kestrin)
set(CPACK_PACKAGE_VENDOR "The Kestrin team")
set(CPACK_PACKAGE_FILE_NAME kestrin-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL program demo)
include(CPack)
