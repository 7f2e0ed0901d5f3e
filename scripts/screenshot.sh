#!/usr/bin/env bash
# Starts the program under a fresh Xvfb, waits for its window, saves a PNG of
# the whole screen to the given path, then ends the program and the display.
#   bash scripts/screenshot.sh OUT.png
# Builds the win32 program first if it is missing; BUILD_DIR chooses the build.
# BANK=path starts it on another wd.dat; KEYS=text types text into the search
# box and presses Enter before the picture is taken; PASTE=text pastes text
# into it from the clipboard instead (xdotool drops Chinese it types).
set -euo pipefail
out=${1:?usage: screenshot.sh OUT.png}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${BUILD_DIR:-$root/build/win32}
case "$out" in /*) ;; *) out="$(pwd)/$out" ;; esac

export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tovi}
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || bash "$here/wine-prefix.sh"
if [ ! -x "$build/bin/ToviArdo.exe" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
  cmake --build "$build" -j2 --target ToviArdo
fi

# A free display number: the first without a lock file.
display=99
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 800x600x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
prog=""
rundir=""
# Ends with the script's own status: a step of the clean-up that has nothing
# to do must not turn a taken picture into a failure.
cleanup() {
  local status=$?
  [ -n "$prog" ] && kill "$prog" 2>/dev/null || true
  DISPLAY=":$display" wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  if [ -n "$rundir" ] && [ "$rundir" != "$build/bin" ]; then rm -rf "$rundir"; fi
  exit "$status"
}
trap cleanup EXIT
export DISPLAY=":$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

rundir=$build/bin
if [ -n "${BANK:-}" ]; then
  rundir=$(mktemp -d)
  cp "$build/bin/ToviArdo.exe" "$rundir/"
  cp "$BANK" "$rundir/wd.dat"
fi
(cd "$rundir" && exec wine ToviArdo.exe) >/dev/null 2>&1 &
prog=$!
found=""
for _ in $(seq 120); do
  found=$(xdotool search --onlyvisible --name 'ToviArdo' 2>/dev/null | head -n1 || true)
  [ -n "$found" ] && break
  sleep 0.5
done
if [ -z "$found" ]; then
  echo "screenshot: the window did not appear" >&2
  exit 1
fi
sleep 2   # let the first paint finish
if [ -n "${KEYS:-}" ] || [ -n "${PASTE:-}" ]; then
  xdotool windowfocus --sync "$found" 2>/dev/null || true
  if [ -n "${PASTE:-}" ]; then
    printf '%s' "$PASTE" | xclip -selection clipboard
    sleep 0.5
    xdotool key ctrl+v
  else
    xdotool type --delay 150 "$KEYS"
  fi
  sleep 0.5
  xdotool key Return
  sleep 1.5
fi
import -window root "$out"
echo "screenshot: $out"
