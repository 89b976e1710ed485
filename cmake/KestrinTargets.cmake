# Compiler flags every target of the project shares, carried by one interface target.
add_library(kestrin_build_flags INTERFACE)
target_compile_options(kestrin_build_flags INTERFACE -Wall -Wextra -Wpedantic
    $<$<BOOL:${KESTRIN_WARNINGS_AS_ERRORS}>:-Werror>)

# kestrin_library(name SOURCES...) makes one static library whose headers are included as
# "folder/header.h" from the project root.
function(kestrin_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE kestrin_build_flags)
    # Only the targets that link Qt turn moc back on.
    set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
endfunction()
