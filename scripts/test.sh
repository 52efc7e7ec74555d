#!/usr/bin/env bash
# Sets up (if needed), builds, and runs every test but the long soak. Extra
# arguments go to ctest (for example -R cipher); -L soak runs the long soak.
set -euo pipefail
source "$(dirname "$0")/common.sh"

set_up
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

# The long soak (label "soak") runs only when asked for: scripts/test.sh -L soak.
labels=(-LE soak)
for argument in "$@"; do
    case "$argument" in
        -L*|--label-*) labels=() ;;
    esac
done
say "running the tests"
ctest --test-dir "$build" --output-on-failure -j2 "${labels[@]}" "$@"
