#!/usr/bin/env bash
# Runs the program under Wine in the build folder's prefix, in the reference environment. Without
# a display of its own it gets a virtual one (Xvfb); Ctrl+C ends the program and what it started.
# Usage: run.sh BUILD_DIR [ARGS...]
set -euo pipefail
build=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
# Real pages in a real Chromium unless the stand-in's own engine is asked for (inprocess).
export TESSEL_BROWSER="${TESSEL_BROWSER:-chromium}"
"$here/wine-prefix.sh" "$WINEPREFIX"

xvfb_pid=
stop() {
  wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
  fi
}
trap stop EXIT INT TERM

if [ -z "${DISPLAY:-}" ]; then
  . "$here/virtual-display.sh"
  start_virtual_display
  echo "run: no display was set; Tessel runs on the virtual display $DISPLAY (Ctrl+C ends it)"
fi

wine "$build/bin/Tessel.exe" "$@"
