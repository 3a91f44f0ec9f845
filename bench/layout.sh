#!/usr/bin/env bash
# Layout and paint of a generated 2,000-element layout under Wine; prints the ratio of a hover
# repaint through the update region to a full paint.
# Usage: bench/layout.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
"$root/scripts/test-session.sh" "$build" "$build/wine-run.sh" "$build/bin/layout_bench.exe" | tr -d '\r'
