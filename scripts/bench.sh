#!/usr/bin/env bash
# Builds the benchmarks if needed and runs each under Wine, printing what they
# measure: scripts/bench.sh [BUILD_DIR]   (default: build at the repository root)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build"
fi

# The benchmarks are the programs built from bench/*.cpp.
programs=()
for source in "$root"/bench/*.cpp; do
    [ -e "$source" ] || continue
    programs+=("$(basename "$source" .cpp)")
done
if [ ${#programs[@]} -eq 0 ]; then
    echo "bench: no benchmarks in $root/bench" >&2
    exit 1
fi

cmake --build "$build" -j"$(nproc)" --target "${programs[@]}"

status=0
for program in "${programs[@]}"; do
    exe="$build/bin/$program.exe"
    echo "== $program"
    if ! "$build/wine-run" "$exe"; then
        echo "bench: $program failed" >&2
        status=1
    fi
done
exit $status
