# cmake -DOBJDUMP=llvm-objdump -DDLL=PhoneBk.dll -P CheckImports.cmake
#
# Checks what PhoneBk.dll needs at load time, as any host's loader sees it:
# only Windows' own DLLs and the product's Linkdevs.dll, PXMSGBOX.dll and
# regstore.dll. RASAPI32.DLL and GATEUI.DLL are bound at run time, and the
# MinGW runtime is linked in, so none of them may appear. Every problem is
# reported by name; the script fails if there is any.
cmake_minimum_required(VERSION 3.20)

foreach(var OBJDUMP DLL)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "CheckImports.cmake needs -D${var}=...")
    endif()
endforeach()

set(allowed
    kernel32.dll user32.dll advapi32.dll gdi32.dll comctl32.dll tapi32.dll msvcrt.dll shell32.dll
    linkdevs.dll pxmsgbox.dll regstore.dll)

execute_process(COMMAND "${OBJDUMP}" -p "${DLL}"
    OUTPUT_VARIABLE dump ERROR_VARIABLE dump_errors RESULT_VARIABLE dump_result)
if(NOT dump_result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed (${dump_result}): ${dump_errors}")
endif()

string(REGEX MATCHALL "DLL Name: [^\r\n]+" names "${dump}")
if(NOT names)
    message(FATAL_ERROR "found no imported DLLs in the output of ${OBJDUMP} -p ${DLL}")
endif()
set(problems 0)
set(seen "")
foreach(entry IN LISTS names)
    string(REGEX REPLACE "^DLL Name: *" "" name "${entry}")
    string(STRIP "${name}" name)
    string(TOLOWER "${name}" lower)
    list(APPEND seen "${name}")
    if(NOT lower IN_LIST allowed)
        message(SEND_ERROR "PhoneBk.dll imports ${name} at load time")
        math(EXPR problems "${problems} + 1")
    endif()
endforeach()
if(problems GREATER 0)
    message(FATAL_ERROR "imports: ${problems} DLL(s) outside the allowed set")
endif()
message(STATUS "imports: ${seen}")
