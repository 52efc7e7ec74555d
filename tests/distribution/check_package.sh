#!/usr/bin/env bash
# The distribution as a host team takes it, in a folder of its own:
#   check_package.sh find BUILD SOURCE
#       installs the build, checks its layout, builds tests/distribution/host
#       against it with find_package(PhoneBk), and runs that host
#   check_package.sh zip BUILD SOURCE CLANGXX LLD_LINK SYSTEM_LIB_DIR
#       makes the zip archive with cpack, unpacks it into an empty folder,
#       checks its layout, runs the console host's demo from it, and builds and
#       runs a host made with Microsoft's ABI (clang, lld-link) against its
#       headers and PhoneBk.lib
# Either way bin/ must hold what a host ships and nothing else, the library
# and its help: a host team copies it into the product's folder. The hosts run
# from a scratch folder into which the stand-ins of the product's components
# are copied on purpose, with the build's own folder off the search path, so
# that they find nothing the package does not hold.
set -euo pipefail
mode=$1 build=$2 source=$3
work=$(mktemp -d)
shell_pid=""
cleanup() {
    # KILL: under a CPU emulator a Wine program may ignore TERM.
    [ -n "$shell_pid" ] && { kill -KILL "$shell_pid" 2>/dev/null || true; wait "$shell_pid" 2>/dev/null || true; }
    rm -rf "$work"
}
trap cleanup EXIT
# Each program of the package runs bounded in time, and writes to a file, not
# to a pipe: a Wine process it leaves behind (a server, a service) could hold a
# pipe open and keep a command substitution waiting for good.
run() {
    local status=0
    PHONEBK_OWN_FOLDER_ONLY=1 timeout 120 "$build/wine-run" "$@" >"$work/run.out" 2>&1 </dev/null || status=$?
    cat "$work/run.out"
    [ "$status" -ne 124 ] || echo "FAILED: $(basename "$1") did not end within 120 s"
    return "$status"
}
windows_path() { echo "Z:${1//\//\\}"; }
fail() { echo "FAILED: $*"; exit 1; }

# The installed or unpacked tree's layout, and a scratch folder $work/try
# where bin/ and the stand-ins meet, as a host team trying the library makes.
check_layout() {
    local pkg=$1 help file
    local shipped="PhoneBk.dll"
    for help in $(awk '!/^#/ && NF { print $5 }' "$source/resources/languages.txt"); do
        shipped="$shipped vmhelp_$help.chm"
    done
    local expected actual
    expected=$(tr ' ' '\n' <<<"$shipped" | sort)
    actual=$(ls -A "$pkg/bin" | sort)
    [ "$expected" = "$actual" ] || fail "bin holds other than the library and its help:
$(diff <(echo "$expected") <(echo "$actual"))"
    for file in README.txt include/VmrPhoneBook.h include/RasPhoneBook.h lib/libPhoneBk.dll.a lib/PhoneBk.lib \
                lib/cmake/PhoneBk/PhoneBkConfig.cmake lib/cmake/PhoneBk/PhoneBkConfigVersion.cmake \
                tools/pbtool.exe samples/phonebook-tab.exe stand-ins/README.txt stand-ins/GATEUI.DLL \
                stand-ins/Linkdevs.dll stand-ins/regstore.dll stand-ins/PXMSGBOX.dll stand-ins/progman.exe; do
        [ -f "$pkg/$file" ] || fail "the package has no $file"
    done
    grep -qi "never put these beside the product" "$pkg/stand-ins/README.txt" || fail "stand-ins/README.txt does not warn against the product's folder"
    mkdir "$work/try"
    cp "$pkg"/bin/* "$work/try/"
    cp "$pkg"/stand-ins/*.DLL "$pkg"/stand-ins/*.dll "$pkg"/stand-ins/*.exe "$work/try/"
}

case "$mode" in
find)
    cmake --install "$build" --prefix "$work/prefix" >/dev/null
    check_layout "$work/prefix"
    cmake -S "$source/tests/distribution/host" -B "$work/host" \
        -DCMAKE_TOOLCHAIN_FILE="$source/cmake/toolchain-i686-mingw.cmake" \
        -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
    cmake --build "$work/host" >/dev/null
    [ -f "$work/host/PhoneBk.dll" ] || { echo "FAILED: PhoneBk::PhoneBk's location was not copied"; exit 1; }
    cp "$work/host/package_host.exe" "$work/try/"
    run "$work/try/package_host.exe"
    ;;
zip)
    clangxx=$4 lld_link=$5 system_libs=$6
    version=$(sed -n 's/^project(PhoneBk VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
    archive="PhoneBk-$version-win32.zip"
    cpack --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null
    [ -f "$work/out/$archive" ] || { echo "FAILED: cpack made no $archive"; ls "$work/out"; exit 1; }
    mkdir "$work/unpacked"
    (cd "$work/unpacked" && cmake -E tar xf "$work/out/$archive")
    pkg="$work/unpacked"
    check_layout "$pkg"
    cp "$pkg/tools/pbtool.exe" "$work/try/"

    # The console host's demo, from the scratch folder alone.
    # Its output goes nowhere: a Wine process that outlives the script must
    # not hold the test runner's pipe open.
    PHONEBK_OWN_FOLDER_ONLY=1 "$build/wine-run" "$work/try/progman.exe" >/dev/null 2>&1 &   # wine-run execs Wine: $! is the program
    shell_pid=$!
    book=$(windows_path "$work/book")
    mkdir "$work/book"
    # The stand-in security login fails closed: without its GATEUI.INI the
    # wizard is refused before any window opens.
    created=$(run "$work/try/pbtool.exe" --path "$book" create) || true
    grep -q "nothing was created" <<<"$created" || fail "the stand-in login did not refuse without GATEUI.INI: $created"
    run "$work/try/pbtool.exe" --path "$book" new Office --phone 5550123 --login alice
    run "$work/try/pbtool.exe" --path "$book" new Lab --device-type 3 --workstation lab-42
    listed=$(run "$work/try/pbtool.exe" --path "$book" list)
    echo "$listed"
    for name in Office Lab; do
        grep -q "$name" <<<"$listed" || { echo "FAILED: pbtool does not list $name"; exit 1; }
    done
    kill -KILL "$shell_pid"; wait "$shell_pid" 2>/dev/null || true; shell_pid=""

    # A host built with Microsoft's ABI against the archive's headers and PhoneBk.lib.
    "$clangxx" --target=i686-pc-windows-msvc -std=c++17 -O2 -fno-exceptions -fno-rtti -ffreestanding \
        -nostdinc -Wall -Wextra -Werror -I "$pkg/include" \
        -c "$source/tests/msvc_host/msvc_host.cpp" -o "$work/msvc_host.obj"
    "$lld_link" /nologo /machine:x86 /nodefaultlib /entry:HostMain /subsystem:console \
        "/out:$work/try/msvc_host.exe" "$work/msvc_host.obj" "$pkg/lib/PhoneBk.lib" \
        "$system_libs/kernel32.lib" "$system_libs/user32.lib"
    output=$(run "$work/try/msvc_host.exe")
    echo "$output"
    if grep -q "FAILED\|cannot" <<<"$output"; then
        echo "FAILED: the Microsoft-ABI host"
        exit 1
    fi
    ;;
*)
    echo "check_package.sh: find or zip" >&2
    exit 2
    ;;
esac
echo "package $mode: ok"
