# Sourced by the driving half of the end-to-end runs, the one on the virtual display: the steps they
# all take through xdotool.

# The titles of the visible windows, one a line on stderr, for a run that did not find its window.
show_windows() {
  for w in $(xdotool search --onlyvisible --name "" 2>/dev/null); do echo "  $(xdotool getwindowname "$w")" >&2; done
}

# Leaves the program (process PID, main window WID) with its exit shortcut and returns its exit
# status. Without a window manager the focus is given by hand, and may need a second try while the
# window settles: up to five tries, each SETTLE seconds after the last (0 unless given), each
# waiting TENTHS tenths of a second (20 unless given) for the program to end.
leave_with_alt_f4() {
  local pid=$1 wid=$2 tenths=${3:-20} settle=${4:-0}
  for _ in 1 2 3 4 5; do
    sleep "$settle"
    xdotool windowfocus --sync "$wid" 2>/dev/null || true
    xdotool key --clearmodifiers alt+F4
    for _ in $(seq "$tenths"); do
      if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        return
      fi
      sleep 0.1
    done
  done
  echo "the program did not end after Alt+F4; its windows:" >&2
  show_windows
  kill "$pid"
  return 1
}
