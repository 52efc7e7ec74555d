# cmake -DOBJDUMP=llvm-objdump -DDLL=PhoneBk.dll -DLIST=docs/load-time-imports.md -P CheckImports.cmake
#
# Checks what PhoneBk.dll needs at load time, as any host's loader sees it,
# against the list of allowed imports in LIST: its table rows
# "| DLL | function | exported by |". Every function the DLL imports must be
# a row; a row of a Windows DLL must say that Windows 95, Windows 98 and
# Windows NT 3.51 all export it, since one missing export makes the loader
# refuse the library there. RASAPI32.DLL, GATEUI.DLL, TAPI32.DLL and the
# Windows NT functions are bound at run time, and the MinGW runtime is linked
# in, so none of them may appear. Every problem is reported by name; the
# script fails if there is any.
cmake_minimum_required(VERSION 3.20)

foreach(var OBJDUMP DLL LIST)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "CheckImports.cmake needs -D${var}=...")
    endif()
endforeach()

# Not Windows' own: the product's DLLs ship with the library, the C runtime
# with the host (the list says so on their rows).
set(not_windows linkdevs.dll pxmsgbox.dll regstore.dll msvcrt.dll)
set(every_system "Windows 95, Windows 98, Windows NT 3.51")

file(STRINGS "${LIST}" rows REGEX "^\\| *[A-Za-z0-9_]+\\.(dll|DLL) *\\|")
set(allowed "")
set(problems 0)
foreach(row IN LISTS rows)
    string(REGEX MATCH "^\\| *([^ |]+) *\\| *([^|]*[^ |]) *\\| *([^|]*[^ |]) *\\|" matched "${row}")
    if(NOT matched)
        message(SEND_ERROR "${LIST}: a row without DLL, function and systems: ${row}")
        math(EXPR problems "${problems} + 1")
        continue()
    endif()
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
    string(REPLACE " " "" function "${CMAKE_MATCH_2}")
    set(entry "${dll}!${function}")
    list(APPEND allowed "${entry}")
    if(NOT dll IN_LIST not_windows AND NOT CMAKE_MATCH_3 STREQUAL every_system)
        message(SEND_ERROR
            "${LIST}: ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} is exported by \"${CMAKE_MATCH_3}\", not by ${every_system}")
        math(EXPR problems "${problems} + 1")
    endif()
endforeach()
list(LENGTH allowed listed)
if(listed LESS 50)
    message(FATAL_ERROR "found only ${listed} imports listed in ${LIST}")
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${DLL}"
    OUTPUT_VARIABLE dump ERROR_VARIABLE dump_errors RESULT_VARIABLE dump_result)
if(NOT dump_result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed (${dump_result}): ${dump_errors}")
endif()

# The import tables run from their heading to the export table (if any).
string(FIND "${dump}" "The Import Tables:" start)
string(FIND "${dump}" "Export Table:" stop)
if(start EQUAL -1)
    message(FATAL_ERROR "found no import tables in the output of ${OBJDUMP} -p ${DLL}")
endif()
if(stop GREATER start)
    math(EXPR length "${stop} - ${start}")
    string(SUBSTRING "${dump}" ${start} ${length} imports)
else()
    string(SUBSTRING "${dump}" ${start} -1 imports)
endif()

string(REPLACE ";" "," imports "${imports}")
string(REGEX REPLACE "\r?\n" ";" lines "${imports}")
set(dll "")
set(seen 0)
set(used "")
foreach(line IN LISTS lines)
    set(function "")
    if(line MATCHES "DLL Name: *([^ ]+)")
        string(TOLOWER "${CMAKE_MATCH_1}" dll)
    elseif(dll AND line MATCHES "^ +[0-9]+ +([^ ]+)$")
        set(function "${CMAKE_MATCH_1}")
    elseif(dll AND line MATCHES "^ +([0-9]+) *$")
        set(function "ordinal${CMAKE_MATCH_1}")   # imported by number: listed as "ordinal N"
    endif()
    if(function)
        list(APPEND used "${dll}!${function}")
        math(EXPR seen "${seen} + 1")
        if(NOT "${dll}!${function}" IN_LIST allowed)
            message(SEND_ERROR "PhoneBk.dll imports ${function} from ${dll} at load time; ${LIST} does not list it")
            math(EXPR problems "${problems} + 1")
        endif()
    endif()
endforeach()
if(seen LESS 50)
    message(FATAL_ERROR "read only ${seen} imports from ${OBJDUMP} -p ${DLL}")
endif()
if(problems GREATER 0)
    message(FATAL_ERROR "imports: ${problems} problem(s)")
endif()
# A row for an import that went away is harmless; say so, so that the list
# can be kept exact.
foreach(entry IN LISTS allowed)
    if(NOT entry IN_LIST used)
        message(STATUS "listed but no longer imported: ${entry}")
    endif()
endforeach()
message(STATUS "imports: all ${seen} listed, each exported by ${every_system} or shipped beside the library")
