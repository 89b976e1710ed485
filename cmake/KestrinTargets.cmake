# SPDX-License-Identifier: MIT
# Compiler flags every target of the project shares, carried by one interface target.
add_library(kestrin_build_flags INTERFACE)
target_compile_options(kestrin_build_flags INTERFACE -Wall -Wextra -Wpedantic
    $<$<BOOL:${KESTRIN_WARNINGS_AS_ERRORS}>:-Werror>)

# kestrin_include_folders(target PUBLIC|PRIVATE folder...) lets target, and with PUBLIC whatever
# links it, include "folder/header.h" for each folder given (a path below the project root), and
# no other header of the project. The target gets an include folder of its own in the build tree
# that holds one link per folder to the sources: a header of a library that is not linked is not
# found, so a dependency that points the wrong way fails to build.
function(kestrin_include_folders target scope)
    set(include_dir ${PROJECT_BINARY_DIR}/include/${target})
    foreach(folder IN LISTS ARGN)
        get_filename_component(parent ${include_dir}/${folder} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${include_dir}/${folder} SYMBOLIC)
    endforeach()
    target_include_directories(${target} ${scope} ${include_dir})
endfunction()

# kestrin_library(name SOURCES...) makes one static library whose headers are included as
# "folder/header.h", folder being where it lives, by itself and by whatever links it.
function(kestrin_library name)
    add_library(${name} STATIC ${ARGN})
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    kestrin_include_folders(${name} PUBLIC ${folder})
    target_link_libraries(${name} PRIVATE kestrin_build_flags)
    # Only the targets that link Qt turn moc back on.
    set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
endfunction()
