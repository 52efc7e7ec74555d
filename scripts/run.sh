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

pbtool() {
    echo "\$ pbtool $*"
    "$build/wine-run" "$build/bin/pbtool.exe" "$@"
    echo
}

pbtool dir
pbtool defaults
