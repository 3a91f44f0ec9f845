#!/bin/sh
# Starts or stops the demo service; its port is in STATE_DIR/demo.port once it listens.
# Usage: demo_ctl.sh start|stop STATE_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
state=$2
case $1 in
start)
  "$0" stop "$state"
  rm -f "$state/demo.port"
  python3 "$here/demo_server.py" --port-file "$state/demo.port" </dev/null >"$state/demo.err" 2>&1 &
  echo $! >"$state/demo.pid"
  for _ in $(seq 100); do
    [ -f "$state/demo.port" ] && exit 0
    sleep 0.1
  done
  echo "the demo service did not start:" >&2
  cat "$state/demo.err" >&2
  exit 1
  ;;
stop)
  if [ -f "$state/demo.pid" ]; then
    kill "$(cat "$state/demo.pid")" 2>/dev/null || true
    rm -f "$state/demo.pid" "$state/demo.port"
  fi
  ;;
esac
