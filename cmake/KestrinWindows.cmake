# SPDX-License-Identifier: MIT
# The Windows build's programs load DLLs from two places: Qt's and the compiler's runtime
# (libstdc++, libgcc_s, winpthread). KESTRIN_DLL_FOLDERS names those folders, for wine while
# testing and for the package, which picks from them what kestrin.exe imports.
set(KESTRIN_DLL_FOLDERS)
if(KESTRIN_WITH_QT)
    list(APPEND KESTRIN_DLL_FOLDERS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
endif()
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}")
        message(FATAL_ERROR "The compiler does not know ${dll}: is the posix mingw-w64 installed?")
    endif()
    get_filename_component(folder "${path}" REALPATH)
    get_filename_component(folder "${folder}" DIRECTORY)
    list(APPEND KESTRIN_DLL_FOLDERS "${folder}")
endforeach()
list(REMOVE_DUPLICATES KESTRIN_DLL_FOLDERS)

# No time of linking in the PE header (0 instead), so that one commit gives the same programs.
add_link_options(-Wl,--no-insert-timestamp)

# A portable folder: kestrin.exe at its top and its DLLs beside it, where Windows looks first.
set(CMAKE_INSTALL_BINDIR .)

# Debian keeps the wine64 loader outside PATH.
find_program(KESTRIN_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KESTRIN_WINE64)
    string(JOIN ":" kestrin_dll_path ${KESTRIN_DLL_FOLDERS})
    set(CMAKE_CROSSCOMPILING_EMULATOR /bin/sh ${CMAKE_CURRENT_LIST_DIR}/run-under-wine.sh
        ${KESTRIN_WINE64} ${kestrin_dll_path})
endif()
