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
