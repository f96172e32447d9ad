#!/usr/bin/env bash
# The book window on a virtual X display: a book made from the ECO openings is opened, walked with
# the keys, a piece is dragged on the board, a move with a symbol is typed, and the program is
# closed; the book holds the new candidates, the saved-line files the line, and the next start
# stands on that line again. Usage: BookWindowEndToEnd.sh MARVEK MARVEK_CLI COLOUR_PROBE
set -euo pipefail

# The board's dark squares, in a colour nothing else on the screen has (RGB, and as the settings
# keep it, red in the low byte).
dark=123456
darkSetting=$((0x563412))

# On the virtual display: start the program on the book, wait for its board, then run the steps
# ("key:K", "drag:FROM-TO", "type:TEXT") and leave with the exit shortcut.
if [[ "${1:-}" == "--drive" ]]; then
  gui=$2 probe=$3 book=$4
  shift 4
  # shellcheck source=EndToEndDriving.sh
  source "$(dirname "$0")/EndToEndDriving.sh"
  "$gui" "$book.2MD" &
  pid=$! wid="" board=""
  fail() {
    echo "$1" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
  }
  # The splash is called "Marvek starting"; the main window is just "Marvek".
  for _ in $(seq 300); do
    wid=$(xdotool search --onlyvisible --name '^Marvek$' 2>/dev/null | head -1 || true)
    [[ -n "$wid" ]] && break
    sleep 0.1
  done
  [[ -n "$wid" ]] || fail "the main window did not appear"
  # The book is open once its board is drawn.
  for _ in $(seq 300); do
    board=$("$probe" "$dark" 2>/dev/null || true)
    [[ -n "$board" ]] && break
    sleep 0.1
  done
  [[ -n "$board" ]] || fail "the book window's board did not appear"
  read -r left top width height <<<"$board"
  (((width - height) ** 2 <= 4)) || fail "the board found is not square: $board"
  # The centre of a square ("h7") with White at the bottom.
  centre() {
    local file=$(($(printf '%d' "'${1:0:1}") - 97)) rank=$((${1:1:1} - 1))
    echo "$((left + (2 * file + 1) * width / 16)) $((top + (15 - 2 * rank) * height / 16))"
  }
  # Without a window manager the focus is given by hand, and may need a second try.
  for _ in 1 2 3 4 5; do
    xdotool windowfocus --sync "$wid" 2>/dev/null && break
    sleep 0.2
  done
  for step in "$@"; do
    case $step in
      key:*) xdotool key --clearmodifiers "${step#key:}" ;;
      type:*) xdotool type --delay 50 "${step#type:}" ;;
      drag:*)
        from=${step#drag:} from=${from%-*} to=${step#*-}
        xdotool mousemove --sync $(centre "$from") mousedown 1
        xdotool mousemove --sync $(centre "$to")
        xdotool mouseup 1
        ;;
    esac
    sleep 0.3
  done
  # A picture of the screen as the steps left it, for a person to look at.
  if [[ -n "${MARVEK_E2E_SHOT:-}" ]]; then "$probe" "$dark" "$MARVEK_E2E_SHOT" >/dev/null || true; fi
  leave_with_alt_f4 "$pid" "$wid" 30
  exit $?
fi

gui=$1 cli=$2 probe=$3
pgn=/usr/share/pgn-extract/eco.pgn
if ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null; then
  echo "skipped: xvfb-run and xdotool are needed for the book window on X"
  exit 0
fi
[[ -r "$pgn" ]] || { echo "skipped: $pgn is missing (package pgn-extract)"; exit 0; }
# shellcheck source=EndToEndEnvironment.sh
source "$(dirname "$0")/EndToEndEnvironment.sh"

book=$work/Eco
"$cli" book create "$book" >/dev/null
"$cli" book import "$book" "$pgn" >/dev/null
# The welcome dialog would wait for a click; a piece that jumps leaves the board still for the drag.
"$cli" prefs set ShowWelcomeMessage no >/dev/null
"$cli" prefs set SlidingPieceSpeed 0 >/dev/null
"$cli" prefs set DarkSquareColour "$darkSetting" >/dev/null
# Room for the whole book window, and the comment window beside the main window, not over it.
for setting in MainWindowWidth=1000 MainWindowHeight=860 CommentWindowLeft=1010 CommentWindowTop=100; do
  "$cli" prefs set "${setting%=*}" "${setting#*=}" >/dev/null
done
drive() { xvfb-run -a -s "-screen 0 1400x900x24" "$0" --drive "$gui" "$probe" "$book" "$@"; }
fail() { echo "$1" >&2; exit 1; }

# 1.b4 (the first candidate), then h7-h6 on the board (new), then "Nf3!" typed (new, with its
# symbol), then one ply back: two plies stay on the line.
drive key:F9 drag:h7-h6 type:Nf3! key:Return key:F8
shown=$("$cli" book show "$book" --line "b4")
grep -qP '^\s+h6\t' <<<"$shown" || fail "the board move is no candidate after 1.b4:"$'\n'"$shown"
shown=$("$cli" book show "$book" --line "b4 h6")
grep -qP '^\s+Nf3!\t' <<<"$shown" || fail "the typed move is no candidate with its symbol:"$'\n'"$shown"

# The saved line: the start position, and the from- and to-squares of each move played (b2-b4,
# h7-h6; squares are rank * 10 + file).
[[ $(stat -c %s "$book.2B2") == 34 ]] || fail "the saved start position is not 34 bytes"
squares() { od -An -tu1 -w4 -v "$book.2B1" | awk '{printf "%s-%s ", $1, $2}'; }
[[ $(squares) == "11-31 67-57 " ]] || fail "the saved line holds $(squares)instead of 1.b4 h6"

# The next start stands on that line again: one more ply plays 2.Nf3.
drive key:F9
[[ $(squares) == "11-31 67-57 6-25 " ]] || fail "the line was not restored: $(squares)after a restart and F9"
echo "book window end-to-end run passed"
