#!/usr/bin/env bash
# Runs the program under Wine in the build folder's prefix, in the reference environment. Without
# a display of its own it gets a virtual one (Xvfb); Ctrl+C ends the program and what it started.
# Usage: run.sh BUILD_DIR [ARGS...]
set -euo pipefail
build=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
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
  display=99
  while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
  done
  Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
  done
  export DISPLAY=":$display"
  echo "run: no display was set; Tessel runs on the virtual display $DISPLAY (Ctrl+C ends it)"
fi

wine "$build/bin/Tessel.exe" "$@"
