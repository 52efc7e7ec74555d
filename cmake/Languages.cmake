# The library's languages, read once from resources/languages.txt (which the
# shell scripts, which cannot read CMake, read too) into PHONEBK_LANGUAGES:
# one entry "tag=locale=LANGID=code page=help" per language, English first.
# The build takes every other list of them from here:
#   PhoneBkLanguages.rci  the language scripts that resources/PhoneBk.rc includes
#   PhoneBkLanguages.h    PHONEBK_LANGUAGES(X): X("de-DE", 0x0407, 1252, "vmhelp_de.chm")
#                         per language, for context help and the tests
# both in ${PHONEBK_GENERATED_DIR}.
set(languages_file "${CMAKE_CURRENT_SOURCE_DIR}/resources/languages.txt")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${languages_file}")
file(STRINGS "${languages_file}" language_lines REGEX "^[^#]*[^ \t#]")
set(PHONEBK_LANGUAGES "")
set(rc_includes "")
set(x_entries "")
foreach(line IN LISTS language_lines)
    string(REGEX MATCHALL "[^ \t]+" fields "${line}")
    list(LENGTH fields count)
    if(NOT count EQUAL 5)
        message(FATAL_ERROR "resources/languages.txt: \"${line}\" is not tag, locale, LANGID, code page, help")
    endif()
    list(GET fields 0 tag)
    list(GET fields 2 langid)
    list(GET fields 3 code_page)
    list(GET fields 4 help)
    list(JOIN fields "=" entry)
    list(APPEND PHONEBK_LANGUAGES "${entry}")
    string(APPEND rc_includes "#include \"${tag}.rc\"\n")
    string(APPEND x_entries " \\\n    X(\"${tag}\", ${langid}, ${code_page}, \"vmhelp_${help}.chm\")")
endforeach()
list(LENGTH PHONEBK_LANGUAGES language_count)

set(PHONEBK_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
file(CONFIGURE OUTPUT "${PHONEBK_GENERATED_DIR}/PhoneBkLanguages.rci" CONTENT
"// Generated from resources/languages.txt: one script of texts per language.
${rc_includes}")
file(CONFIGURE OUTPUT "${PHONEBK_GENERATED_DIR}/PhoneBkLanguages.h" CONTENT
"// Generated from resources/languages.txt: the library's languages, English
// first, as X(tag, LANGID, ANSI code page, help file).
#ifndef PHONEBK_LANGUAGES_GENERATED_H
#define PHONEBK_LANGUAGES_GENERATED_H
#define PHONEBK_LANGUAGE_COUNT ${language_count}
#define PHONEBK_LANGUAGES(X)${x_entries}
#endif
")
