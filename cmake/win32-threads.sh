#!/bin/sh
# Runs a compile or link command of the -posix MinGW-w64 compilers with their
# win32-thread-model twins instead, whose runtime needs no winpthread (and so
# none of its Windows XP and Vista imports). Other commands run as given.
command="$1"
shift
case "$command" in
    *-posix) exec "${command%-posix}-win32" "$@" ;;
    *) exec "$command" "$@" ;;
esac
