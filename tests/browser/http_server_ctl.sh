#!/bin/sh
# Starts or stops the loopback HTTP server of the transfer tests.
# Usage: http_server_ctl.sh start|stop STATE_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
state=$2
case $1 in
start)
  "$0" stop "$state"
  rm -f "$state/http-server.port"
  python3 "$here/http_server.py" --port-file "$state/http-server.port" </dev/null >/dev/null 2>&1 &
  echo $! >"$state/http-server.pid"
  for _ in $(seq 100); do
    [ -f "$state/http-server.port" ] && exit 0
    sleep 0.1
  done
  echo "http server did not start" >&2
  exit 1
  ;;
stop)
  if [ -f "$state/http-server.pid" ]; then
    kill "$(cat "$state/http-server.pid")" 2>/dev/null || true
    rm -f "$state/http-server.pid" "$state/http-server.port"
  fi
  ;;
esac
