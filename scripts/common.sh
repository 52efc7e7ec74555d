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
