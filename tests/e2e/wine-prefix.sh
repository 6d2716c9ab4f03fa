#!/usr/bin/env bash
# Prints the path of a ready Wine prefix template, creating it once per user
# and Wine version: booted, with Wine's own fonts installed where this Wine
# looks for them (the prefix), so dialogs get "MS Sans Serif" and not a
# wider fallback face.
set -euo pipefail

version=$(wine --version 2>/dev/null | tr -c 'A-Za-z0-9.\n' '_')
root=${VSS_WINE_CACHE:-${TMPDIR:-/tmp}/vss-wine-$(id -u)}
template="$root/template-$version"
mkdir -p "$root"

exec 9>"$root/lock"
flock 9
if [ ! -f "$template/.ready" ]; then
  rm -rf "$template"
  # No Mono or Gecko: the prefix needs neither, and asking for them would
  # hang on a dialog or the network.
  WINEPREFIX="$template" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY= \
    wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX="$template" wineserver -w || true
  if [ ! -f "$template/system.reg" ]; then
    echo "wine-prefix: wineboot did not create a prefix in $template" >&2
    exit 1
  fi
  fonts="$template/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  if [ -d /usr/share/wine/fonts ]; then
    cp -f /usr/share/wine/fonts/* "$fonts/"
  fi
  touch "$template/.ready"
fi
printf '%s\n' "$template"
