#!/usr/bin/env bash
# The real program on a virtual X display: started with a book on its command line, found by its
# window title, closed with its exit shortcut; then what it recorded is checked through the files
# and marvek-cli. A second start on the way hands its book over. Usage: DesktopEndToEnd.sh MARVEK MARVEK_CLI
set -euo pipefail

# On the virtual display: start the program, find its window, leave with Alt+F4.
if [[ "${1:-}" == "--drive" ]]; then
  gui=$2 work=$3
  # shellcheck source=EndToEndDriving.sh
  source "$(dirname "$0")/EndToEndDriving.sh"
  "$gui" "$work/Repertoire.2MD" &
  pid=$! wid=""
  for _ in $(seq 150); do
    wid=$(xdotool search --onlyvisible --name '^Marvek$' 2>/dev/null | head -1 || true)
    [[ -n "$wid" ]] && break
    sleep 0.1
  done
  if [[ -z "$wid" ]]; then
    echo "the main window did not appear" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
  fi
  # A second start hands its book to this one and ends at once, showing nothing.
  (cd "$work" && timeout 20 "$gui" Second.2MD) || { echo "the second start did not end with status 0" >&2; kill "$pid"; exit 1; }
  for _ in $(seq 50); do
    xdotool search --onlyvisible --name '^Second$' >/dev/null 2>&1 && break
    sleep 0.1
  done
  # Leave with the exit shortcut once the window has the keyboard, a second after each try.
  leave_with_alt_f4 "$pid" "$wid" 20 1
  exit $?
fi

gui=$1
cli=$2
# shellcheck source=EndToEndEnvironment.sh
source "$(dirname "$0")/EndToEndEnvironment.sh"

"$cli" book create "$work/Repertoire" >/dev/null
"$cli" book create "$work/Second" >/dev/null
# The welcome dialog would wait for a click.
"$cli" prefs set ShowWelcomeMessage no >/dev/null

xvfb-run -a -s "-screen 0 1280x900x24" "$0" --drive "$gui" "$work"

grep -qx "Book1=$work/Repertoire" "$MARVEK_HOME/MARVEK.INI" || { echo "MARVEK.INI lacks the book:"; cat "$MARVEK_HOME/MARVEK.INI"; exit 1; } >&2
grep -qix "Book1ReadOnly=0" "$MARVEK_HOME/MARVEK.INI" || { echo "MARVEK.INI lacks Book1ReadOnly=0" >&2; exit 1; }
# The book the second start handed over, by its full path.
grep -qx "Book2=$work/Second" "$MARVEK_HOME/MARVEK.INI" || { echo "the handed-over book was not opened:"; cat "$MARVEK_HOME/MARVEK.INI"; exit 1; } >&2
record="$XDG_CONFIG_HOME/Marvek/Marvek 2000 Vantro/Prefs build30"
[[ $(stat -c %s "$record") == 7036 ]] || { echo "the settings record is not 7036 bytes" >&2; exit 1; }
"$cli" prefs show | grep -qx $'ShowWelcomeMessage\tno' || { echo "the settings were not kept" >&2; exit 1; }
echo "end-to-end run passed"
