#!/usr/bin/env bash
# Time from process start to the main window visible, under Wine, for Tessel with each browser
# engine against a minimal Win32 program that opens a window of the same size; all started by
# the same launcher (bench/StartupBench.cpp) in the same run. Medians of RUNS starts.
# Usage: bench/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-5}
bin="$build/bin"
run() {
  "$root/scripts/test-session.sh" "$build" "$build/wine-run.sh" "$bin/startup_bench.exe" "$runs" \
    "$@" 2>/dev/null | tr -d '\r' | awk '$1 == "median-ms" { print $2 }'
}
# The launcher takes Windows paths: the build's bin folder is reached through drive Z:.
winbin="Z:${bin//\//\\}"
minimal=$(run "$winbin\\minimal_window.exe")
inprocess=$(TESSEL_BROWSER=inprocess run "$winbin\\Tessel.exe")
chromium=$(TESSEL_BROWSER=chromium run "$winbin\\Tessel.exe")
awk -v m="$minimal" -v i="$inprocess" -v c="$chromium" 'BEGIN {
  printf "start-up to a visible main window (median of starts, ratio: time / the minimal program'"'"'s)\n"
  printf "  %-36s %8.1f ms  baseline\n", "minimal Win32 window", m
  printf "  %-36s %8.1f ms  ratio %.2f\n", "Tessel, in-process engine", i, i / m
  printf "  %-36s %8.1f ms  ratio %.2f\n", "Tessel, Chromium engine", c, c / m
}'
