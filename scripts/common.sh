# Shared by the scripts: the repository, the build directory, and a build.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${PHONEBK_BUILD_DIR:-$root/build}"

configure_and_build() {
    cmake -S "$root" -B "$build" >/dev/null
    cmake --build "$build" -j"$(nproc)"
}

# Ends both Wine prefixes' servers, so that nothing of the run stays behind.
stop_wine() {
    local prefix
    for prefix in "$build"/wine/headless "$build"/wine/x11; do
        if [ -d "$prefix" ]; then
            WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
        fi
    done
}

# Starts both prefixes' Wine servers and keeps them running until stop_wine:
# a server that starts afresh for every program first starts the prefix's
# services and desktop again, which costs a second natively and several
# under a CPU emulator. The x11 prefix needs DISPLAY set first.
start_wine() {
    local kind
    for kind in headless x11; do
        [ "$kind" = x11 ] && [ -z "${DISPLAY:-}" ] && continue
        PHONEBK_WINE_DISPLAY=$kind "$build/wine-run" cmd /c exit >/dev/null 2>&1 || true
        WINEPREFIX="$build/wine/$kind" wineserver -p >/dev/null 2>&1 || true
    done
}
