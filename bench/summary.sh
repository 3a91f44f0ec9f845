#!/usr/bin/env bash
# Runs every benchmark (each against its baseline from the same run) and ends with one table of
# the figures the performance goals speak of.
# Usage: bench/summary.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for bench in download shadow resize plugin startup first_paint layout chromium; do
  echo "== $bench"
  "$root/bench/$bench.sh" "$build" | tee "$out/$bench.txt"
  echo
done
ratio() { awk -v pattern="$2" 'index($0, pattern) { print $NF; exit }' "$out/$1.txt"; }
x_fill() { sed -n "s/^$2.*(\([0-9.]*\) x fill).*/\1/p" "$out/$1.txt" | head -1; }
printf '%-46s %10s  %s\n' "figure (same-run baseline)" "ratio" "goal"
printf '%-46s %10s  %s\n' "DownloadToFile / Winsock loop" "$(ratio download DownloadToFile)" ">= 0.9"
printf '%-46s %10s  %s\n' "ReplaceByDownload / Winsock loop" "$(ratio download ReplaceByDownload)" ">= 0.9"
printf '%-46s %10s  %s\n' "FetchToString / Winsock loop into memory, 1 MiB" "$(ratio download 'FetchToString / loop')" ">= 0.9"
printf '%-46s %10s  %s\n' "native curl / Winsock loop (second line)" "$(ratio download 'native curl')" "-"
printf '%-46s %10s  %s\n' "shadow image, rectangle (x fill)" "$(x_fill shadow 'shadow, rectangle')" "<= 3"
printf '%-46s %10s  %s\n' "shadow image, cut-corner region (x fill)" "$(x_fill shadow 'shadow, rounded')" "<= 3"
printf '%-46s %10s  %s\n' "resize step (x fill)" "$(x_fill resize 'resize step')" "-"
printf '%-46s %10s  %s\n' "resize step, ms" "$(sed -n 's/^resize step: *\([0-9.]*\) ms.*/\1/p' "$out/resize.txt")" "<= 16"
printf '%-46s %10s  %s\n' "corvel_tcp bulk / plain Winsock" "$(ratio plugin 'corvel_tcp table')" ">= 0.9"
printf '%-46s %10s  %s\n' "corvel_tcp 1 KiB round trip / plain Winsock" \
  "$(awk '/round trip/ { on = 1 } on && /corvel_tcp/ { print $NF; exit }' "$out/plugin.txt")" "<= 1.1"
printf '%-46s %10s  %s\n' "start-up, in-process engine / minimal" "$(ratio startup in-process)" "<= 1.5"
printf '%-46s %10s  %s\n' "start-up, Chromium engine / minimal" "$(ratio startup Chromium)" "<= 1.5"
printf '%-46s %10s  %s\n' "first paint, in-process engine / minimal" "$(ratio first_paint 'in-process engine, first paint')" "<= 1.5"
printf '%-46s %10s  %s\n' "first paint, Chromium engine / minimal" "$(ratio first_paint 'Chromium engine, first paint')" "<= 1.5"
printf '%-46s %10s  %s\n' "first page / max(minimal, Chromium alone)" "$(ratio first_paint 'first page')" "<= 1.5"
printf '%-46s %10s  %s\n' "native call / Chromium's native floor" "$(ratio chromium 'native floor')" "<= 1.2"
printf '%-46s %10s  %s\n' "browser memory with one page, PSS MiB" \
  "$(sed -n 's/^browser memory, one page open:.*PSS \([0-9]*\) MiB.*/\1/p' "$out/chromium.txt")" "<= 200"
