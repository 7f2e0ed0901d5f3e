#!/usr/bin/env bash
# Installs what is needed, builds the 32-bit program and starts it under Wine
# from the build folder that holds ToviArdo.exe and the bundled wd.dat. Uses
# the display in $DISPLAY, or a virtual one (Xvfb) when there is none.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$root/build/win32

bash "$here/install-deps.sh"
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tovi}
export WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target ToviArdo

cd "$build/bin"
echo "run: starting $build/bin/ToviArdo.exe (bank: $build/bin/wd.dat)"
if [ -n "${DISPLAY:-}" ]; then
  exec wine ToviArdo.exe
else
  # A free display number, so that the running copy can be looked at from outside.
  display=99
  while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
  echo "run: no \$DISPLAY, so the program runs on a virtual screen (Xvfb) at :$display"
  echo "run: to see it:   DISPLAY=:$display import -window root shot.png   (a picture of the screen)"
  echo "run: to close it: press Ctrl+C here, or: WINEPREFIX=$WINEPREFIX wineserver -k"
  exec xvfb-run -n "$display" -s "-screen 0 1024x768x24 -dpi 96" wine ToviArdo.exe
fi
