# PhoneBk.lib: an import library for Microsoft's linker, holding the names
# under which hosts built with Microsoft's compiler bind the classes. The names
# are the quoted ones of PhoneBk.def.
find_program(LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)

set(msvc_def "${CMAKE_BINARY_DIR}/lib/PhoneBk-msvc.def")
set(msvc_lib "${CMAKE_BINARY_DIR}/lib/PhoneBk.lib")
add_custom_command(
    OUTPUT "${msvc_lib}"
    COMMAND "${CMAKE_COMMAND}" -DIN=${CMAKE_SOURCE_DIR}/phonebook/PhoneBk.def -DOUT=${msvc_def}
            -P "${CMAKE_SOURCE_DIR}/cmake/MsvcDef.cmake"
    COMMAND "${LLVM_DLLTOOL}" -m i386 -d "${msvc_def}" -l "${msvc_lib}"
    DEPENDS "${CMAKE_SOURCE_DIR}/phonebook/PhoneBk.def" "${CMAKE_SOURCE_DIR}/cmake/MsvcDef.cmake"
    COMMENT "Making PhoneBk.lib for Microsoft's linker"
    VERBATIM)
add_custom_target(PhoneBkMsvcLib ALL DEPENDS "${msvc_lib}")
