#!/usr/bin/env bash
# Sets up (if needed), builds, and makes the distribution: build/PhoneBk-<version>-win32.zip,
# the same tree as `cmake --install`: bin/ (the library and its help, what a host ships), include/,
# lib/ with the CMake package, tools/, samples/, stand-ins/ (never shipped) and README.txt. Without
# the help compiler the package is refused.
set -euo pipefail
source "$(dirname "$0")/common.sh"

set_up
configure_and_build
cpack --config "$build/CPackConfig.cmake" -B "$build"
