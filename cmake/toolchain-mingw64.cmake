# SPDX-License-Identifier: MIT
# Cross build for 64-bit Windows with Debian's mingw-w64 compilers (the posix thread model, for
# std::thread, as Qt for mingw-w64 is built). Programs use the compiler's runtime DLLs, as Qt's
# DLLs do, so that a process holds one C++ runtime (cmake/KestrinWindows.cmake finds them).
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

