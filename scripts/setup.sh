#!/usr/bin/env bash
# Installs, without questions, everything the build and the tests need on a Debian 12 machine.
# Safe to run again: it installs only what is missing.
set -euo pipefail

# fonts-wqy-microhei: Japanese and Chinese glyphs, which Wine finds for "MS Shell Dlg" under
# those locales (without it their dialogs show boxes). locales: the glibc locales the
# per-language tests run under. fp-utils: the help compiler (chmcmd) and reader (chmls);
# proot: the compiler's file system view; python3: the help files' check.
packages=(cmake make g++-mingw-w64-i686 wine wine32:i386 wine64 xvfb googletest
          clang lld llvm x11-apps netpbm locales fonts-wqy-microhei fp-utils proot python3)

need_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "setup: $1 needs root" >&2
        exit 1
    fi
}

# apt-get update fails as a whole when one index of one mirror is caught mid-sync ("File
# has unexpected size"), although the others were fetched. It is tried three times, a few
# seconds apart; after that the install goes on with the lists it has, and fails only if
# a package really cannot be had from them.
refresh_package_lists() {
    local attempt
    for attempt in 1 2 3; do
        apt-get update -q && return 0
        echo "setup: apt-get update failed (attempt $attempt of 3)" >&2
        sleep $((attempt * 5))
    done
    echo "setup: going on with the package lists as they are" >&2
}

install_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    need_root "installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    refresh_package_lists
    apt-get install -y -q --no-install-recommends "${missing[@]}"
}

install_packages "${packages[@]}"

# The locales Wine takes each language's user interface, code page and file names from, as
# resources/languages.txt lists them. Each one made here is also listed in /etc/locale.gen, so
# that a later locale-gen, which makes exactly the listed ones, keeps it.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
locale_gen=/etc/locale.gen
for locale in $(awk '!/^#/ && NF { print $2 }' "$root/resources/languages.txt"); do
    available=no listed=no
    locale -a 2>/dev/null | grep -qix "$locale.utf-\?8" && available=yes
    grep -qx "$locale.UTF-8 UTF-8" "$locale_gen" 2>/dev/null && listed=yes
    [ "$available" = yes ] && [ "$listed" = yes ] && continue
    # A locale that is there but not listed (made by hand, or by an earlier set-up) is only
    # listed by root; it works as it is.
    if [ "$available" = yes ] && [ "$(id -u)" -ne 0 ]; then
        continue
    fi
    need_root "making the locale $locale.UTF-8"
    if [ "$listed" = no ]; then
        echo "setup: listing $locale.UTF-8 in $locale_gen"
        if grep -qx "# *$locale.UTF-8 UTF-8" "$locale_gen" 2>/dev/null; then
            sed -i "s/^# *\($locale\.UTF-8 UTF-8\)\$/\1/" "$locale_gen"
        else
            echo "$locale.UTF-8 UTF-8" >> "$locale_gen"
        fi
    fi
    if [ "$available" = no ]; then
        echo "setup: making the locale $locale.UTF-8"
        localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
    fi
done

# Whether some handler of the kernel's binfmt_misc runs i386 ELF programs: its magic is
# ELF, 32-bit, little-endian, and machine 3 (i386).
i386_handler() {
    local entry magic
    for entry in /proc/sys/fs/binfmt_misc/*; do
        [ -f "$entry" ] || continue
        magic=$(sed -n 's/^magic //p' "$entry")
        if [ "${magic:0:12}" = 7f454c460101 ] && [ "${magic:36:4}" = 0300 ]; then
            basename "$entry"
            return 0
        fi
    done
    return 1
}

# Wine's 32-bit loader is an i386 program. Some virtual machines run a kernel whose 32-bit
# support is switched off ("32-bit emulation disabled" in the kernel log); there the loader
# runs under QEMU's user-mode CPU emulator instead, registered for i386 programs with the
# kernel's binfmt_misc. Everything above the CPU is unchanged: the same Wine, the same DLLs.
# QEMU 7.2 of Debian 12 ignores MAP_FIXED_NOREPLACE, which makes every Wine process spend
# about fifty seconds reserving its address space a page range at a time; the backported
# QEMU 10 starts one in under a second. Later Debian releases carry a QEMU new enough.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    need_root "running i386 programs on this kernel"
    if ! qemu-i386-static --version 2>/dev/null | grep -q 'version \([89]\|[1-9][0-9]\)\.'; then
        export DEBIAN_FRONTEND=noninteractive
        codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
        if [ "$codename" = bookworm ]; then
            backports=/etc/apt/sources.list.d/phonebk-backports.sources
            if [ ! -f "$backports" ]; then
                echo "setup: adding Debian 12's backports ($backports) for QEMU's emulator;" \
                     "remove that file to take it away again"
                cat > "$backports" <<'SOURCES'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
            fi
            refresh_package_lists
            apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user-static
        else
            refresh_package_lists
            apt-get install -y -q --no-install-recommends qemu-user-static
        fi
    fi
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
    if handler=$(i386_handler); then
        # Someone else's handler is theirs to mend: it is left as it is.
        echo "setup: i386 programs do not run here, and $binfmt/$handler, which handles them," \
             "is not ours to change" >&2
        exit 1
    fi
    echo "setup: registering QEMU's emulator for i386 programs ($binfmt/qemu-i386)"
    echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
        > "$binfmt/register"
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 || { echo "setup: i386 programs cannot run here" >&2; exit 1; }
fi
