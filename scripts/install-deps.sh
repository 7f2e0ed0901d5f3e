#!/usr/bin/env bash
# Installs everything the build, the tests and running the program need on a
# Debian 12 machine (as root), then prepares the Wine prefix. Idempotent: a
# second run only checks.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(
  cmake make g++ clang libgtest-dev googletest libbenchmark-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  wine wine32 xvfb xauth x11-utils xdotool xclip
  fonts-wqy-microhei imagemagick python3 python3-pil
  mdbtools libsqlite3-dev unicode-data
)
# Node.js with npm: the machine image may bring its own build (npm inside it),
# which conflicts with Debian's separate npm package.
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  arch_pkg=$p
  [ "$p" = wine32 ] && arch_pkg=wine32:i386
  dpkg-query -W -f='${Status}' "$arch_pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$arch_pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The npm package used as an independent reader of the banks we write.
if [ ! -d "$here/../.cache/node/node_modules/mdb-reader" ]; then
  mkdir -p "$here/../.cache/node"
  (cd "$here/../.cache/node" && npm install --silent --no-audit --no-fund mdb-reader@3 >/dev/null)
fi

"$here/wine-prefix.sh"
