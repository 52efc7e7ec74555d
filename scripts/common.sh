# Shared by the scripts: the repository, the build directory, and a build.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${PHONEBK_BUILD_DIR:-$root/build}"

# One line of what a script is doing, under its name.
say() {
    echo "$(basename "$0"): $*"
}

# Installs what is missing (scripts/setup.sh says what it changes; nothing
# when everything is there).
set_up() {
    say "installing what is missing, if anything (scripts/setup.sh)"
    "$root/scripts/setup.sh"
}

configure() {
    say "configuring $build"
    cmake -S "$root" -B "$build" >/dev/null
}

# Configures, and builds the targets named (everything when none is).
configure_and_build() {
    configure
    if [ $# -eq 0 ]; then
        say "building everything: the library, its tools, tests and benchmarks"
        cmake --build "$build" -j"$(nproc)"
    else
        say "building $# targets: $*"
        cmake --build "$build" -j"$(nproc)" --target "$@"
    fi
}

# Makes the Wine prefixes named (headless, x11) that are not made yet, and
# says so: no test program pays for making one, or runs out of time on it.
# The x11 prefix needs DISPLAY set first.
prepare_wine_prefixes() {
    local kind
    for kind in "$@"; do
        if [ -f "$build/wine/$kind/.phonebk-ready" ]; then
            continue
        fi
        say "preparing the Wine prefix $build/wine/$kind (once; about half a minute, minutes under a CPU emulator)"
        PHONEBK_WINE_DISPLAY=$kind "$build/wine-run" cmd /c exit >/dev/null 2>&1 || true
        if [ ! -f "$build/wine/$kind/.phonebk-ready" ]; then
            say "Wine could not make the prefix $build/wine/$kind; try: PHONEBK_WINE_DISPLAY=$kind $build/wine-run cmd /c exit" >&2
            return 1
        fi
    done
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
# under a CPU emulator. A server already running cannot be made persistent,
# so the one that made the prefix is waited out first; the services are then
# started from here, with their output going nowhere, so that none of them
# holds a test's output open. The x11 prefix needs DISPLAY set first.
start_wine() {
    local kind
    for kind in headless x11; do
        [ "$kind" = x11 ] && [ -z "${DISPLAY:-}" ] && continue
        prepare_wine_prefixes "$kind"
        PHONEBK_WINE_DISPLAY=$kind "$build/wine-run" cmd /c exit >/dev/null 2>&1 || true
        WINEPREFIX="$build/wine/$kind" wineserver -w
        WINEPREFIX="$build/wine/$kind" wineserver -p >/dev/null 2>&1 || true
        PHONEBK_WINE_DISPLAY=$kind "$build/wine-run" cmd /c exit >/dev/null 2>&1 || true
        # The desktop's process too, kept for the run by a program that waits
        # for good (on a pipe that nobody writes). Started by the first program
        # that needs it, the desktop takes that program's standard error along,
        # and CTest counts the program as running until the desktop closes,
        # which the programs that follow put off (the first test of a run took
        # the whole run's time); and without a program left, it closes, so
        # each program run alone starts it again.
        local hold="$build/wine/$kind.hold"
        [ -p "$hold" ] || mkfifo "$hold"
        PHONEBK_WINE_DISPLAY=$kind "$build/wine-run" cmd /c "set /p x=" <>"$hold" >/dev/null 2>&1 &
        PHONEBK_WINE_DISPLAY=$kind "$build/wine-run" explorer.exe /desktop </dev/null >/dev/null 2>&1 &
    done
}

# Starts an Xvfb on the first free display number from $1 on, for the programs
# that draw real windows: exports DISPLAY and sets xvfb_pid; stop_xvfb ends it.
start_xvfb() {
    local n display=""
    for n in $(seq "$1" $(($1 + 49))); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            display=":$n"
            break
        fi
    done
    [ -n "$display" ] || { echo "$(basename "$0"): no free X display number" >&2; return 1; }
    Xvfb "$display" -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY="$display"
}

stop_xvfb() {
    if [ -n "${xvfb_pid:-}" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
