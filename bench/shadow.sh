#!/usr/bin/env bash
# The shadow image of a 1728 x 972 owner under Wine, against filling an image of that size.
# Usage: bench/shadow.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
"$root/scripts/test-session.sh" "$build" "$build/wine-run.sh" "$build/bin/shadow_bench.exe" | tr -d '\r'
