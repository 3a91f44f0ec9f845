#!/usr/bin/env bash
# Download throughput of DownloadToFile under Wine against the native curl command line, both
# fetching the same file from the same loopback server in the same run.
# Usage: bench/download.sh [BUILD_DIR] [SIZE_BYTES]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
size=${2:-268435456}
state=$(mktemp -d)
trap '"$root/tests/browser/http_server_ctl.sh" stop "$state"; rm -rf "$state"' EXIT

"$root/tests/browser/http_server_ctl.sh" start "$state"
url="http://127.0.0.1:$(cat "$state/http-server.port")/large?size=$size"

native=$( { /usr/bin/time -f '%e' curl -s -o "$state/native.bin" "$url"; } 2>&1)
native_size=$(stat -c %s "$state/native.bin")
rm -f "$state/native.bin"
[ "$native_size" -eq "$size" ] || { echo "native curl fetched $native_size bytes" >&2; exit 1; }

read -r wine_size wine_seconds < <("$root/scripts/test-session.sh" "$build" \
  "$build/wine-run.sh" "$build/bin/download_bench.exe" "$url" 'C:\download_bench.bin' 2>/dev/null | tr -d '\r')
[ "$wine_size" -eq "$size" ] || { echo "DownloadToFile fetched $wine_size bytes" >&2; exit 1; }

awk -v n="$native" -v w="$wine_seconds" -v s="$size" 'BEGIN {
  mib = s / 1048576
  printf "file:                       %.0f MiB\n", mib
  printf "native curl:                %8.1f MiB/s (%.2f s)\n", mib / n, n
  printf "DownloadToFile under Wine:  %8.1f MiB/s (%.2f s)\n", mib / w, w
  printf "ratio DownloadToFile/native: %.3f\n", n / w
}'
