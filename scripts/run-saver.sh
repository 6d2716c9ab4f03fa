#!/usr/bin/env bash
# Builds the native Linux saver and runs it.
#   scripts/run-saver.sh                  the saver, full screen (--fullscreen, /s)
#   scripts/run-saver.sh --settings       the options dialog (/c)
#   scripts/run-saver.sh --window-id ID   the preview inside window ID (/p ID);
#                                         without ID, inside a small window of ours
#   scripts/run-saver.sh --wine [/s|/c|/p]  the Windows .scr under Wine instead
# With an X display (or, but for the preview, a Wayland compositor) it runs
# there until you dismiss it. Without one it runs on a virtual display, saves
# two screenshots and prints where they are.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)

if [ "${1:-}" = "--wine" ]; then
  shift
  exec scripts/run-saver-wine.sh "$@"
fi

scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native >/dev/null
program="$root/build/native/vorlan-screen-saver-2"

args=("$@")
[ ${#args[@]} -eq 0 ] && args=(--fullscreen)
mode=saver
case "${args[0]}" in
  --settings|/c*|/C*) mode=settings ;;
  --window-id|/p|/P) mode=preview ;;
esac

# A window of our own for a preview with no window given; it goes (and the
# preview with it) when its input closes.
host_pid=""
start_host() {
  exec 7> >(python3 -c '
import os, sys
sys.path.insert(0, sys.argv[1])
from lib.display import Display
print(Display(name=os.environ["DISPLAY"]).create_window(100, 100, 152, 112), flush=True)
sys.stdin.read()
' "$root/tests/e2e" > "$1")
  host_pid=$!
  for _ in $(seq 1 100); do [ -s "$1" ] && break; sleep 0.05; done
  args=(--window-id "$(cat "$1")")
}

if [ -n "${WAYLAND_DISPLAY:-}" ] && [ "$mode" != preview ]; then
  exec "$program" "${args[@]}"
fi
if [ -n "${DISPLAY:-}" ]; then
  if [ "$mode" = preview ] && [ ${#args[@]} -lt 2 ]; then
    start_host "$(mktemp)"
    "$program" "${args[@]}" || true
    exec 7>&-
    exit 0
  fi
  exec "$program" "${args[@]}"
fi

shots="$root/build/screenshots"
mkdir -p "$shots"
exec 8<> <(:)
Xvfb -displayfd 8 -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
read -r -t 10 display <&8
export DISPLAY=":$display"

if [ "$mode" = preview ] && [ ${#args[@]} -lt 2 ]; then
  start_host "$(mktemp)"
fi
"$program" "${args[@]}" &
program_pid=$!
for _ in $(seq 1 200); do
  xdotool search --name "Vorlan Screen Saver 2|Preview" >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 1.5
import -window root "$shots/native-$mode-1.png"
# The second one shows the other frame (the dialog never changes).
for _ in $(seq 1 15); do
  sleep 0.2
  import -window root "$shots/native-$mode-2.png"
  [ "$mode" = settings ] && break
  [ "$(compare -metric AE "$shots/native-$mode-1.png" "$shots/native-$mode-2.png" null: 2>&1)" != 0 ] && break
done
echo "screenshots: $shots/native-$mode-1.png $shots/native-$mode-2.png"
# Dismiss it as a user would; the dialog has no key of its own for that.
case "$mode" in
  settings) xdotool key alt+c ;;
  preview) [ -n "$host_pid" ] && exec 7>&- ;;
  *) xdotool mousemove 100 100 mousemove 120 120 key space ;;
esac
for _ in $(seq 1 100); do
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
kill "$program_pid" 2>/dev/null || true
