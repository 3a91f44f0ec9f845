#!/usr/bin/env bash
# What a user sees at start-up, read from the X screen (bench/screen_watch.py): the first pixels of
# the window and the start page painted inside it, from the moment the program is started, for
# Tessel with each engine; against a minimal Win32 window started the same way, and against
# Chromium's own cold start to a screenshot of the same page. Medians of RUNS starts, all in one
# test session.
# Usage: bench/first_paint.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-5}

if [ -z "${TESSEL_FIRST_PAINT_SESSION:-}" ]; then
  TESSEL_FIRST_PAINT_SESSION=1 exec "$root/scripts/test-session.sh" "$build" "$0" "$build" "$runs"
fi

state=$(mktemp -d)
trap '"$root/demo/demo_ctl.sh" stop "$state"; rm -rf "$state"' EXIT
"$root/demo/demo_ctl.sh" start "$state"
export http_proxy="http://127.0.0.1:$(cat "$state/demo.port")" no_proxy=127.0.0.1,localhost
start_page=http://einvoice.tessel.example/

# The page fills the window below its caption strip; its content is in the upper half.
page_area=0.02,0.12,0.98,0.6
watch() { python3 "$root/bench/screen_watch.py" "$@"; }
value() { awk -v key="$1" '$1 == key { print $2 }'; }

# Chromium's own start: a fresh profile, the same page through the same proxy, to a picture.
chromium_cold() {
  local profile
  profile=$(mktemp -d)
  python3 - "$profile" "$start_page" <<'EOF'
import os, subprocess, sys, time
profile, page = sys.argv[1], sys.argv[2]
start = time.monotonic()
subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                "--proxy-server=" + os.environ["http_proxy"], "--user-data-dir=" + profile,
                "--window-size=1728,940",
                "--screenshot=" + profile + "/shot.png", page],
               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
print("%.0f" % ((time.monotonic() - start) * 1000))
EOF
  rm -rf "$profile"
}

# A program that is ended leaves its browser to the guard, which ends it once the program's
# heartbeat is missing: taking the heartbeat away ends it at once, so that no browser of an earlier
# start runs beside the next one.
end_browsers() {
  rm -f "$WINEPREFIX"/drive_c/users/*/Temp/tessel-chromium-*/alive
  for _ in $(seq 100); do
    pgrep -f tessel-chromium- >/dev/null || return 0
    sleep 0.2
  done
  echo "first_paint: a browser of an ended start is still running" >&2
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$state/minimal" >"$state/inprocess" >"$state/chromium" >"$state/page" >"$state/cold"
# One start of each first, not counted: the first start of a session reads everything from disk.
watch -- "$build/wine-run.sh" "$build/bin/minimal_window.exe" >/dev/null
TESSEL_BROWSER=chromium watch -- "$build/wine-run.sh" "$build/bin/Tessel.exe" >/dev/null
end_browsers
for _ in $(seq "$runs"); do
  watch -- "$build/wine-run.sh" "$build/bin/minimal_window.exe" | value first-paint-ms >>"$state/minimal"
  TESSEL_BROWSER=inprocess watch -- "$build/wine-run.sh" "$build/bin/Tessel.exe" |
    value first-paint-ms >>"$state/inprocess"
  TESSEL_BROWSER=chromium watch --page "$page_area" -- "$build/wine-run.sh" "$build/bin/Tessel.exe" \
    >"$state/one"
  value first-paint-ms <"$state/one" >>"$state/chromium"
  value first-page-ms <"$state/one" >>"$state/page"
  end_browsers
  chromium_cold >>"$state/cold"
done
if grep -qx -- -1 "$state"/minimal "$state"/inprocess "$state"/chromium "$state"/page; then
  echo "first_paint: a window or the page was never seen on the screen" >&2
  exit 1
fi
minimal=$(median <"$state/minimal")
inprocess=$(median <"$state/inprocess")
chromium=$(median <"$state/chromium")
page=$(median <"$state/page")
cold=$(median <"$state/cold")
awk -v m="$minimal" -v i="$inprocess" -v c="$chromium" -v p="$page" -v k="$cold" -v n="$runs" 'BEGIN {
  printf "from the start of the program, read from the screen (median of %d starts)\n", n
  printf "  %-44s %7.0f ms  baseline\n", "minimal Win32 window, first paint", m
  printf "  %-44s %7.0f ms  baseline\n", "Chromium alone, cold start to a screenshot", k
  printf "  %-44s %7.0f ms  ratio to minimal %.2f\n", "Tessel, in-process engine, first paint", i, i / m
  printf "  %-44s %7.0f ms  ratio to minimal %.2f\n", "Tessel, Chromium engine, first paint", c, c / m
  base = m > k ? m : k
  printf "  %-44s %7.0f ms  ratio to the larger baseline %.2f\n", "Tessel, Chromium engine, first page", p, p / base
}'
