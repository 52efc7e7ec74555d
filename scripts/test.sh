#!/usr/bin/env bash
# Sets up (if needed), builds, and runs every test. Extra arguments go to ctest
# (for example -R cipher).
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$root/scripts/setup.sh"
configure_and_build

# One X server for the tests that draw real windows; the others use Wine's
# null display driver and need none.
cleanup() {
    stop_wine
    stop_xvfb
}
trap cleanup EXIT
start_xvfb 91
start_wine

ctest --test-dir "$build" --output-on-failure -j2 "$@"
