#!/usr/bin/env bash
# Takes a picture of the program's main window showing the demo's start page: the program runs on
# a virtual display of its own against the demo service, as make run starts it.
# Usage: screenshot.sh BUILD_DIR [OUTPUT_PNG]
set -euo pipefail
build=$(cd "$1" && pwd)
output=${2:-$build/tessel.png}
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export TESSEL_BROWSER="${TESSEL_BROWSER:-chromium}"
"$here/wine-prefix.sh" "$WINEPREFIX"

state=$(mktemp -d)
xvfb_pid=
stop() {
  wineserver -k 2>/dev/null || true
  "$here/../demo/demo_ctl.sh" stop "$state"
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$state"
}
trap stop EXIT INT TERM
. "$here/virtual-display.sh"
start_virtual_display
"$here/../demo/demo_ctl.sh" start "$state"
demo="http://127.0.0.1:$(cat "$state/demo.port")"
export http_proxy=$demo no_proxy=127.0.0.1,localhost

wine "$build/bin/Tessel.exe" >/dev/null 2>&1 &
# The start page reports its layout once it has loaded; a moment more lets its picture arrive.
for _ in $(seq 240); do
  [ "$(curl -s --noproxy '*' "$demo/positions.json")" != "{}" ] && break
  sleep 0.5
done
sleep 3
import -display "$DISPLAY" -window root "$output"
echo "screenshot: $output"
