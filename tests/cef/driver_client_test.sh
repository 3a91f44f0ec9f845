#!/bin/sh
# Drives a program built against the stand-in with scripts/cef-driver.py, as people and scripts do:
# the page driver listens because TESSEL_CEF_DRIVER_PORT names a port, and runs what carries the
# token of TESSEL_CEF_DRIVER_TOKEN.
# Usage: driver_client_test.sh WINE_RUN DEMO_HOST BUILD_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
client="$here/../../scripts/cef-driver.py"
wine_run=$1
demo=$2
page="http://127.0.0.1:$(cat "$3/http-server.port")/empty"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

TESSEL_CEF_DRIVER_TOKEN=$(python3 -c 'import secrets; print(secrets.token_hex(16))')
export TESSEL_CEF_DRIVER_TOKEN
TESSEL_CEF_DRIVER_PORT=$port "$wine_run" "$demo" "$page" &
host=$!
trap 'kill $host 2>/dev/null || true' EXIT

expect() {
  case $2 in
  *"$1"*) ;;
  *) echo "expected $1 in: $2" >&2; exit 1 ;;
  esac
}
drive() {
  python3 "$client" --port "$port" --connect-timeout 60 "$@"
}

out=$(drive wait browsers=1 timeout_ms=60000 state)
expect '"idle":true' "$out"
expect "\"url\":\"$page\"" "$out"
out=$(drive call browser=1 function=Echo 'args=["发票"]')
expect '"result":{"type":"string","value":"发票"}' "$out"
out=$(drive new_window browser=1 url=about:blank disposition=new_popup wait state)
expect '"browser_id":2' "$out"
out=$(drive context_menu browser=1 x=5 y=5 command=0)
expect '"label":"&Back"' "$out"
if drive fly >/dev/null; then
  echo "an unknown op must fail" >&2
  exit 1
fi
if drive --token wrong-token-of-some-length state >/dev/null; then
  echo "a request with another token must fail" >&2
  exit 1
fi
# The library closes the host's top-level window, and the program ends normally.
drive close browser=1 >/dev/null
wait $host
