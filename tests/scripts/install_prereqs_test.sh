#!/usr/bin/env bash
# Runs scripts/install-prereqs.sh on stand-in machines: a folder holds each machine's /etc, /proc
# and Wine loader, and recording stand-ins for the package tools, sudo, id, mount, locale,
# locale-gen and sleep come first on PATH, so the real machine is neither read nor changed.
# Checks the backports source derived from the machine's own apt sources, the retried update of
# the package lists, and that a machine already set up is left alone.
# The stand-ins are written from single-quoted bodies that expand when they run.
# shellcheck disable=SC2016
set -u
script=$(cd "$(dirname "$0")/../../scripts" && pwd)/install-prereqs.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
case_name=
machine=
status=

fail() {
  echo "FAIL [$case_name] $*"
  failures=$((failures + 1))
}

stub() { # NAME BODY
  printf '#!/usr/bin/env bash\necho "%s $*" >>"$STUB_STATE/calls"\n%s\n' "$1" "$2" >"$work/bin/$1"
  chmod +x "$work/bin/$1"
}

make_stubs() {
  mkdir -p "$work/bin"
  # STUB_UPDATE_FAILURES: how many updates fail as on a mirror in mid-sync ("always" for all).
  stub apt-get '[ "$1" = update ] || exit 0
n=$(($(cat "$STUB_STATE/updates" 2>/dev/null || echo 0) + 1))
echo "$n" >"$STUB_STATE/updates"
failures=${STUB_UPDATE_FAILURES:-0}
[ "$failures" = always ] || [ "$n" -le "$failures" ] || exit 0
cat >&2 <<EOF
E: Failed to fetch $STUB_FAILING_INDEX  File has unexpected size (30352 != 30368). Mirror sync in progress? [IP: 192.0.2.1 80]
   Hashes of expected file:
    - Filesize:30368 [weak]
E: Some index files failed to download. They have been ignored, or old ones used instead.
EOF
exit 100'
  # STUB_BACKPORTS_KNOWN: the backports suite the package lists already know.
  stub apt-cache '[ "$*" = "policy qemu-user" ] || exit 0
printf "qemu-user:\n  Installed: (none)\n  Candidate: 1:7.2+dfsg-7+deb12u7\n  Version table:\n"
printf "     1:7.2+dfsg-7+deb12u7 500\n        500 http://mirror.example/debian bookworm/main amd64 Packages\n"
[ -z "${STUB_BACKPORTS_KNOWN:-}" ] ||
  printf "     1:8.2.1+ds-1~bpo12+1 100\n        100 http://mirror.example/debian %s/main amd64 Packages\n" "$STUB_BACKPORTS_KNOWN"'
  # STUB_MISSING: packages not installed; STUB_QEMU_VERSION: the installed qemu-user.
  stub dpkg-query 'package=${!#}
case "$*" in
  *"{Status}"*) [[ " ${STUB_MISSING:-} " != *" $package "* ]] && printf "install ok installed" ;;
  *"{Version}"*) [ -n "${STUB_QEMU_VERSION:-}" ] && printf "%s" "$STUB_QEMU_VERSION" ;;
esac'
  stub dpkg '[ "$1" != --print-foreign-architectures ] || echo i386'
  stub locale 'printf "C\nC.utf8\nPOSIX\nzh_CN.utf8\n"'
  stub sudo 'exec "$@"'
  stub id 'echo 1000'
  stub mount ''
  stub locale-gen ''
  stub sleep ''
}

# A machine where everything but the 32-bit emulation is in place, running Debian 12.
new_machine() { # CASE NAME
  case_name=$1
  machine=$work/$((++machines))
  mkdir -p "$machine/state" "$machine/root/etc/apt/sources.list.d" "$machine/root/usr/lib/wine" \
    "$machine/root/proc/sys/fs/binfmt_misc"
  : >"$machine/state/calls"
  printf 'PRETTY_NAME="Debian GNU/Linux 12 (bookworm)"\nVERSION_ID="12"\nVERSION_CODENAME=bookworm\nID=debian\n' \
    >"$machine/root/etc/os-release"
  echo 'zh_CN.UTF-8 UTF-8' >"$machine/root/etc/locale.gen"
  : >"$machine/root/proc/sys/fs/binfmt_misc/register"
  # Runs 32-bit programs once QEMU is registered for them, or always with STUB_NATIVE_I386.
  cat >"$machine/root/usr/lib/wine/wine" <<'EOF'
#!/usr/bin/env bash
if [ -n "${STUB_NATIVE_I386:-}" ] || grep -qs ':qemu-i386:' "$TESSEL_PREREQS_ROOT/proc/sys/fs/binfmt_misc/register"; then
  echo wine-8.0
  exit 0
fi
echo "$0: cannot execute binary file: Exec format error" >&2
exit 126
EOF
  chmod +x "$machine/root/usr/lib/wine/wine"
}
machines=0

apt_file() { # NAME CONTENT
  printf '%s\n' "$2" >"$machine/root/etc/apt/$1"
}

run_prereqs() { # [VAR=VALUE...]
  env PATH="$work/bin:$PATH" TESSEL_PREREQS_ROOT="$machine/root" STUB_STATE="$machine/state" \
    STUB_FAILING_INDEX=http://mirror.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz \
    TESSEL_APT_RETRY_PAUSE=0 "$@" bash "$script" >"$machine/out" 2>&1 </dev/null
  status=$?
}

output() { cat "$machine/out"; }
calls() { grep -c -- "^$1" "$machine/state/calls"; }
tree_digest() { (cd "$machine/root" && find . -type f -exec md5sum {} + | sort); }

expect_status() { # ok|failure
  if [ "$1" = ok ] && [ "$status" -ne 0 ]; then
    fail "expected success, saw exit code $status; output: $(output)"
  elif [ "$1" = failure ] && [ "$status" -eq 0 ]; then
    fail "expected a nonzero exit code, saw 0; output: $(output)"
  fi
}

expect_eq() { # WHAT EXPECTED SEEN
  [ "$2" = "$3" ] || fail "$1: expected
$2
saw
$3"
}

expect_output_has() { # TEXT
  grep -qF -- "$1" "$machine/out" || fail "output lacks '$1'; output: $(output)"
}

expect_file() { # PATH-UNDER-ROOT CONTENT
  local file=$machine/root/$1
  if [ -f "$file" ]; then expect_eq "$1" "$2" "$(cat "$file")"; else fail "$1 was not written"; fi
}

expect_no_file() { # PATH-UNDER-ROOT
  [ ! -e "$machine/root/$1" ] || fail "$1 exists, expected none; it holds: $(cat "$machine/root/$1")"
}

# The emulator comes from the suite just added, after one update of the package lists.
expect_backports_install() { # SUITE
  expect_status ok
  expect_eq "apt-get update calls" 1 "$(calls 'apt-get update')"
  expect_eq "qemu-user installs from $1" 1 "$(calls "apt-get install .*-t $1 qemu-user")"
}

backports_source_tests() {
  new_machine "deb822 sources, security stanza first, an old one-line backports entry"
  apt_file sources.list.d/debian.sources 'Types: deb deb-src
# the security archive
URIs: http://mirror.example/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb deb-src
URIs: http://mirror.example/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg'
  apt_file sources.list.d/tessel-backports.list 'deb http://old.example/debian bookworm-backports main'
  run_prereqs
  expect_backports_install bookworm-backports
  expect_file etc/apt/sources.list.d/tessel-backports.sources 'Types: deb
URIs: http://mirror.example/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg'
  expect_no_file etc/apt/sources.list.d/tessel-backports.list
  expect_eq "qemu-i386 registrations" 1 "$(grep -c ':qemu-i386:' "$machine/root/proc/sys/fs/binfmt_misc/register")"

  new_machine "one-line sources.list with options after a third-party archive of the same suite"
  apt_file sources.list '# deb cdrom:[Debian GNU/Linux 12]/ bookworm main
deb [arch=amd64] https://download.example/linux/debian bookworm stable
deb [ signed-by=/usr/share/keyrings/mirror-example.gpg ] http://mirror.example/debian bookworm main contrib
deb-src http://mirror.example/debian bookworm main
deb http://mirror.example/debian-security bookworm-security main'
  run_prereqs
  expect_backports_install bookworm-backports
  expect_file etc/apt/sources.list.d/tessel-backports.list \
    'deb [ signed-by=/usr/share/keyrings/mirror-example.gpg ] http://mirror.example/debian bookworm-backports main'
  expect_no_file etc/apt/sources.list.d/tessel-backports.sources

  new_machine "snapshot archive in deb822 after a disabled stanza"
  apt_file sources.list.d/debian.sources 'Types: deb
URIs: http://deb.mirror.example/debian
Suites: bookworm
Components: main
Enabled: no

Types: deb deb-src
URIs: http://snapshot.example/archive/debian/20250520T000000Z
Suites: bookworm bookworm-updates
Components: main contrib
Check-Valid-Until: no
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg'
  run_prereqs
  expect_backports_install bookworm-backports
  expect_file etc/apt/sources.list.d/tessel-backports.sources 'Types: deb
URIs: http://snapshot.example/archive/debian/20250520T000000Z
Suites: bookworm-backports
Components: main
Check-Valid-Until: no
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg'

  new_machine "company mirror of another release, no codename in os-release"
  printf 'PRETTY_NAME="Debian GNU/Linux"\nID=debian\n' >"$machine/root/etc/os-release"
  apt_file sources.list.d/company.list 'deb http://mirror.example/company/debian trixie main
deb-src http://mirror.example/company/debian trixie main
deb http://mirror.example/company/debian trixie-updates main'
  run_prereqs
  expect_backports_install trixie-backports
  expect_file etc/apt/sources.list.d/tessel-backports.list \
    'deb http://mirror.example/company/debian trixie-backports main'

  new_machine "no Debian archive among the sources"
  apt_file sources.list.d/thirdparty.list 'deb https://download.example/linux/debian bookworm stable
deb-src https://download.example/linux/debian bookworm stable'
  run_prereqs
  expect_status failure
  expect_output_has "no Debian archive for bookworm"
  expect_eq "apt-get calls" 0 "$(calls apt-get)"
  expect_no_file etc/apt/sources.list.d/tessel-backports.list
  expect_no_file etc/apt/sources.list.d/tessel-backports.sources
}

# A machine that runs 32-bit programs and lacks one package: the lists are updated, then it is installed.
new_package_machine() { # CASE NAME
  new_machine "$1"
  apt_file sources.list.d/debian.sources 'Types: deb deb-src
URIs: http://mirror.example/debian
Suites: bookworm bookworm-updates
Components: main'
}

index_update_tests() {
  new_package_machine "update fails twice during a mirror sync, then succeeds"
  run_prereqs STUB_NATIVE_I386=1 STUB_MISSING=nsis STUB_UPDATE_FAILURES=2 TESSEL_APT_RETRY_PAUSE=7
  expect_status ok
  expect_eq "apt-get update calls" 3 "$(calls 'apt-get update')"
  expect_eq "pauses between the updates" "sleep 7
sleep 7" "$(grep '^sleep' "$machine/state/calls")"
  expect_eq "last two package tool calls" "apt-get update -qq
apt-get install -y -qq --no-install-recommends nsis" "$(grep '^apt-get' "$machine/state/calls" | tail -n 2)"
  grep -q 'Mirror sync' "$machine/out" && fail "apt-get's errors of the failed attempts were shown: $(output)"

  new_package_machine "update keeps failing"
  run_prereqs STUB_NATIVE_I386=1 STUB_MISSING=nsis STUB_UPDATE_FAILURES=always TESSEL_APT_ATTEMPTS=3
  expect_status failure
  expect_eq "apt-get update calls" 3 "$(calls 'apt-get update')"
  expect_eq "pauses" 2 "$(calls sleep)"
  expect_eq "apt-get install calls" 0 "$(calls 'apt-get install')"
  expect_output_has http://mirror.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz
  expect_output_has "mirror is the cause"
  expect_output_has "make test"

  new_machine "update after adding backports keeps failing"
  apt_file sources.list 'deb http://mirror.example/debian bookworm main
deb-src http://mirror.example/debian bookworm main'
  run_prereqs STUB_UPDATE_FAILURES=always STUB_FAILING_INDEX=http://mirror.example/debian/dists/bookworm-backports/InRelease
  expect_status failure
  expect_eq "apt-get update calls" 4 "$(calls 'apt-get update')"
  expect_eq "apt-get install calls" 0 "$(calls 'apt-get install')"
  expect_output_has http://mirror.example/debian/dists/bookworm-backports/InRelease
}

set_up_tests() {
  local before
  new_machine "everything installed, 32-bit programs run"
  apt_file sources.list.d/debian.sources 'Types: deb deb-src
URIs: http://mirror.example/debian
Suites: bookworm
Components: main'
  before=$(tree_digest)
  run_prereqs STUB_NATIVE_I386=1
  expect_status ok
  expect_eq "files" "$before" "$(tree_digest)"
  expect_eq "privileged or package-changing calls" "" "$(grep -E '^(sudo|apt-get|mount|locale-gen)' "$machine/state/calls")"
  expect_eq "output" "" "$(output)"

  new_machine "emulator from backports installed, its registration lost by a restart"
  apt_file sources.list.d/debian.sources 'Types: deb deb-src
URIs: http://mirror.example/debian
Suites: bookworm
Components: main'
  apt_file sources.list.d/tessel-backports.sources 'Types: deb
URIs: http://mirror.example/debian
Suites: bookworm-backports
Components: main'
  before=$(cd "$machine/root" && md5sum etc/apt/sources.list.d/*)
  run_prereqs STUB_BACKPORTS_KNOWN=bookworm-backports STUB_QEMU_VERSION=1:8.2.1+ds-1~bpo12+1
  expect_status ok
  expect_eq "apt sources" "$before" "$(cd "$machine/root" && md5sum etc/apt/sources.list.d/*)"
  expect_eq "apt-get calls" "" "$(grep '^apt-get' "$machine/state/calls")"
  expect_eq "qemu-i386 registrations" 1 "$(grep -c ':qemu-i386:' "$machine/root/proc/sys/fs/binfmt_misc/register")"
}

make_stubs
backports_source_tests
index_update_tests
set_up_tests
[ "$failures" -eq 0 ] || { echo "$failures checks failed"; exit 1; }
echo "install_prereqs_test: all cases pass"
