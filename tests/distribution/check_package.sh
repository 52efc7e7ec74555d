#!/usr/bin/env bash
# The distribution as a host team takes it, in a folder of its own:
#   check_package.sh find BUILD SOURCE
#       installs the build, builds tests/distribution/host against it with
#       find_package(PhoneBk), and runs that host from the installed bin folder
#   check_package.sh zip BUILD SOURCE CLANGXX LLD_LINK SYSTEM_LIB_DIR
#       makes the zip archive with cpack, unpacks it into an empty folder, runs
#       the console host's demo from it, and builds and runs a host made with
#       Microsoft's ABI (clang, lld-link) against its headers and PhoneBk.lib
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
run() { "$build/wine-run" "$@" 2>&1; }
windows_path() { echo "Z:${1//\//\\}"; }

case "$mode" in
find)
    cmake --install "$build" --prefix "$work/prefix" >/dev/null
    cmake -S "$source/tests/distribution/host" -B "$work/host" \
        -DCMAKE_TOOLCHAIN_FILE="$source/cmake/toolchain-i686-mingw.cmake" \
        -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
    cmake --build "$work/host" >/dev/null
    [ -f "$work/host/PhoneBk.dll" ] || { echo "FAILED: PhoneBk::PhoneBk's location was not copied"; exit 1; }
    cp "$work/host/package_host.exe" "$work/prefix/bin/"
    run "$work/prefix/bin/package_host.exe"
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
    for file in README.txt include/VmrPhoneBook.h include/RasPhoneBook.h lib/libPhoneBk.dll.a lib/PhoneBk.lib \
                lib/cmake/PhoneBk/PhoneBkConfig.cmake lib/cmake/PhoneBk/PhoneBkConfigVersion.cmake \
                bin/PhoneBk.dll bin/GATEUI.DLL bin/Linkdevs.dll bin/regstore.dll bin/PXMSGBOX.dll \
                bin/pbtool.exe bin/progman.exe bin/phonebook-tab.exe bin/vmhelp_en.chm bin/vmhelp_ja.chm bin/vmhelp_chs.chm; do
        [ -f "$pkg/$file" ] || { echo "FAILED: the archive has no $file"; exit 1; }
    done

    # The console host's demo, from the unpacked folder alone.
    # Its output goes nowhere: a Wine process that outlives the script must
    # not hold the test runner's pipe open.
    "$build/wine-run" "$pkg/bin/progman.exe" >/dev/null 2>&1 &   # wine-run execs Wine: $! is the program
    shell_pid=$!
    book=$(windows_path "$work/book")
    mkdir "$work/book"
    run "$pkg/bin/pbtool.exe" --path "$book" new Office --phone 5550123 --login alice
    run "$pkg/bin/pbtool.exe" --path "$book" new Lab --device-type 3 --workstation lab-42
    listed=$(run "$pkg/bin/pbtool.exe" --path "$book" list)
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
        "/out:$pkg/bin/msvc_host.exe" "$work/msvc_host.obj" "$pkg/lib/PhoneBk.lib" \
        "$system_libs/kernel32.lib" "$system_libs/user32.lib"
    output=$(run "$pkg/bin/msvc_host.exe")
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
