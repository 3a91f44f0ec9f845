#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to cross-build Tessel and run its tests under Wine.
# Idempotent and quiet: a machine that already has everything is left alone.
set -euo pipefail

packages=(g++-mingw-w64-i686 mingw-w64-tools cmake ninja-build wine wine32:i386 xvfb xauth
  googletest fonts-wqy-zenhei locales dpkg-dev python3 curl time clang-format chromium imagemagick nsis
  clang libclang-rt-14-dev)

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive

is_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

has_deb_src() {
  grep -Eqs '^\s*deb-src\s' /etc/apt/sources.list /etc/apt/sources.list.d/*.list ||
    grep -Eqs '^Types:.*deb-src' /etc/apt/sources.list.d/*.sources
}

# Some virtual machines run 64-bit code only. There the 32-bit Wine runs under QEMU's user-mode
# emulator (from bookworm-backports: older releases are far too slow for Wine), registered with
# binfmt_misc so that every 32-bit program Wine starts is emulated too.
kernel_runs_i386() {
  [ -x /usr/lib/wine/wine ] || return 0
  local out
  out=$(/usr/lib/wine/wine --version 2>&1) && return 0
  ! grep -q 'Exec format error' <<<"$out"
}

binfmt_dir=/proc/sys/fs/binfmt_misc
register_i386_emulation() {
  [ -e "$binfmt_dir/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt_dir"
  [ -e "$binfmt_dir/qemu-i386" ] && echo -1 | $SUDO tee "$binfmt_dir/qemu-i386" >/dev/null
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' |
    $SUDO tee "$binfmt_dir/register" >/dev/null
}

ensure_i386_emulation() {
  kernel_runs_i386 && return 0
  if ! apt-cache policy qemu-user 2>/dev/null | grep -q bpo12; then
    echo 'deb http://deb.debian.org/debian bookworm-backports main' |
      $SUDO tee /etc/apt/sources.list.d/tessel-backports.list >/dev/null
    $SUDO apt-get update -qq
  fi
  if ! dpkg-query -W -f='${Version}' qemu-user 2>/dev/null | grep -q bpo12; then
    echo "Installing the user-mode emulator for 32-bit programs"
    $SUDO apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user >/dev/null
  fi
  grep -qs '^interpreter /usr/bin/qemu-i386$' "$binfmt_dir/qemu-i386" || register_i386_emulation
  kernel_runs_i386 || {
    echo "install-prereqs: 32-bit programs still cannot run" >&2
    exit 1
  }
}

# Wine takes its ANSI code page from the Unix locale, which must exist to be selected.
ensure_locale() {
  locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$' && return 0
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null ||
    echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
}

missing=()
for p in "${packages[@]}"; do
  is_installed "$p" || missing+=("$p")
done

lists_stale=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  lists_stale=1
fi
if ! has_deb_src; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    $SUDO sed -i -E 's/^Types:\s*deb\s*$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
  else
    grep -E '^\s*deb\s' /etc/apt/sources.list | sed -E 's/^\s*deb\s/deb-src /' |
      $SUDO tee /etc/apt/sources.list.d/tessel-src.list >/dev/null
  fi
  lists_stale=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $lists_stale -eq 1 ]; then
  echo "Installing prerequisites: ${missing[*]:-(package lists only)}"
  $SUDO apt-get update -qq
  [ ${#missing[@]} -eq 0 ] || $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
ensure_locale
ensure_i386_emulation
