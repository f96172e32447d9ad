#!/usr/bin/env bash
# The analysis engine on a real display: a book made from real PGN is opened, the UCI engine is
# started from the main window, its analysis is grabbed into the start position's comment with
# Ctrl+G, and the program is closed. marvek-cli then finds the analysis in the book, and no engine
# process is left behind. Usage: EngineEndToEnd.sh MARVEK MARVEK_CLI
set -euo pipefail

# Waits until the command succeeds, looking every 0.1 s, for at most $1 tenths of a second.
wait_for() {
  local tries=$1
  shift
  for _ in $(seq "$tries"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

visible() { xdotool search --onlyvisible --name "$1" | head -1; }

# On the virtual display: start the program, start the engine, grab, leave.
if [[ "${1:-}" == "--drive" ]]; then
  gui=$2 work=$3
  # shellcheck source=EndToEndDriving.sh
  source "$(dirname "$0")/EndToEndDriving.sh"
  "$gui" "$work/Eco.2MD" &
  pid=$!
  fail() {
    echo "$1" >&2
    show_windows
    kill "$pid" 2>/dev/null || true
    exit 1
  }
  wait_for 150 visible '^Marvek$' || fail "the main window did not appear"
  main=$(visible '^Marvek$')
  # The book opens into a child of the main window, which the display does not list: let the
  # first activation's work end.
  sleep 1

  # The engine from the main window's Engine menu shortcut; the engine window shows its score
  # in its title once the analysis comes in.
  xdotool windowfocus --sync "$main" 2>/dev/null || true
  xdotool key --clearmodifiers ctrl+shift+a
  wait_for 150 visible '^(\+?-?[0-9]+|Mate in [0-9]+)( |$)' || fail "the engine window shows no analysis"
  engine=$(pgrep -P "$pid" -x stockfish | head -1 || true)
  [[ -n "$engine" ]] || fail "no stockfish runs under the program"
  echo "$engine" >"$work/engine.pid"
  sleep 2

  # Grab into the book window, which has the keyboard again once the main window has the focus.
  xdotool windowfocus --sync "$main" 2>/dev/null || true
  sleep 0.3
  xdotool key --clearmodifiers ctrl+g
  sleep 0.5

  leave_with_alt_f4 "$pid" "$main"
  exit $?
fi

gui=$1
cli=$2
if ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null; then
  echo "xvfb-run or xdotool is missing: skipped"
  exit 0
fi
stockfish=$(command -v stockfish || echo /usr/games/stockfish)
if [[ ! -x "$stockfish" ]]; then
  echo "stockfish is missing: skipped"
  exit 0
fi
# shellcheck source=EndToEndEnvironment.sh
source "$(dirname "$0")/EndToEndEnvironment.sh"

"$cli" book create "$work/Eco" >/dev/null
"$cli" book import "$work/Eco" /usr/share/pgn-extract/eco.pgn --plies 4 >/dev/null
"$cli" prefs set ShowWelcomeMessage no >/dev/null
"$cli" prefs set EngineKind 1 >/dev/null
"$cli" prefs set UciEnginePath "$stockfish" >/dev/null
"$cli" prefs set UciEngineName Fishy >/dev/null

xvfb-run -a -s "-screen 0 1280x900x24" "$0" --drive "$gui" "$work"

engine=$(cat "$work/engine.pid")
if kill -0 "$engine" 2>/dev/null; then
  echo "stockfish ($engine) is still running after the program ended" >&2
  kill "$engine"
  exit 1
fi
shown=$("$cli" book show "$work/Eco" --line "")
# "pv" + the numbered line + the score + the nickname, as the first line of the comment.
grep -Eq '^  pv 1\.[A-Za-z].* [+-][0-9]+ Fishy$' <<<"$shown" || { echo "the comment lacks the analysis:"; echo "$shown"; exit 1; } >&2
grep -Eq '^assessment: [+-]?[0-9]+$' <<<"$shown" || { echo "no assessment was grabbed:"; echo "$shown"; exit 1; } >&2
echo "engine end-to-end run passed"
