# cmake -DIN=PhoneBk.def -DOUT=msvc.def -P MsvcDef.cmake
# Keeps the Microsoft-decorated export names of IN (the quoted ones).
file(STRINGS "${IN}" lines REGEX "^[ \t]*\"\\?")
set(out "LIBRARY PhoneBk.dll\nEXPORTS\n")
foreach(line IN LISTS lines)
    string(REGEX MATCH "\"([^\"]+)\"" _ "${line}")
    string(APPEND out "    ${CMAKE_MATCH_1}\n")
endforeach()
file(WRITE "${OUT}" "${out}")
