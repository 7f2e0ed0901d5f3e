#!/usr/bin/env bash
# Installs what is needed, builds every configuration and runs every test:
#   native       portable libraries and their unit tests (g++)
#   sanitize     the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz         the libFuzzer targets (clang), each for a bounded time
#   win32        the shipped i686 program and the Windows tests, run under Wine in Xvfb
#   win64        the same sources compiled for x86_64 (compile check)
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-$(nproc)}
fuzz_seconds=${FUZZ_SECONDS:-60}

bash scripts/install-deps.sh

export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tovi}
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

passed=0; failed=0
log=$(mktemp)
run_ctest() {   # run_ctest BUILD_DIR [wrapper...]
  local dir=$1; shift
  set +e
  "$@" ctest --test-dir "$dir" --output-on-failure 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  set -e
  local line; line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n1 || true)
  if [ -n "$line" ]; then
    local total f
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    f=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    passed=$((passed + total - f)); failed=$((failed + f))
  elif [ "$rc" -ne 0 ]; then
    failed=$((failed + 1))
  fi
  return 0
}

configure_build() {  # configure_build DIR cmake-args...
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

echo "== native"
configure_build build/native -DTOVI_BENCH=ON
run_ctest build/native

echo "== sanitize"
configure_build build/sanitize -DTOVI_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build/sanitize

echo "== fuzz"
configure_build build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTOVI_FUZZ=ON -DTOVI_TESTS=OFF
for f in build/fuzz/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus="build/fuzz/corpus-$name"; mkdir -p "$corpus"
  seeds="$root/fuzz/seeds/$name"
  # fuzz/seeds/NAME.dirs may list more seed folders (relative to the checkout),
  # such as fixtures that are used where they lie.
  extra=()
  if [ -f "$seeds.dirs" ]; then
    while read -r d; do [ -n "$d" ] && [ -d "$root/$d" ] && extra+=("$root/$d"); done <"$seeds.dirs"
  fi
  echo "-- $name for ${fuzz_seconds}s"
  if "$f" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$corpus" $( [ -d "$seeds" ] && echo "$seeds" ) "${extra[@]}" >"build/fuzz/$name.log" 2>&1; then
    passed=$((passed + 1)); tail -n 3 "build/fuzz/$name.log"
  else
    failed=$((failed + 1)); tail -n 60 "build/fuzz/$name.log"
  fi
done

echo "== win64 (compile check)"
configure_build build/win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" -DTOVI_SAMPLE_BANK=OFF

echo "== win32 (under Wine)"
configure_build build/win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DTOVI_BENCH=ON
wineserver -k 2>/dev/null || true
run_ctest build/win32 xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96"
wineserver -k 2>/dev/null || true

rm -f "$log"
echo
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
