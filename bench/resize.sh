#!/usr/bin/env bash
# One resize step of the main layout at 1728 x 972 under Wine, against filling an image of that size.
# Usage: bench/resize.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
"$root/scripts/test-session.sh" "$build" "$build/wine-run.sh" "$build/bin/resize_bench.exe" | tr -d '\r'
