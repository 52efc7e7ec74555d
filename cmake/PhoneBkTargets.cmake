# Settings shared by every target of the project.

# Warnings are errors in our own code; libgcc, libstdc++ and winpthread are
# linked in, so nothing we ship needs a MinGW runtime DLL beside it.
function(phonebk_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    target_link_options(${target} PRIVATE -static)
endfunction()

# A DLL named exactly as given (no "lib" prefix), with its MinGW import library.
function(phonebk_dll target output_name)
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME ${output_name}
        PREFIX ""
        IMPORT_PREFIX "lib"
        IMPORT_SUFFIX ".dll.a"
        RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
    phonebk_target_defaults(${target})
endfunction()

# The version resource of a DLL or program, from the project's one version:
# phonebk_version_resource(target "Description" [INTERNAL name])
function(phonebk_version_resource target description)
    cmake_parse_arguments(V "" "INTERNAL" "" ${ARGN})
    get_target_property(kind ${target} TYPE)
    if(kind STREQUAL "EXECUTABLE")
        set(VERSION_TYPE VFT_APP)
        set(suffix ".exe")
    else()
        set(VERSION_TYPE VFT_DLL)
        get_target_property(suffix ${target} SUFFIX)
        if(NOT suffix)
            set(suffix ".dll")
        endif()
    endif()
    get_target_property(name ${target} OUTPUT_NAME)
    if(NOT name)
        set(name ${target})
    endif()
    set(VERSION_FILE "${name}${suffix}")
    set(VERSION_DESCRIPTION "${description}")
    set(VERSION_INTERNAL "${V_INTERNAL}")
    if(NOT VERSION_INTERNAL)
        string(TOUPPER "${name}" VERSION_INTERNAL)
    endif()
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc")
    configure_file("${PROJECT_SOURCE_DIR}/cmake/version.rc.in" "${rc}" @ONLY)
    target_sources(${target} PRIVATE "${rc}")
endfunction()
