# Sourced by the scripts that need a display: start_virtual_display starts an Xvfb on the first
# free display number, waits for it, exports DISPLAY and leaves its PID in xvfb_pid.
start_virtual_display() {
  local display=99
  while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
  done
  Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || {
      echo "Xvfb did not start" >&2
      return 1
    }
    sleep 0.1
  done
  export DISPLAY=":$display"
}
