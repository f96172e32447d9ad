#!/usr/bin/env bash
# A PGN file imported through the book window's dialogs on a virtual X display: the program starts
# with a book, Alt+I opens the file dialog, the file's name is typed, the import dialog and the
# final message are answered, the program is left; marvek-cli then reads the book.
# Usage: ImportEndToEnd.sh MARVEK MARVEK_CLI
set -euo pipefail
# shellcheck source=EndToEndDriving.sh
source "$(dirname "$0")/EndToEndDriving.sh"

# Waits until a visible window's title matches (at most TENTHS tenths of a second, 200 unless
# given); prints its id.
await_window() {
  local title=$1 tenths=${2:-200} wid=""
  for _ in $(seq "$tenths"); do
    wid=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | tail -1 || true)
    [[ -n "$wid" ]] && { echo "$wid"; return 0; }
    sleep 0.1
  done
  echo "no window \"$title\" appeared; the windows:" >&2
  show_windows
  return 1
}

# Keys to a window once it has the keyboard (without a window manager the focus is given by hand).
keys_to() {
  local wid=$1
  shift
  xdotool windowfocus --sync "$wid" 2>/dev/null || true
  xdotool key --clearmodifiers "$@"
}

if [[ "${1:-}" == "--drive" ]]; then
  gui=$2 work=$3
  "$gui" "$work/Repertoire.2MD" &
  pid=$!
  trap 'kill "$pid" 2>/dev/null || true' EXIT
  main=$(await_window '^Marvek$')
  # The book's window is the active one inside the main window; Alt+I reaches its PGN menu.
  chooser=""
  for _ in 1 2 3 4 5; do
    keys_to "$main" alt+i
    chooser=$(await_window '^Import Games' 50 2>/dev/null) && break
  done
  [[ -n "$chooser" ]] || { echo "Alt+I opened no file dialog" >&2; exit 1; }
  # The file's name goes into the dialog's name field, which has the keyboard once the dialog is
  # up; on a busy machine the first keys may come too early, so the name is typed again.
  options=""
  for _ in 1 2 3 4 5; do
    keys_to "$chooser" ctrl+a
    xdotool type --delay 5 "$work/games.pgn"
    xdotool key Return
    options=$(await_window '^Import PGN$' 50 2>/dev/null) && break
  done
  [[ -n "$options" ]] || options=$(await_window '^Import PGN$')
  keys_to "$options" Return
  # The message with the count of games carries the program's name, as the main window does.
  box=""
  for _ in $(seq 200); do
    box=$(xdotool search --onlyvisible --name '^Marvek$' 2>/dev/null | grep -vx "$main" | tail -1 || true)
    [[ -n "$box" ]] && break
    sleep 0.1
  done
  [[ -n "$box" ]] || { echo "no message after the import" >&2; exit 1; }
  keys_to "$box" Return
  for _ in $(seq 50); do
    xdotool search --onlyvisible --name '^Marvek$' 2>/dev/null | grep -qvx "$main" || break
    sleep 0.1
  done
  trap - EXIT
  leave_with_alt_f4 "$pid" "$main"
  exit $?
fi

command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || { echo "xvfb-run or xdotool is missing"; exit 77; }
gui=$1
cli=$2
# shellcheck source=EndToEndEnvironment.sh
source "$(dirname "$0")/EndToEndEnvironment.sh"

"$cli" book create "$work/Repertoire" >/dev/null
"$cli" prefs set ShowWelcomeMessage no >/dev/null
printf '[White "A"]\n1. e4 c5 2. Nf3 *\n\n[White "B"]\n1. d4 Nf6 *\n' >"$work/games.pgn"

xvfb-run -a -s "-screen 0 1280x900x24" "$0" --drive "$gui" "$work"

shown=$("$cli" book show "$work/Repertoire" --line "")
grep -q $'^  e4\t' <<<"$shown" && grep -q $'^  d4\t' <<<"$shown" || { echo "the games' first moves are not candidates:"; echo "$shown"; exit 1; } >&2
"$cli" book show "$work/Repertoire" --line "e4 c5" | grep -q $'^  Nf3\t' || { echo "2. Nf3 was not imported" >&2; exit 1; }
echo "import end-to-end run passed"
