#!/usr/bin/env bash
# The engine that drives a real Chromium under Wine: native calls from page script against plain
# protocol round trips and against Chromium's own floor for the same call driven natively (no
# Wine), a navigation to load end and to first paint, and the browser's memory.
# Usage: bench/chromium.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
state=$(mktemp -d)
trap '"$root/tests/browser/http_server_ctl.sh" stop "$state"; rm -rf "$state"' EXIT

# The memory is proportional: a browser of another program sharing its pages would lower it.
for _ in $(seq 60); do
  pgrep -x chromium >/dev/null || break
  sleep 1
done
if pgrep -x chromium >/dev/null; then
  echo "chromium: another browser is running; its shared pages lower the memory figure" >&2
fi
"$root/tests/browser/http_server_ctl.sh" start "$state"
base="http://127.0.0.1:$(cat "$state/http-server.port")"
"$root/scripts/test-session.sh" "$build" "$build/wine-run.sh" "$build/bin/chromium_bench.exe" \
  "$base" | tr -d '\r' | tee "$state/engine.txt"
python3 "$root/bench/native_call_floor.py" "$base" 1000 >"$state/floor.txt"
python3 "$root/bench/native_call_floor.py" --network "$base" 1000 >"$state/floor-network.txt"
engine=$(sed -n 's/^native call from page script.*median \([0-9.]*\) ms.*/\1/p' "$state/engine.txt")
awk -v engine="$engine" '{
  printf "the same call driven natively, %d calls:     median %.2f ms, p99 %.2f ms\n", $7, $3, $5
  printf "ratio native call/native floor (median): %.2f\n", engine / $3
}' "$state/floor.txt"
awk -v engine="$engine" '{
  printf "  with the Network domain on, as the engine has it: median %.2f ms (ratio %.2f)\n", $3, engine / $3
}' "$state/floor-network.txt"
