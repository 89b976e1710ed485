# SPDX-License-Identifier: MIT
# Cross build for 64-bit Windows with Debian's mingw-w64 compilers (the posix thread model, for
# std::thread). Programs are linked statically, so they run without the compiler's DLLs; the
# tests run under wine64 when it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(kestrin_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${kestrin_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${kestrin_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${kestrin_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${kestrin_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian keeps the wine64 loader outside PATH.
find_program(KESTRIN_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KESTRIN_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        /bin/sh ${CMAKE_CURRENT_LIST_DIR}/run-under-wine.sh ${KESTRIN_WINE64})
endif()
