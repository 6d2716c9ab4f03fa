#!/usr/bin/env bash
# Benchmark of the native saver (--fullscreen) beside its floor programs, on
# a virtual X display (bench/native/x11_floor.cpp) and on a headless sway
# (bench/native/wayland_floor.cpp), by default at 1920x1080 and at
# 3840x2160, on sway with both outputs (the second at scale 2) and, as root,
# on two monitors of Xorg's dummy driver: time to the first frame, CPU time
# per minute (program + X server or sway) and peak memory, with the ratios
# saver / floor. Prints figures; it is not a test.
#
# Usage: scripts/bench-native.sh [--no-build] [--seconds N] [--starts N] [--size WxH]...
#                                [--only x11|wayland]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/native"
do_build=1
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) do_build=0; shift ;;
    --seconds|--starts|--size|--only) args+=("$1" "$2"); shift 2 ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    *) echo "bench-native: unknown option $1" >&2; exit 64 ;;
  esac
done

if [ "$do_build" = 1 ]; then
  (cd "$root" && cmake --preset native >/dev/null && cmake --build --preset native >/dev/null)
fi
export VSS_NATIVE="$build/vorlan-screen-saver-2"
export VSS_FLOOR="$build/bench/native/vss_floor_native"
export VSS_WAYLAND_FLOOR="$build/bench/native/vss_floor_wayland"
for f in "$VSS_NATIVE" "$VSS_FLOOR" "$VSS_WAYLAND_FLOOR"; do
  [ -x "$f" ] || { echo "bench-native: missing $f (build first)" >&2; exit 1; }
done
exec python3 "$root/bench/native/native_vs_floor.py" "${args[@]}"
