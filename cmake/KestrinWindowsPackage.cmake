# SPDX-License-Identifier: MIT
# Kestrin for Windows users, from the windows build. Component "program": kestrin.exe with exactly
# the DLLs it imports (found from its imports and those of the Qt plugins it loads, in the folders
# of KESTRIN_DLL_FOLDERS), those plugins, the licences and README.txt; component "demo": the demo
# folder with the demo backend as mervo.exe. `cpack --preset windows-zip` zips both into a
# portable folder; scripts/installer-windows.sh makes the installer of "program".

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

# The LGPL asks that a program shipping Qt's DLLs carry its licence, the GPL it builds on, and
# word of where Qt's source is; the compiler's runtime DLLs carry Debian's account of theirs.
# The texts have Windows line ends, for any editor there.
configure_file(LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(data/windows/README.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(data/windows/Qt.txt.in Qt.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt ${CMAKE_CURRENT_BINARY_DIR}/README.txt
    ${CMAKE_CURRENT_BINARY_DIR}/Qt.txt DESTINATION . COMPONENT program)
install(FILES "${QT6_INSTALL_PREFIX}/LICENSES/LGPL-3.0-only.txt"
    "${QT6_INSTALL_PREFIX}/LICENSES/GPL-3.0-only.txt"
    DESTINATION licences COMPONENT program)
foreach(notice mingw-w64-x86-64-dev:mingw-w64-runtime gcc-mingw-w64-base:gcc-runtime)
    string(REPLACE ":" ";" notice ${notice})
    list(GET notice 0 package)
    list(GET notice 1 name)
    if(EXISTS /usr/share/doc/${package}/copyright)
        install(FILES /usr/share/doc/${package}/copyright
            DESTINATION licences RENAME ${name}.txt COMPONENT program)
    endif()
endforeach()

# The demo, ready to be dropped on kestrin.exe; the demo backend carries the C++ runtime inside.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/demo/ DESTINATION demo COMPONENT demo)
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
