#!/usr/bin/env bash
# Builds the Windows saver and runs it under Wine.
#   scripts/run-saver.sh          the saver ("/s")
#   scripts/run-saver.sh /c       the options dialog
#   scripts/run-saver.sh /p       the preview, inside a small host window of ours
# With an X display it runs there until you dismiss it. Without one it runs on
# a virtual display, saves screenshots and prints where they are.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)

scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows

scr="$root/build/windows/Vorlan Screen Saver 2.scr"
host="$root/build/windows/tests/e2e/preview_host.exe"
switch=${1:-/s}

# A prefix of its own that persists, so settings chosen with /c are there
# for the next /s.
export WINEPREFIX
WINEPREFIX=$(scripts/wine-prefix.sh "${VSS_WINEPREFIX:-$HOME/.local/share/vorlan-screen-saver-2/wine}")
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

command=("$scr" "$switch")
case "$switch" in
  /p|/P) command=("$host" host "$scr") ;;
esac

if [ -n "${DISPLAY:-}" ]; then
  wine "${command[@]}"
  exit $?
fi

shots="$root/build/screenshots"
mkdir -p "$shots"
exec 8<> <(:)
Xvfb -displayfd 8 -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'wineserver -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true' EXIT
read -r -t 10 display <&8
export DISPLAY=":$display"

# The preview host takes commands on its input: give it a pipe that stays
# open until this script ends.
fifo=$(mktemp -u)
mkfifo "$fifo"
exec 7<>"$fifo"
rm -f "$fifo"
wine "${command[@]}" <&7 >/dev/null 2>&1 &
program=$!
for _ in $(seq 1 200); do
  xdotool search --name "Vorlan Screen Saver 2|Preview" >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 1.5
name=$(printf '%s' "$switch" | tr -dc 'a-z')
import -window root "$shots/${name:-s}-1.png"
# The second shows the next frame, up to a deadline (the dialog has none).
for _ in $(seq 1 20); do
  import -window root "$shots/${name:-s}-2.png"
  cmp -s "$shots/${name:-s}-1.png" "$shots/${name:-s}-2.png" || break
  sleep 0.1
done
echo "screenshots: $shots/${name:-s}-1.png $shots/${name:-s}-2.png"
# Dismiss it as a user would; the dialog has no key of its own for that.
case "$switch" in
  /c*|/C*) xdotool key alt+c ;;
  /p|/P) kill "$program" 2>/dev/null || true ;;
  *) xdotool mousemove 100 100 mousemove 120 120 key space ;;
esac
for _ in $(seq 1 100); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
