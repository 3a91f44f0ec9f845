#!/usr/bin/env bash
# corvel_tcp's send and receive of 64 MiB through a loopback echo server under Wine, against the
# same transfer made with plain Winsock calls in the same process (best of three runs each).
# Usage: bench/plugin.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
"$root/scripts/test-session.sh" "$build" "$build/wine-run.sh" "$build/bin/plugin_bench.exe" \
  2>/dev/null | tr -d '\r' | awk '
  { seconds[$1] = $2 }
  END {
    printf "64 MiB echoed over loopback (ratio: throughput / plain Winsock'"'"'s)\n"
    printf "  %-34s %8.1f MiB/s  baseline\n", "plain Winsock send/recv (Wine)", 64 / seconds["winsock"]
    printf "  %-34s %8.1f MiB/s  ratio %.3f\n", "corvel_tcp table (Wine)", 64 / seconds["plugin"],
      seconds["winsock"] / seconds["plugin"]
  }'
