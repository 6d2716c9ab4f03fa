#!/usr/bin/env bash
# Wine prefixes for the saver, prepared in one place.
#   scripts/wine-prefix.sh          prints the shared template, made once per user
#                                   and Wine version
#   scripts/wine-prefix.sh DIR      makes DIR a private prefix copied from it
#                                   (unless DIR is one already) and prints DIR
# The template is booted without Mono or Gecko (asking for them would hang on
# a dialog or the network) and has Wine's own fonts in the prefix, the only
# place this Wine looks, so dialogs get "MS Sans Serif" and not a wider face.
set -euo pipefail

version=$(wine --version 2>/dev/null | tr -c 'A-Za-z0-9.\n' '_')
root=${VSS_WINE_CACHE:-${TMPDIR:-/tmp}/vss-wine-$(id -u)}
template="$root/template-$version"
mkdir -p "$root"

exec 9>"$root/lock"
flock 9
if [ ! -f "$template/.ready" ]; then
  rm -rf "$template"
  WINEPREFIX="$template" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY= \
    wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX="$template" wineserver -w || true
  if [ ! -f "$template/system.reg" ]; then
    echo "wine-prefix: wineboot did not create a prefix in $template" >&2
    exit 1
  fi
  mkdir -p "$template/drive_c/windows/Fonts"
  if [ -d /usr/share/wine/fonts ]; then
    cp -f /usr/share/wine/fonts/* "$template/drive_c/windows/Fonts/"
  fi
  touch "$template/.ready"
fi
exec 9>&-

dest=${1:-}
if [ -z "$dest" ]; then
  printf '%s\n' "$template"
  exit 0
fi
if [ ! -f "$dest/system.reg" ]; then
  mkdir -p "$(dirname "$dest")"
  # Hard links make the copy instant; the registry files, which Wine rewrites
  # in place, get copies of their own.
  cp -al "$template" "$dest" 2>/dev/null || { rm -rf "$dest"; cp -a "$template" "$dest"; }
  for reg in "$template"/*.reg; do
    cp --remove-destination "$reg" "$dest/$(basename "$reg")"
  done
fi
printf '%s\n' "$dest"
