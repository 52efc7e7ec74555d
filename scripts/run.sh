#!/usr/bin/env bash
# Sets up (if needed), builds what the demo runs, and runs the console host on
# a fresh phone book under the build tree. scripts/test.sh builds the rest.
set -euo pipefail
source "$(dirname "$0")/common.sh"

# What the demo runs, and no more: the library, the console host, the shell
# window's stand-in, and the stand-ins of the product's DLLs (the security
# login is loaded at run time, the others at load time).
demo_targets=(PhoneBk pbtool progman gateui linkdevs regstore pxmsgbox)

set_up
configure_and_build "${demo_targets[@]}"
prepare_wine_prefixes headless

# Wine has no shell window, and a phone book waits for one as at a Windows
# logon: progman.exe owns one for the length of the run.
"$build/wine-run" "$build/bin/progman.exe" &
shell_pid=$!
cleanup() {
    kill "$shell_pid" 2>/dev/null || true
    wait "$shell_pid" 2>/dev/null || true
    stop_wine
}
trap cleanup EXIT

say "running the demo on a fresh phone book in $build/demo-phonebook"
# A fresh phone book for the demo, inside the build tree.
demo="$build/demo-phonebook"
rm -rf "$demo"
mkdir -p "$demo"
demo_dir="Z:${demo//\//\\}"

pbtool() {
    echo "\$ pbtool $*"
    "$build/wine-run" "$build/bin/pbtool.exe" --path "$demo_dir" "$@"
    echo
}

pbtool dir
pbtool new Office --phone 5550123 --area 030 --country "Germany (49)" --login alice --password s3cret
pbtool new Lab --device-type 3 --workstation lab-42 --ils ils.example.net --no-connect-dialog
pbtool new Branch --device-type 4 --workstation 10.1.2.3 --adapter "Ethernet 1" --timeout 30
pbtool list
pbtool show Office
pbtool rename Lab Workshop
pbtool delete Branch
pbtool list
