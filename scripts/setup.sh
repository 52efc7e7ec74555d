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
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
}

install_packages "${packages[@]}"

# The locales Wine takes each language's user interface, code page and file names from.
for locale in en_US de_DE fr_FR it_IT ja_JP pt_BR zh_CN es_ES; do
    if ! locale -a 2>/dev/null | grep -qix "$locale.utf-\?8"; then
        need_root "making the locale $locale.UTF-8"
        localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
    fi
done

# Wine's 32-bit loader is an i386 program. Some virtual machines run a kernel whose 32-bit
# support is switched off ("32-bit emulation disabled" in the kernel log); there the loader
# runs under QEMU's user-mode CPU emulator instead, registered for i386 programs with the
# kernel's binfmt_misc. Everything above the CPU is unchanged: the same Wine, the same DLLs.
# QEMU 7.2 of Debian 12 ignores MAP_FIXED_NOREPLACE, which makes every Wine process spend
# about fifty seconds reserving its address space a page range at a time; the backported
# QEMU 10 starts one in under a second.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    need_root "running i386 programs on this kernel"
    if ! qemu-i386-static --version 2>/dev/null | grep -q 'version \([89]\|[1-9][0-9]\)\.'; then
        cat > /etc/apt/sources.list.d/phonebk-backports.sources <<'SOURCES'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -q
        apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user-static
    fi
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
    # The F flag opens the emulator once, at registration: register again after an upgrade.
    [ -e "$binfmt/qemu-i386" ] && echo -1 > "$binfmt/qemu-i386"
    echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
        > "$binfmt/register"
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 || { echo "setup: i386 programs cannot run here" >&2; exit 1; }
fi
