# cmake -DOBJDUMP=llvm-objdump -DDLL=PhoneBk.dll -DDEF=PhoneBk.def
#       -DPUBLISHED=msvc-exports.txt [-DSHARED=PhoneBk.msvc-exports.txt]
#       -P CheckExports.cmake
#
# Checks the export table of PhoneBk.dll against the names hosts bind:
#   - every name PhoneBk.def exports, the Microsoft-decorated (quoted) ones and
#     the MinGW ones, is exported by the DLL;
#   - the Microsoft-decorated names the DLL exports are exactly the published
#     interface (PUBLISHED, one name a line): every member is built;
#   - a decorated constructor does not reach the MinGW constructor itself,
#     which does not hand back `this` as Microsoft's callers expect;
#   - if SHARED names a file that exists, PUBLISHED is the same list.
# Every problem is reported by name; the script fails if there is any.
cmake_minimum_required(VERSION 3.20)

foreach(var OBJDUMP DLL DEF PUBLISHED)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "CheckExports.cmake needs -D${var}=...")
    endif()
endforeach()
foreach(file DLL DEF PUBLISHED)
    if(NOT EXISTS "${${file}}")
        message(FATAL_ERROR "${file} file ${${file}} does not exist")
    endif()
endforeach()

set(problems "")
macro(problem text)
    list(APPEND problems "${text}")
endmacro()

# Text -> list of lines. Names of the files read here never hold ';', so any
# ';' is a .def comment or noise; it is dropped before the lines become a list.
function(split_lines text out)
    string(REPLACE ";" "" text "${text}")
    string(REPLACE "\r" "" text "${text}")
    string(REPLACE "\n" ";" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# --- The DLL's export table: names and their addresses ---------------------
execute_process(COMMAND "${OBJDUMP}" -p "${DLL}"
    OUTPUT_VARIABLE dump ERROR_VARIABLE dump_errors RESULT_VARIABLE dump_result)
if(NOT dump_result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed (${dump_result}): ${dump_errors}")
endif()
split_lines("${dump}" dump_lines)

set(exported "")
set(exported_rvas "")
set(in_table FALSE)
foreach(line IN LISTS dump_lines)
    if(line MATCHES "^Export Table:")
        set(in_table TRUE)
    elseif(in_table)
        if(line MATCHES "^[ \t]*[0-9]+[ \t]+0x([0-9a-fA-F]+)[ \t]+([^ \t]+)[ \t]*$")
            list(APPEND exported "${CMAKE_MATCH_2}")
            list(APPEND exported_rvas "${CMAKE_MATCH_1}")
        elseif(line STREQUAL "")
            set(in_table FALSE)
        endif()
    endif()
endforeach()
list(LENGTH exported exported_count)
if(exported_count EQUAL 0)
    message(FATAL_ERROR "found no exported names in the output of ${OBJDUMP} -p ${DLL}")
endif()

function(rva_of name out)
    list(FIND exported "${name}" at)
    if(at LESS 0)
        set(${out} "" PARENT_SCOPE)
    else()
        list(GET exported_rvas ${at} rva)
        set(${out} "${rva}" PARENT_SCOPE)
    endif()
endfunction()

# --- The names PhoneBk.def exports -------------------------------------------
file(READ "${DEF}" def_text)
# Comments run from ';' to the end of the line.
string(REGEX REPLACE ";[^\n]*" "" def_text "${def_text}")
split_lines("${def_text}" def_lines)

set(def_decorated "")
set(def_mingw "")
set(in_exports FALSE)
foreach(line IN LISTS def_lines)
    if(line MATCHES "^[ \t]*EXPORTS[ \t]*$")
        set(in_exports TRUE)
    elseif(line MATCHES "^[ \t]*(LIBRARY|NAME|SECTIONS|VERSION|HEAPSIZE|STACKSIZE)([ \t]|$)")
        set(in_exports FALSE)
    elseif(in_exports)
        if(line MATCHES "^[ \t]*\"([^\"]+)\"")
            list(APPEND def_decorated "${CMAKE_MATCH_1}")
        elseif(line MATCHES "^[ \t]*([^ \t=@]+)")
            list(APPEND def_mingw "${CMAKE_MATCH_1}")
        endif()
    endif()
endforeach()
list(LENGTH def_decorated def_decorated_count)
list(LENGTH def_mingw def_mingw_count)
if(def_decorated_count EQUAL 0 OR def_mingw_count EQUAL 0)
    message(FATAL_ERROR "${DEF}: expected both quoted Microsoft names and MinGW names in EXPORTS, "
                        "found ${def_decorated_count} and ${def_mingw_count}")
endif()

foreach(name IN LISTS def_decorated)
    if(NOT name IN_LIST exported)
        problem("decorated name in PhoneBk.def not exported by the DLL: ${name}")
    endif()
endforeach()
foreach(name IN LISTS def_mingw)
    if(NOT name IN_LIST exported)
        problem("MinGW name in PhoneBk.def not exported by the DLL: ${name}")
    endif()
endforeach()

# --- The published interface -------------------------------------------------
file(STRINGS "${PUBLISHED}" published)
list(LENGTH published published_count)
if(published_count EQUAL 0)
    message(FATAL_ERROR "${PUBLISHED} lists no names")
endif()
set(seen "")
foreach(name IN LISTS published)
    if(NOT name MATCHES "^\\?[^ \t]+Z$")
        problem("${PUBLISHED}: not a Microsoft-decorated member name: '${name}'")
    endif()
    if(name IN_LIST seen)
        problem("${PUBLISHED}: listed twice: ${name}")
    endif()
    list(APPEND seen "${name}")
endforeach()

if(DEFINED SHARED AND NOT SHARED STREQUAL "")
    if(EXISTS "${SHARED}")
        file(STRINGS "${SHARED}" shared)
        foreach(name IN LISTS shared)
            if(NOT name IN_LIST published)
                problem("${SHARED} lists a name missing from ${PUBLISHED}: ${name}")
            endif()
        endforeach()
        foreach(name IN LISTS published)
            if(NOT name IN_LIST shared)
                problem("${PUBLISHED} lists a name missing from ${SHARED}: ${name}")
            endif()
        endforeach()
    else()
        message(STATUS "no ${SHARED} beside the sources; checking against ${PUBLISHED} only")
    endif()
endif()

set(exported_decorated 0)
foreach(name IN LISTS exported)
    if(name MATCHES "^\\?")
        math(EXPR exported_decorated "${exported_decorated} + 1")
        if(NOT name IN_LIST published)
            problem("DLL exports a decorated name that is not in the published interface: ${name}")
        endif()
    endif()
endforeach()

foreach(name IN LISTS published)
    if(NOT name IN_LIST exported)
        problem("a member of the published interface is not exported: ${name}")
    endif()
endforeach()

# --- Decorated constructors must hand back `this` ----------------------------
foreach(name IN LISTS exported)
    if(name MATCHES "^\\?\\?0([A-Za-z_][A-Za-z0-9_]*)@@QAE@XZ$")
        set(class "${CMAKE_MATCH_1}")
        string(LENGTH "${class}" class_length)
        rva_of("${name}" decorated_rva)
        foreach(variant C1 C2)
            set(mingw "_ZN${class_length}${class}${variant}Ev")
            rva_of("${mingw}" mingw_rva)
            if(NOT mingw_rva STREQUAL "" AND mingw_rva STREQUAL decorated_rva)
                problem("${name} is the MinGW constructor ${mingw} itself, which does not return this")
            endif()
        endforeach()
    endif()
endforeach()

if(problems)
    foreach(text IN LISTS problems)
        message(SEND_ERROR "${text}")
    endforeach()
    list(LENGTH problems problem_count)
    message(FATAL_ERROR "msvc exports: ${problem_count} problem(s) in the exports of ${DLL}")
endif()
message(STATUS "msvc exports: ${def_decorated_count} decorated and ${def_mingw_count} MinGW names of "
               "PhoneBk.def exported; ${exported_decorated} decorated exports, all among the "
               "${published_count} published names")
