#!/usr/bin/env bash
# The real program on a virtual X display: started with a book on its command line, found by its
# window title, closed with its exit shortcut; then what it recorded is checked through the files
# and marvek-cli. Usage: DesktopEndToEnd.sh MARVEK MARVEK_CLI
set -euo pipefail
gui=$1
cli=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MARVEK_HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run TMPDIR=$work
mkdir -p "$MARVEK_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

"$cli" book create "$work/Repertoire" >/dev/null
# The welcome dialog would wait for a click.
"$cli" prefs set ShowWelcomeMessage no >/dev/null

drive() {
  "$gui" "$work/Repertoire.2MD" &
  local pid=$! wid=""
  for _ in $(seq 150); do
    wid=$(xdotool search --onlyvisible --name '^Marvek' 2>/dev/null | head -1 || true)
    [[ -n "$wid" ]] && break
    sleep 0.1
  done
  if [[ -z "$wid" ]]; then
    echo "the main window did not appear" >&2
    kill "$pid" 2>/dev/null || true
    return 1
  fi
  # Give the first activation time to open the book, then leave with the exit shortcut.
  sleep 1.5
  xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowactivate "$wid" 2>/dev/null || true
  xdotool key --clearmodifiers alt+F4
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "the program did not end after Alt+F4" >&2
    kill "$pid"
    return 1
  fi
  wait "$pid"
}
export -f drive
export gui work
xvfb-run -a -s "-screen 0 1280x900x24" bash -c drive

grep -qx "Book1=$work/Repertoire" "$MARVEK_HOME/MARVEK.INI" || { echo "MARVEK.INI lacks the book:"; cat "$MARVEK_HOME/MARVEK.INI"; exit 1; } >&2
grep -qix "Book1ReadOnly=0" "$MARVEK_HOME/MARVEK.INI" || { echo "MARVEK.INI lacks Book1ReadOnly=0" >&2; exit 1; }
record="$XDG_CONFIG_HOME/Marvek/Marvek 2000 Vantro/Prefs build30"
[[ $(stat -c %s "$record") == 7036 ]] || { echo "the settings record is not 7036 bytes" >&2; exit 1; }
"$cli" prefs show | grep -qx $'ShowWelcomeMessage\tno' || { echo "the settings were not kept" >&2; exit 1; }
echo "end-to-end run passed"
