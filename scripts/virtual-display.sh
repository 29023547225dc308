# Starts Xvfb on a display of its own choosing and exports DISPLAY; the
# caller's EXIT trap calls stop_virtual_display.
#
# Sourced: start_virtual_display LOG-FOLDER
xvfb_pid=

start_virtual_display() {
  local display_file=$1/xvfb.display
  # Xvfb picks a free display itself and writes its number once it is ready.
  rm -f "$display_file"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>"$1/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$1/xvfb.log" >&2; echo "error: Xvfb did not start" >&2; exit 1; }
    sleep 0.1
  done
  [ -s "$display_file" ] || { echo "error: Xvfb gave no display" >&2; exit 1; }
  export DISPLAY=:$(head -n 1 "$display_file")
}

stop_virtual_display() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
