#!/usr/bin/env bash
# corvel_tcp against plain Winsock calls in the same process, under Wine, through a loopback echo
# server: 64 MiB sent and received back, and the round trip of a 1 KiB request and its answer
# (medians of rounds taken in turns).
# Usage: bench/plugin.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
"$root/scripts/test-session.sh" "$build" "$build/wine-run.sh" "$build/bin/plugin_bench.exe" \
  2>/dev/null | tr -d '\r' | awk '
  { value[$1] = $2 }
  END {
    printf "64 MiB echoed over loopback (ratio: throughput / plain Winsock'"'"'s)\n"
    printf "  %-34s %8.1f MiB/s  baseline\n", "plain Winsock send/recv (Wine)", 64 / value["winsock-bulk"]
    printf "  %-34s %8.1f MiB/s  ratio %.3f\n", "corvel_tcp table (Wine)", 64 / value["plugin-bulk"],
      value["winsock-bulk"] / value["plugin-bulk"]
    printf "1 KiB request and its answer (ratio: round trip / plain Winsock'"'"'s)\n"
    printf "  %-34s %8.1f us     baseline\n", "plain Winsock send/recv (Wine)", value["winsock-exchange-us"]
    printf "  %-34s %8.1f us     ratio %.3f\n", "corvel_tcp table (Wine)", value["plugin-exchange-us"],
      value["plugin-exchange-us"] / value["winsock-exchange-us"]
    printf "  %-34s %8.1f us     ratio %.3f\n", "Winsock recv, select, recv (Wine)",
      value["waiting-exchange-us"], value["waiting-exchange-us"] / value["winsock-exchange-us"]
  }'
