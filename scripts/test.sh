#!/usr/bin/env bash
# Sets up (if needed), builds, and runs every test. Extra arguments go to ctest
# (for example -R cipher).
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$root/scripts/setup.sh"
configure_and_build

# One X server for the tests that draw real windows; the others use Wine's
# null display driver and need none.
display=""
for n in $(seq 91 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
        display=":$n"
        break
    fi
done
[ -n "$display" ] || { echo "test.sh: no free X display number" >&2; exit 1; }
Xvfb "$display" -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() {
    stop_wine
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY="$display"
start_wine

ctest --test-dir "$build" --output-on-failure -j2 "$@"
