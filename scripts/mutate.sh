#!/usr/bin/env bash
# Mutation testing: do the tests catch a plausible one-line mistake?
#
#   scripts/mutate.sh [-n N] [-s SEED] PATH...
#
# Draws N lines at random (seeded; the seed is printed, -s repeats a run) from
# the sources given (files, or folders for their .cpp files), makes one
# mutation on each (a comparison flipped or negated, && for ||, a ! dropped,
# a number or a sizeof changed by one, a call dropped, two arguments swapped;
# a mutant that does not compile is not counted and another line is drawn),
# rebuilds incrementally in build-mutate/ only the test programs that reach
# that source, runs them (the likely killers first, stopping at the first
# failure), puts the source back, and prints one line per mutant and the
# score, overall and by folder. build/ is never touched, and the source is put
# back also when the run is interrupted. Builds' and tests' output:
# build-mutate/mutate.log. For the developer, not for CI.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export PHONEBK_BUILD_DIR="${PHONEBK_MUTATE_BUILD_DIR:-$root/build-mutate}"
source "$root/scripts/common.sh"

# Whatever ends this script, the mutated source goes back from its saved copy.
restore() {
    if [ -f "$build/mutate-pending" ]; then
        local source
        source="$(cat "$build/mutate-pending")"
        cp -p "$build/mutate-saved" "$source"
        rm -f "$build/mutate-pending"
        # Its objects were made from the mutant and look newer than the source.
        find "$build" -path "$build/wine" -prune -o -path "*/${source#"$root"/}.obj" -print0 |
            xargs -0 rm -f
    fi
}
cleanup() {
    restore
    stop_wine
    stop_xvfb
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

restore
cmake -S "$root" -B "$build" >/dev/null
echo "building $build (the first time takes a while)..."
nice cmake --build "$build" -j2 >"$build/mutate-build.log" 2>&1 ||
    { echo "the unmutated tree does not build: see $build/mutate-build.log" >&2; exit 1; }
start_xvfb 121
start_wine
python3 "$root/scripts/mutate.py" -b "$build" "$@"
