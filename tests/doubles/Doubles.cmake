# Test programs that run against doubles of RASAPI32.DLL and GATEUI.DLL, and
# where asked of COMCTL32.DLL.
#
# A double must be the DLL the library's LoadLibraryA finds: it is built into
# a folder of its own together with the test programs that use it, because a
# program's own folder comes first in the search. The system's RASAPI32.DLL is
# Wine's builtin, which a DLL beside the program replaces only under the
# override rasapi32=n,b. A set that has no GATEUI.DLL disables the name, or
# the product's own GATEUI.DLL would be found on the search path.
#
# The COMCTL32.DLL double is the old common controls' property sheet, which
# refuses the version 2 sizes and hands the rest to the system's comctl32; it
# too replaces the builtin only under an override (comctl32=n,b).
#
#   phonebk_double_set(SET RAS full|without_edit GATEUI counting|without_export|absent
#                      [COMCTL old])
#   phonebk_double_test(NAME SET set <phonebk_test arguments>)
include_guard(GLOBAL)

# The functions run in the directories that call them, where a normal variable
# set here would not be seen: keep the folder in the cache.
set(PHONEBK_DOUBLES_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}" CACHE INTERNAL "Sources of the test doubles")

function(phonebk_double_dll target output_name folder def)
    add_library(${target} SHARED "${ARGN}" "${def}")
    target_include_directories(${target} PRIVATE "${PHONEBK_DOUBLES_SOURCE_DIR}")
    target_link_libraries(${target} PRIVATE user32)
    phonebk_target_defaults(${target})
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME ${output_name}
        PREFIX ""
        RUNTIME_OUTPUT_DIRECTORY "${folder}"
        ARCHIVE_OUTPUT_DIRECTORY "${folder}/lib")
endfunction()

function(phonebk_double_set set)
    cmake_parse_arguments(D "" "RAS;GATEUI;COMCTL" "" ${ARGN})
    set(folder "${CMAKE_BINARY_DIR}/tests/doubles/${set}")
    set(src "${PHONEBK_DOUBLES_SOURCE_DIR}")
    set(targets "")
    if(D_RAS STREQUAL "full")
        phonebk_double_dll(${set}_rasapi32 RASAPI32 "${folder}" "${src}/rasapi32.def" "${src}/RasApiDouble.c")
    elseif(D_RAS STREQUAL "without_edit")
        phonebk_double_dll(${set}_rasapi32 RASAPI32 "${folder}" "${src}/rasapi32-without-edit.def" "${src}/RasApiDouble.c")
    else()
        message(FATAL_ERROR "phonebk_double_set(${set}): RAS full or without_edit")
    endif()
    list(APPEND targets ${set}_rasapi32)
    set(overrides "rasapi32=n,b")
    if(D_GATEUI STREQUAL "counting")
        phonebk_double_dll(${set}_gateui GATEUI "${folder}" "${src}/gateui.def" "${src}/GateUiDouble.c")
        list(APPEND targets ${set}_gateui)
    elseif(D_GATEUI STREQUAL "without_export")
        phonebk_double_dll(${set}_gateui GATEUI "${folder}" "${src}/gateui-without-export.def" "${src}/GateUiDouble.c")
        list(APPEND targets ${set}_gateui)
    elseif(D_GATEUI STREQUAL "absent")
        # An empty load order: no GATEUI.DLL loads, wherever one lies.
        string(APPEND overrides "\\;gateui=")
    else()
        message(FATAL_ERROR "phonebk_double_set(${set}): GATEUI counting, without_export or absent")
    endif()
    if(D_COMCTL STREQUAL "old")
        phonebk_double_dll(${set}_comctl32 COMCTL32 "${folder}" "${src}/comctl32.def" "${src}/OldComctlDouble.c")
        list(APPEND targets ${set}_comctl32)
        string(APPEND overrides "\\;comctl32=n,b")
    elseif(D_COMCTL)
        message(FATAL_ERROR "phonebk_double_set(${set}): COMCTL old or nothing")
    endif()
    set_property(GLOBAL PROPERTY PHONEBK_DOUBLES_${set}_FOLDER "${folder}")
    set_property(GLOBAL PROPERTY PHONEBK_DOUBLES_${set}_TARGETS "${targets}")
    set_property(GLOBAL PROPERTY PHONEBK_DOUBLES_${set}_OVERRIDES "${overrides}")
endfunction()

function(phonebk_double_test name)
    cmake_parse_arguments(D "" "SET" "" ${ARGN})
    get_property(folder GLOBAL PROPERTY PHONEBK_DOUBLES_${D_SET}_FOLDER)
    if(NOT folder)
        message(FATAL_ERROR "phonebk_double_test(${name}): no double set ${D_SET}")
    endif()
    get_property(targets GLOBAL PROPERTY PHONEBK_DOUBLES_${D_SET}_TARGETS)
    get_property(overrides GLOBAL PROPERTY PHONEBK_DOUBLES_${D_SET}_OVERRIDES)
    phonebk_test(${name} ${D_UNPARSED_ARGUMENTS})
    target_include_directories(${name} PRIVATE "${PHONEBK_DOUBLES_SOURCE_DIR}")
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${folder}")
    add_dependencies(${name} ${targets})
    get_test_property(${name} ENVIRONMENT env)
    list(APPEND env "PHONEBK_DLLOVERRIDES=${overrides}")
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
endfunction()
