#!/usr/bin/env bash
# Download throughput under Wine of DownloadToFile, ReplaceByDownload and FetchToString against a
# plain Winsock receive loop with large buffers in the same process (the baseline), and the native
# curl command line as a second line; all fetch the same file from the same loopback server in
# the same run. FetchToString takes at most 1 MiB: it fetches a body of that size, set against a
# Winsock loop that receives the same body into memory. Each Wine figure is the median of ROUNDS
# rounds after a warm-up round.
# Usage: bench/download.sh [BUILD_DIR] [SIZE_BYTES] [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
size=${2:-268435456}
rounds=${3:-5}
state=$(mktemp -d)
trap '"$root/tests/browser/http_server_ctl.sh" stop "$state"; rm -rf "$state"' EXIT

"$root/tests/browser/http_server_ctl.sh" start "$state"
memory_size=1048576
url="http://127.0.0.1:$(cat "$state/http-server.port")/large?size=$size"
memory_url="http://127.0.0.1:$(cat "$state/http-server.port")/large?size=$memory_size"

native=$( { /usr/bin/time -f '%e' curl -s -o "$state/native.bin" "$url"; } 2>&1)
native_size=$(stat -c %s "$state/native.bin")
rm -f "$state/native.bin"
[ "$native_size" -eq "$size" ] || { echo "native curl fetched $native_size bytes" >&2; exit 1; }

"$root/scripts/test-session.sh" "$build" "$build/wine-run.sh" "$build/bin/download_bench.exe" \
  "$url" "$memory_url" 'C:\download_bench.bin' "$rounds" 2>/dev/null | tr -d '\r' >"$state/wine.txt"

awk -v n="$native" -v s="$size" -v ms="$memory_size" -v rounds="$rounds" '
  { want = ($1 == "winsock-memory" || $1 == "FetchToString") ? ms : s }
  $2 != want { printf "%s fetched %s bytes, not %s\n", $1, $2, want; bad = 1 }
  { seconds[$1] = $3 }
  function line(label, way) {
    printf "  %-38s %8.1f MiB/s  ratio %.3f\n", label, mib / seconds[way], file / seconds[way]
  }
  END {
    if (bad || length(seconds) < 6) exit 1
    mib = s / 1048576
    file = seconds["winsock"]
    printf "downloads of a %.0f MiB loopback file, median of %d rounds", mib, rounds
    printf " (ratio: throughput / the Winsock loop'"'"'s)\n"
    printf "  %-38s %8.1f MiB/s  baseline\n", "Winsock loop to disk, 2 MiB recv", mib / file
    line("DownloadToFile (Wine)", "DownloadToFile")
    line("ReplaceByDownload (Wine)", "ReplaceByDownload")
    line("Winsock loop to disk, 512 KiB recv", "winsock-512k")
    printf "  %-38s %8.1f MiB/s  ratio %.3f\n", "native curl (Linux)", mib / n, file / n
    printf "%.0f MiB into memory\n", ms / 1048576
    memory = seconds["winsock-memory"]
    printf "  %-38s %8.1f MiB/s  baseline\n", "Winsock loop into memory, 2 MiB recv",
      ms / 1048576 / memory
    printf "  %-38s %8.1f MiB/s  ratio %.3f\n", "FetchToString / loop into memory",
      ms / 1048576 / seconds["FetchToString"], memory / seconds["FetchToString"]
  }' "$state/wine.txt"
