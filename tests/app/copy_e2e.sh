#!/usr/bin/env bash
# End to end, as a player does it: start the real ToviArdo.exe on a bank made
# by the bank tool, type a keyword into the search box with xdotool, press
# Enter, click the copy area, and read the clipboard from the X side.
#   copy_e2e.sh BIN_DIR TOOLS_DIR
# BIN_DIR holds ToviArdo.exe, TOOLS_DIR tovi-bank.exe. Needs DISPLAY (CTest runs
# under xvfb-run) and the Wine prefix in WINEPREFIX.
set -euo pipefail
bin=${1:?usage: copy_e2e.sh BIN_DIR TOOLS_DIR}
tools=${2:?usage: copy_e2e.sh BIN_DIR TOOLS_DIR}
: "${DISPLAY:?copy_e2e.sh needs an X display}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

work=$(mktemp -d)
prog=""
cleanup() {
  [ -n "$prog" ] && kill "$prog" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Two rows match "sd"; the first of them in table order is listed first. The
# row before them must not match, so the copy cannot come from the top row.
cat >"$work/bank.csv" <<'CSV'
Question,Answer,PinYin
长江注入哪个海？,东海,cjzrngh
中华人民共和国的首都是哪座城市？,北京,zhrmghgdsdsnzcs
日本的首都是？,"东京
（江户）",rbdsds
CSV
cp "$bin/ToviArdo.exe" "$work/"
# Every Wine command's output goes elsewhere: a wineserver started here must not
# hold the test's own output open.
(cd "$work" && wine "$tools/tovi-bank.exe" import bank.csv -o wd.dat) >"$work/import.log" 2>&1 ||
  { cat "$work/import.log" >&2; exit 1; }

# Waits until the command given succeeds, checking every 0.2 s for at most
# the given number of seconds.
wait_for() {
  local seconds=$1; shift
  local tries=$((seconds * 5))
  while ! "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.2
  done
}

(cd "$work" && exec wine ToviArdo.exe) >/dev/null 2>&1 &
prog=$!
win=""
find_window() { win=$(xdotool search --onlyvisible --name 'ToviArdo' 2>/dev/null | head -n1 || true); [ -n "$win" ]; }
wait_for 120 find_window || { echo "copy_e2e: the window did not appear" >&2; exit 1; }

# Client coordinates to window coordinates. The X window may include the frame
# Wine draws: borders alike left, right and below, the caption above; the
# client area is 540 x 461.
eval "$(xdotool getwindowgeometry --shell "$win")"
border=$(( WIDTH > 540 ? (WIDTH - 540) / 2 : 0 ))
top=$(( HEIGHT > 461 + border ? HEIGHT - 461 - border : 0 ))
click() { xdotool mousemove --sync --window "$win" $((border + $1)) $((top + $2)) click 1; }
# The colour of one client pixel, as ImageMagick names it (srgb(r,g,b)).
pixel() { import -window "$win" -crop "1x1+$((border + $1))+$((top + $2))" -depth 8 txt:- 2>/dev/null |
          sed -n 's/.*\(srgb([0-9,]*)\).*/\1/p'; }

# The window has painted its artwork once the copy area's red face shows.
copy_face_red() {
  local r g b
  IFS=, read -r r g b <<<"$(pixel 444 344 | tr -d 'srgb()')"
  [ -n "$b" ] && [ "$r" -ge 180 ] && [ "$g" -lt 110 ] && [ "$b" -lt 110 ]
}
wait_for 30 copy_face_red || { echo "copy_e2e: the artwork was never painted ($(pixel 444 344))" >&2; exit 1; }

# A click into the search box (at client (160, 50), 193 x 15) gives it the
# keyboard, then the keyword, then Enter moves into the list. Wine takes the
# X events in the order they were sent, so the click on the copy area (client
# (440, 328), 81 x 21) comes after Enter has been handled.
xdotool windowfocus --sync "$win" 2>/dev/null || true
click 256 57
xdotool type --delay 120 sd
xdotool key Return
click 480 338

printf '题目：中华人民共和国的首都是哪座城市？\r答案：北京\r(此答题内容来至Tovi Ardo答题器 http://ardo.tovi.com)' >"$work/expected"
clipboard_holds_answer() {
  xclip -o -selection clipboard -t UTF8_STRING >"$work/actual" 2>/dev/null || true
  cmp -s "$work/expected" "$work/actual"
}
if ! wait_for 15 clipboard_holds_answer; then
  echo "copy_e2e: the clipboard holds something else" >&2
  echo "expected:" >&2; od -c "$work/expected" | head -20 >&2
  echo "actual:" >&2; od -c "$work/actual" | head -20 >&2
  exit 1
fi
echo "copy_e2e: the clipboard holds the copied answer"
