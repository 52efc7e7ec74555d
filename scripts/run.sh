#!/usr/bin/env bash
# Sets up (if needed), builds, and runs the console host on a fresh phone book
# under the build tree.
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$root/scripts/setup.sh"
configure_and_build

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
