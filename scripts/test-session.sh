#!/usr/bin/env bash
# Runs a command (the test suite) inside one test session: a Wine prefix in the build folder, one
# Xvfb display and one persistent Wine server for the whole run, both stopped at the end by PID.
# Usage: test-session.sh BUILD_DIR COMMAND [ARGS...]
set -euo pipefail
build=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)

export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
"$here/wine-prefix.sh" "$WINEPREFIX"

xvfb_pid=
server_pid=
stop_session() {
  if [ -n "$server_pid" ]; then
    wineserver -k 2>/dev/null || true
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap stop_session EXIT

. "$here/virtual-display.sh"
start_virtual_display

wineserver -k 2>/dev/null || true
wineserver -f -p &
server_pid=$!
# Start Wine's background services now, detached from the test runner's output: services started
# by the first test would inherit its output pipes and keep the runner waiting for them to close.
wineboot </dev/null >/dev/null 2>&1

"$@"
