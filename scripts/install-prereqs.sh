#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to cross-build Tessel and run its tests under Wine.
# Idempotent and quiet: a machine that already has everything is left alone.
# TESSEL_PREREQS_ROOT puts the files it reads and writes (/etc, /proc, /usr/lib/wine) under another
# folder, for tests; TESSEL_APT_ATTEMPTS and TESSEL_APT_RETRY_PAUSE (seconds) set how often and how
# patiently the package lists are updated.
set -euo pipefail

packages=(g++-mingw-w64-i686 mingw-w64-tools cmake ninja-build wine wine32:i386 xvfb xauth
  googletest fonts-wqy-zenhei locales dpkg-dev python3 curl time clang-format chromium imagemagick nsis
  clang libclang-rt-14-dev)

root=${TESSEL_PREREQS_ROOT:-}
apt_dir=$root/etc/apt
os_release=$root/etc/os-release
locale_gen=$root/etc/locale.gen
binfmt_dir=$root/proc/sys/fs/binfmt_misc
wine_loader=$root/usr/lib/wine/wine
apt_attempts=${TESSEL_APT_ATTEMPTS:-4}
apt_retry_pause=${TESSEL_APT_RETRY_PAUSE:-60}

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive

is_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

has_deb_src() {
  grep -Eqs '^\s*deb-src\s' "$apt_dir/sources.list" "$apt_dir"/sources.list.d/*.list ||
    grep -Eqs '^Types:.*deb-src' "$apt_dir"/sources.list.d/*.sources
}

# The indexes named in apt-get's errors and warnings, one "  index (reason)" line each.
failed_indexes() {
  awk '/^[EW]: Failed to fetch / {
         index_name = $5; reason = $0; sub(/^[EW]: Failed to fetch [^ ]+ */, "", reason)
       }
       /^[EW]: The repository \047/ {
         index_name = $0; sub(/^[EW]: The repository \047/, "", index_name); sub(/\047.*/, "", index_name)
         reason = $0; sub(/^[^\047]*\047[^\047]*\047 */, "", reason)
       }
       index_name != "" { print "  " index_name (reason == "" ? "" : " (" reason ")"); index_name = "" }' <<<"$1"
}

report_update_failure() {
  local output=$1 indexes
  indexes=$(failed_indexes "$output")
  if [ -z "$indexes" ]; then
    printf 'install-prereqs: apt-get update failed %s times:\n%s\n' "$apt_attempts" "$output" >&2
    return
  fi
  cat >&2 <<EOF
install-prereqs: apt-get update failed $apt_attempts times; these indexes could not be fetched:
$indexes
The package mirror is the cause: it is being updated or cannot be reached.
Wait a few minutes and run \`make test\` again, or point the machine's sources
($apt_dir/sources.list, $apt_dir/sources.list.d) at another mirror.
EOF
}

# A mirror serves indexes that disagree with its Release file while it syncs, for a few minutes.
update_package_lists() {
  local attempt output
  for ((attempt = 1; ; attempt++)); do
    if output=$($SUDO apt-get update -qq 2>&1); then
      [ -z "$output" ] || printf '%s\n' "$output" >&2
      return 0
    fi
    [ "$attempt" -lt "$apt_attempts" ] || break
    echo "install-prereqs: apt-get update failed; trying again in $apt_retry_pause s" \
      "(attempt $((attempt + 1)) of $apt_attempts)" >&2
    sleep "$apt_retry_pause"
  done
  report_update_failure "$output"
  exit 1
}

# The machine's own source files in the order apt reads them; entries this script wrote are left out.
source_files() {
  local file
  for file in "$apt_dir/sources.list" "$apt_dir"/sources.list.d/*; do
    case $file in
      */tessel-*) ;;
      *.list | *.sources) if [ -f "$file" ]; then echo "$file"; fi ;;
    esac
  done
}

configured_suites() {
  local file
  while IFS= read -r file; do
    case $file in
      *.sources) sed -nE 's/^Suites:\s*//Ip' "$file" ;;
      *) sed -nE 's/^\s*deb\s+(\[[^]]*\]\s+)?\S+\s+(\S+).*/\2/p' "$file" ;;
    esac
  done < <(source_files)
}

# The release the sources are for: os-release's codename, else X of a configured X-updates or
# X-security suite.
debian_codename() {
  local codename
  codename=$(sed -nE 's/^VERSION_CODENAME=["'\'']?([^"'\'']*)["'\'']?$/\1/p' "$os_release" 2>/dev/null || true)
  [ -n "$codename" ] ||
    codename=$(configured_suites | tr -s ' \t' '\n' | sed -nE 's/^(\w+)-(updates|security)$/\1/p')
  if [ -z "$codename" ]; then
    echo "install-prereqs: cannot tell the Debian release: no VERSION_CODENAME in $os_release" \
      "and no <release>-updates or <release>-security suite in the apt sources" >&2
    exit 1
  fi
  echo "${codename%%$'\n'*}"
}

# The backports stanza for the first deb822 stanza of the release's main archive (suite CODENAME,
# component main): the same URIs and options such as Signed-By.
deb822_backports() { # CODENAME FILE
  awk -v codename="$1" '
    function has(list, word,   words, n, i) {
      n = split(list, words, /[ \t\n]+/)
      for (i = 1; i <= n; i++) if (words[i] == word) return 1
      return 0
    }
    BEGIN { RS = ""; FS = "\n" }
    {
      split("", field); options = ""; name = ""
      for (i = 1; i <= NF; i++) {
        line = $i
        if (line ~ /^#/) continue
        if (line ~ /^[ \t]/) {
          if (name in field) field[name] = field[name] " " line; else if (name != "") options = options line "\n"
          continue
        }
        name = tolower(substr(line, 1, index(line, ":") - 1))
        value = substr(line, index(line, ":") + 1)
        if (name ~ /^(types|uris|suites|components|enabled)$/) field[name] = value
        else options = options line "\n"
      }
      if (tolower(field["enabled"]) ~ /^[ \t]*no[ \t]*$/ || !has(field["types"], "deb") ||
          !has(field["suites"], codename) || !has(field["components"], "main")) next
      uris = field["uris"]; gsub(/^[ \t]+|[ \t]+$/, "", uris); gsub(/[ \t\n]+/, " ", uris)
      printf "Types: deb\nURIs: %s\nSuites: %s-backports\nComponents: main\n%s", uris, codename, options
      exit
    }' "$2"
}

# The backports line for the first one-line entry of the release's main archive, with its options.
one_line_backports() { # CODENAME FILE
  awk -v codename="$1" '
    { sub(/#.*/, "") }
    $1 != "deb" { next }
    {
      i = 2; options = ""
      if ($2 ~ /^\[/) {
        options = $2
        while (options !~ /\]$/ && i < NF) options = options " " $(++i)
        options = options " "; i++
      }
      if ($(i + 1) != codename) next
      for (c = i + 2; c <= NF; c++) if ($c == "main") {
        print "deb " options $i " " codename "-backports main"
        exit
      }
    }' "$2"
}

# Adds the release's backports suite from the mirror the machine already uses, written in the format
# of the entry it comes from (a deb822 Signed-By has no place in a one-line entry).
write_backports_source() { # CODENAME
  local file entry="" format
  while IFS= read -r file; do
    case $file in
      *.sources) entry=$(deb822_backports "$1" "$file") format=sources ;;
      *) entry=$(one_line_backports "$1" "$file") format=list ;;
    esac
    [ -z "$entry" ] || break
  done < <(source_files)
  if [ -z "$entry" ]; then
    echo "install-prereqs: no Debian archive for $1 (a deb entry with suite $1 and component main)" \
      "in $apt_dir/sources.list or $apt_dir/sources.list.d; cannot add $1-backports" >&2
    exit 1
  fi
  local target=$apt_dir/sources.list.d/tessel-backports.$format stale
  for stale in "$apt_dir"/sources.list.d/tessel-backports.{list,sources}; do
    if [ "$stale" != "$target" ] && [ -e "$stale" ]; then $SUDO rm -f "$stale"; fi
  done
  [ "$(cat "$target" 2>/dev/null)" != "$entry" ] || return 0
  printf '%s\n' "$entry" | $SUDO tee "$target" >/dev/null
}

# Some virtual machines run 64-bit code only. There the 32-bit Wine runs under QEMU's user-mode
# emulator (from backports: older releases are far too slow for Wine), registered with
# binfmt_misc so that every 32-bit program Wine starts is emulated too.
kernel_runs_i386() {
  [ -x "$wine_loader" ] || return 0
  local out
  out=$("$wine_loader" --version 2>&1) && return 0
  ! grep -q 'Exec format error' <<<"$out"
}

register_i386_emulation() {
  [ -e "$binfmt_dir/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt_dir"
  [ -e "$binfmt_dir/qemu-i386" ] && echo -1 | $SUDO tee "$binfmt_dir/qemu-i386" >/dev/null
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' |
    $SUDO tee "$binfmt_dir/register" >/dev/null
}

ensure_i386_emulation() {
  kernel_runs_i386 && return 0
  local codename
  codename=$(debian_codename)
  if ! apt-cache policy qemu-user 2>/dev/null | grep -q " $codename-backports/"; then
    write_backports_source "$codename"
    update_package_lists
  fi
  if ! dpkg-query -W -f='${Version}' qemu-user 2>/dev/null | grep -q '~bpo'; then
    echo "Installing the user-mode emulator for 32-bit programs"
    $SUDO apt-get install -y -qq --no-install-recommends -t "$codename-backports" qemu-user >/dev/null
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
  grep -q '^zh_CN.UTF-8 UTF-8' "$locale_gen" 2>/dev/null ||
    echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a "$locale_gen" >/dev/null
  $SUDO locale-gen >/dev/null
}

ensure_packages() {
  local missing=() p lists_stale=0
  for p in "${packages[@]}"; do
    is_installed "$p" || missing+=("$p")
  done
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    lists_stale=1
  fi
  if ! has_deb_src; then
    if [ -f "$apt_dir/sources.list.d/debian.sources" ]; then
      $SUDO sed -i -E 's/^Types:\s*deb\s*$/Types: deb deb-src/' "$apt_dir/sources.list.d/debian.sources"
    else
      grep -E '^\s*deb\s' "$apt_dir/sources.list" | sed -E 's/^\s*deb\s/deb-src /' |
        $SUDO tee "$apt_dir/sources.list.d/tessel-src.list" >/dev/null
    fi
    lists_stale=1
  fi
  if [ ${#missing[@]} -gt 0 ] || [ $lists_stale -eq 1 ]; then
    echo "Installing prerequisites: ${missing[*]:-(package lists only)}"
    update_package_lists
    [ ${#missing[@]} -eq 0 ] || $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

ensure_packages
ensure_locale
ensure_i386_emulation
