#!/usr/bin/env bash
# The engine that drives a real Chromium under Wine: native calls from page script against plain
# protocol round trips, navigation to load end and to first paint, and the browser's memory.
# Usage: bench/chromium.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
state=$(mktemp -d)
trap '"$root/tests/browser/http_server_ctl.sh" stop "$state"; rm -rf "$state"' EXIT

"$root/tests/browser/http_server_ctl.sh" start "$state"
"$root/scripts/test-session.sh" "$build" "$build/wine-run.sh" "$build/bin/chromium_bench.exe" \
  "http://127.0.0.1:$(cat "$state/http-server.port")" | tr -d '\r'
