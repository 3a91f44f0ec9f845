#!/usr/bin/env bash
# Runs the program under Wine in the build folder's prefix, in the reference environment, against
# the demo service (demo/), which it reaches as its HTTP proxy. Without a display of its own it gets
# a virtual one (Xvfb); Ctrl+C ends the program and what it started.
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
state=$(mktemp -d)
stop() {
  wineserver -k 2>/dev/null || true
  "$here/../demo/demo_ctl.sh" stop "$state"
  rm -rf "$state"
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

"$here/../demo/demo_ctl.sh" start "$state"
export http_proxy="http://127.0.0.1:$(cat "$state/demo.port")" no_proxy=127.0.0.1,localhost
echo "run: the demo service answers for the program's sites at $http_proxy (requests: ${http_proxy}/log)"

wine "$build/bin/Tessel.exe" "$@"
