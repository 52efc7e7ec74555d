# cmake -DIN=PhoneBk.def -DOUT=msvc.def -P MsvcDef.cmake
# Keeps the Microsoft-decorated export names of IN (the quoted ones) and the
# C functions under their __stdcall names (NAME@BYTES), which both compilers
# decorate alike.
file(STRINGS "${IN}" stdcall REGEX "^[ \t]*Vmr[A-Za-z]+@[0-9]+[ \t]*$")
foreach(line IN LISTS stdcall)
    string(STRIP "${line}" line)
    list(APPEND stdcall_names "${line}")
endforeach()
file(STRINGS "${IN}" lines REGEX "^[ \t]*\"\\?")
set(out "LIBRARY PhoneBk.dll\nEXPORTS\n")
foreach(line IN LISTS lines)
    string(REGEX MATCH "\"([^\"]+)\"" _ "${line}")
    string(APPEND out "    ${CMAKE_MATCH_1}\n")
endforeach()
foreach(name IN LISTS stdcall_names)
    string(APPEND out "    ${name}\n")
endforeach()
file(WRITE "${OUT}" "${out}")
