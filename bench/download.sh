#!/usr/bin/env bash
# Download throughput under Wine of DownloadToFile, ReplaceByDownload and FetchToString against a
# plain Winsock receive loop with large buffers in the same process (the baseline), and the native
# curl command line as a second line; all fetch the same file from the same loopback server in
# the same run.
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

"$root/scripts/test-session.sh" "$build" "$build/wine-run.sh" "$build/bin/download_bench.exe" \
  "$url" 'C:\download_bench.bin' 2>/dev/null | tr -d '\r' >"$state/wine.txt"

awk -v n="$native" -v s="$size" '
  $2 != s { printf "%s fetched %s bytes, not %s\n", $1, $2, s; bad = 1 }
  { way[NR] = $1; seconds[NR] = $3; count = NR }
  END {
    if (bad || count < 4) exit 1
    mib = s / 1048576
    printf "downloads of a %.0f MiB loopback file (ratio: throughput / the Winsock loop'"'"'s)\n", mib
    printf "  %-34s %8.1f MiB/s  baseline\n", "Winsock loop, 512 KiB recv (Wine)", mib / seconds[1]
    for (i = 2; i <= count; ++i)
      printf "  %-34s %8.1f MiB/s  ratio %.3f\n", way[i] " (Wine)", mib / seconds[i], seconds[1] / seconds[i]
    printf "  %-34s %8.1f MiB/s  ratio %.3f\n", "native curl (Linux)", mib / n, seconds[1] / n
  }' "$state/wine.txt"
