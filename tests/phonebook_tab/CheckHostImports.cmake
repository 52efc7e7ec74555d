# cmake -DOBJDUMP=llvm-objdump -DHOST=phonebook-tab.exe -DDEF=PhoneBk.def -P CheckHostImports.cmake
#
# The sample host is meant to show every member a host can call: each export
# of PhoneBk.def under its MinGW name must be among the host's imports from
# PhoneBk.dll. Left out: the private reset, and the base-object constructors
# and destructors (C2, D2), which only a derived class would call. Each
# member missing is reported by name; the script fails if any is.
cmake_minimum_required(VERSION 3.20)

foreach(var OBJDUMP HOST DEF)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "CheckHostImports.cmake needs -D${var}=...")
    endif()
endforeach()

file(STRINGS "${DEF}" lines REGEX "^[ \t]+_ZN12")
set(members "")
foreach(line IN LISTS lines)
    string(STRIP "${line}" name)
    if(NOT name MATCHES "InitializeClassData|C2Ev$|D2Ev$")
        list(APPEND members "${name}")
    endif()
endforeach()
list(LENGTH members wanted)
if(wanted LESS 50)
    message(FATAL_ERROR "found only ${wanted} members in ${DEF}")
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${HOST}"
    OUTPUT_VARIABLE dump ERROR_VARIABLE dump_errors RESULT_VARIABLE dump_result)
if(NOT dump_result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${HOST} failed (${dump_result}): ${dump_errors}")
endif()
string(REGEX MATCHALL "_ZN12[A-Za-z0-9_]+" imported "${dump}")

set(missing 0)
foreach(member IN LISTS members)
    if(NOT member IN_LIST imported)
        message(SEND_ERROR "the sample host does not call ${member}")
        math(EXPR missing "${missing} + 1")
    endif()
endforeach()
if(missing GREATER 0)
    message(FATAL_ERROR "${missing} of ${wanted} members unused")
endif()
message(STATUS "the sample host calls all ${wanted} members")
