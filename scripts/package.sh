#!/usr/bin/env bash
# Sets up (if needed), builds, and makes the distribution: build/PhoneBk-<version>-win32.zip,
# the same tree as `cmake --install` (bin/, include/, lib/ with the CMake package, README.txt).
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$root/scripts/setup.sh"
configure_and_build
cpack --config "$build/CPackConfig.cmake" -B "$build"
