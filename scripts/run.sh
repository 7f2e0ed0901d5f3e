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
  echo "run: no \$DISPLAY, using a virtual screen (Xvfb); scripts/screenshot.sh takes pictures of it"
  exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" wine ToviArdo.exe
fi
