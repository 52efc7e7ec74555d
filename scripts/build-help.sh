#!/usr/bin/env bash
# Compiles one language's help file:
#   build-help.sh SOURCE_DIR WORK_DIR OUTPUT.chm LANGID CHARSET [CHMCMD [PROOT]]
#   SOURCE_DIR  help/<language>/: the topics, toc.hhc, index.hhk and title.txt, in UTF-8
#   WORK_DIR    where the project is laid out in the file's own code page
#   LANGID      the help file's language, 0x0409 and so on
#   CHARSET     the code page the topics declare and are converted to (windows-1252, ...)
#   CHMCMD      the help compiler (chmcmd on the search path by default), PROOT likewise
# The context ids are the ones the library's dialogs ask for; each maps to a topic file of its
# own, as the compiler wants.
set -euo pipefail
src=$1 work=$2 out=$3 langid=$4 charset=$5
chmcmd=${6:-$(command -v chmcmd)} proot=${7:-$(command -v proot)}

topics=(4070=type.htm 4071=name.htm 4072=phone.htm 4073=workstation.htm 4074=login.htm
        4075=utilities.htm 4076=finish.htm 4050=general.htm 4051=account.htm 4052=startup.htm)

rm -rf "$work"
mkdir -p "$work"
for file in "$src"/*.htm "$src"/toc.hhc "$src"/index.hhk; do
    iconv -f UTF-8 -t "$charset" "$file" > "$work/$(basename "$file")"
done
title=$(head -n 1 "$src/title.txt" | iconv -f UTF-8 -t "$charset")
name=$(basename "$out")

{
    for pair in "${topics[@]}"; do
        echo "#define IDH_${pair%%=*} ${pair%%=*}"
    done
} > "$work/ids.h"

{
    printf '[OPTIONS]\r\n'
    printf 'Compatibility=1.1 or later\r\n'
    printf 'Compiled file=%s\r\n' "$name"
    printf 'Contents file=toc.hhc\r\n'
    printf 'Index file=index.hhk\r\n'
    printf 'Default topic=index.htm\r\n'
    printf 'Display compile progress=No\r\n'
    printf 'Full-text search=Yes\r\n'
    printf 'Language=%s\r\n' "$langid"
    printf 'Title=%s\r\n\r\n' "$title"
    printf '[FILES]\r\n'
    for file in "$work"/*.htm; do
        printf '%s\r\n' "$(basename "$file")"
    done
    printf '\r\n[ALIAS]\r\n'
    for pair in "${topics[@]}"; do
        printf 'IDH_%s=%s\r\n' "${pair%%=*}" "${pair#*=}"
    done
    printf '\r\n[MAP]\r\n#include ids.h\r\n'
} > "$work/vmhelp.hhp"

# The compiler writes each context id's topic as the topic's absolute path on the building
# machine, where the help viewer looks for it inside the file ("/type.htm"): it runs in a
# file system view (proot, no privileges needed) whose root is the project's folder.
# The compiler's own path is seen unchanged inside: it lies below one of the folders bound.
"$proot" -r "$work" -b /usr -b /lib -b /lib64 -b /etc -w / "$chmcmd" --verbosity 0 /vmhelp.hhp \
    > "$work/chmcmd.log" 2>&1 || { cat "$work/chmcmd.log" >&2; exit 1; }
[ -s "$work/$name" ] || { echo "build-help: chmcmd wrote no $name" >&2; cat "$work/chmcmd.log" >&2; exit 1; }
mv "$work/$name" "$out"
