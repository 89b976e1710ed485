# SPDX-License-Identifier: MIT
# Compiler flags every target of the project shares, carried by one interface target. Headers
# are included by their path from the project's root ("backend/launch.h"); which folder may
# include which is the layers' rule, checked by the include_layers test.
add_library(kestrin_build_flags INTERFACE)
target_compile_options(kestrin_build_flags INTERFACE -Wall -Wextra -Wpedantic
    $<$<BOOL:${KESTRIN_WARNINGS_AS_ERRORS}>:-Werror>)
target_include_directories(kestrin_build_flags INTERFACE ${PROJECT_SOURCE_DIR})
# What a release build holds names no folder it was built in (__FILE__, the paths in debugging
# information): one commit gives the same bytes in any clone. Debug builds keep full paths for
# the debugger.
target_compile_options(kestrin_build_flags INTERFACE
    $<$<CONFIG:Release>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>)

# kestrin_library(name SOURCES...) makes one static library of the folder it is called from.
function(kestrin_library name)
    add_library(${name} STATIC ${ARGN})
    target_link_libraries(${name} PUBLIC kestrin_build_flags)
    # Only the targets that link Qt turn moc back on.
    set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
endfunction()

# kestrin_standalone_program(name) marks a program that is copied on its own, away from Kestrin's
# DLLs (the demo backend as mervo.exe, the tests' stand-in backend): on Windows it carries the
# compiler's runtime inside, as it runs in a process of its own.
function(kestrin_standalone_program name)
    if(MINGW)
        target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
    endif()
endfunction()
