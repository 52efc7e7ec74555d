# The help compiler (chmcmd, of fp-utils) runs under proot; scripts/setup.sh
# installs both. Without them everything else still builds: the help files
# are left out, the help tests are skipped, and the distribution (install and
# package) refuses, since a host would ship a library without its help.
# PHONEBK_HELP_NOT_BUILT then says why, for the tests to say so too.
find_program(PHONEBK_CHMCMD chmcmd)
find_program(PHONEBK_PROOT proot)
set(missing "")
foreach(tool PHONEBK_CHMCMD PHONEBK_PROOT)
    # A path that is not there (-DPHONEBK_CHMCMD=/nowhere) counts as missing:
    # that is how a build without the help compiler is tried on a machine
    # that has one.
    if(NOT ${tool} OR NOT EXISTS "${${tool}}")
        string(TOLOWER "${tool}" name)
        string(REPLACE "phonebk_" "" name "${name}")
        list(APPEND missing "${name}")
    endif()
endforeach()
if(missing)
    list(JOIN missing " and " missing)
    set(reason "the help files are not built: ${missing} not found (scripts/setup.sh installs fp-utils and proot)")
    message(NOTICE "PhoneBk: ${reason}.")
    set(PHONEBK_HELP_NOT_BUILT "${reason}" CACHE INTERNAL "Why the help files are not built")
    # First of the install rules: nothing is installed or packaged without them.
    install(CODE "message(FATAL_ERROR \"PhoneBk cannot be installed or packaged: ${reason}.\")")
else()
    set(PHONEBK_HELP_NOT_BUILT "" CACHE INTERNAL "Why the help files are not built")
endif()

