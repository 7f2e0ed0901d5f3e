#!/usr/bin/env bash
# Creates the 32-bit Wine prefix used to run and test the program, and maps the
# Chinese font names the program and the system dialogs ask for onto an
# installed CJK font, so that Chinese renders whatever the code page.
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tovi}
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
stamp="$WINEPREFIX/.tovi-fonts-v1"
[ -f "$stamp" ] && exit 0

echo "wine-prefix: creating $WINEPREFIX"
wineboot -i >/dev/null 2>&1 || true
wineserver -w || true

reg=$(mktemp --suffix=.reg)
font="WenQuanYi Micro Hei"
# regedit reads UTF-16 files that start with the version 5 header.
python3 - "$reg" "$font" <<'PY'
import sys
path, font = sys.argv[1], sys.argv[2]
names = ["宋体","SimSun","新宋体","NSimSun","微软雅黑","Microsoft YaHei","黑体","SimHei","Tahoma","MS Shell Dlg","MS Shell Dlg 2","MS Sans Serif","Segoe UI"]
lines = ["Windows Registry Editor Version 5.00", "", "[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]"]
lines += ['"%s"="%s"' % (n, font) for n in names]
lines += ["", "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]",
          '"MS Shell Dlg"="%s"' % font, '"MS Shell Dlg 2"="%s"' % font, ""]
open(path, "wb").write(b"\xff\xfe" + "\r\n".join(lines).encode("utf-16-le"))
PY
wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
wineserver -w || true
rm -f "$reg"
touch "$stamp"
