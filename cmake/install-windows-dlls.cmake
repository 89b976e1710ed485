# SPDX-License-Identifier: MIT
# Run when installing the Windows build (cmake/KestrinWindowsPackage.cmake): puts beside
# kestrin.exe every DLL that it and the Qt plugins import, directly or through one another, from
# our own folders (Qt's, the compiler's runtime), without debugging sections; any other import
# is the system's own (KERNEL32.dll, USER32.dll, ...). CMake reads the imports with objdump and
# gives their names in lower case, so our DLLs are matched by name in any case.
# Set by the caller: KESTRIN_PROGRAM, KESTRIN_PLUGINS, KESTRIN_DLL_FOLDERS, KESTRIN_OBJDUMP,
# KESTRIN_STRIP.
cmake_policy(VERSION 3.25)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${KESTRIN_OBJDUMP}")

foreach(folder IN LISTS KESTRIN_DLL_FOLDERS)
    file(GLOB dlls "${folder}/*.dll")
    foreach(dll IN LISTS dlls)
        get_filename_component(name "${dll}" NAME)
        string(TOLOWER "${name}" name)
        if(NOT DEFINED "ours_${name}")
            set("ours_${name}" "${dll}")
        endif()
    endforeach()
endforeach()

set(wanted)
set(next EXECUTABLES "${KESTRIN_PROGRAM}" MODULES ${KESTRIN_PLUGINS})
while(next)
    file(GET_RUNTIME_DEPENDENCIES ${next} UNRESOLVED_DEPENDENCIES_VAR imports)
    set(next)
    foreach(name IN LISTS imports)
        set(dll "${ours_${name}}")
        if(dll AND NOT dll IN_LIST wanted)
            list(APPEND wanted "${dll}")
            list(APPEND next "${dll}")
        endif()
    endforeach()
    if(next)
        list(PREPEND next LIBRARIES)
    endif()
endwhile()

foreach(dll IN LISTS wanted)
    file(INSTALL "${dll}" DESTINATION "${CMAKE_INSTALL_PREFIX}")
    get_filename_component(name "${dll}" NAME)
    execute_process(COMMAND "${KESTRIN_STRIP}" --strip-unneeded "${CMAKE_INSTALL_PREFIX}/${name}"
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()
