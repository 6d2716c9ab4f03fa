#!/usr/bin/env bash
# Benchmark of the saver "/s" under Wine on a virtual display beside the
# floor program (bench/wine/wine_floor.cpp), by default at 1920x1080 and at
# 3840x2160: time to the first frame, CPU time per minute (program +
# wineserver + Xvfb) and peak memory, with the ratios saver / floor.
# Prints figures; it is not a test.
#
# Usage: scripts/bench-saver.sh [--build-dir DIR] [--no-build] [--seconds N] [--starts N] [--size WxH]...
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/windows"
do_build=1
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build=$2; shift 2 ;;
    --no-build) do_build=0; shift ;;
    --seconds|--starts|--size) args+=("$1" "$2"); shift 2 ;;
    -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
    *) echo "bench-saver: unknown option $1" >&2; exit 64 ;;
  esac
done

if [ "$do_build" = 1 ]; then
  if [ "$build" = "$root/build/windows" ]; then
    (cd "$root" && cmake --preset windows >/dev/null && cmake --build --preset windows >/dev/null)
  else
    cmake -S "$root" -B "$build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" -j2 >/dev/null
  fi
fi

export VSS_SCR="$build/Vorlan Screen Saver 2.scr"
export VSS_HOST="$build/tests/e2e/preview_host.exe"
export VSS_FLOOR="$build/bench/vss_floor.exe"
for f in "$VSS_SCR" "$VSS_HOST" "$VSS_FLOOR"; do
  [ -f "$f" ] || { echo "bench-saver: missing $f (build first)" >&2; exit 1; }
done
exec python3 "$root/bench/wine/wine_vs_floor.py" "${args[@]}"
