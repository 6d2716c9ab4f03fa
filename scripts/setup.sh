#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that
# are missing. Run as root (or with sudo available) on Debian 12.
set -euo pipefail

packages=(
  cmake ninja-build g++ python3
  libgtest-dev libgmock-dev
  libasound2-dev libasound2 libasound2-data
  clang libclang-rt-14-dev clang-format
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools wixl
  wine wine64 fonts-wine
  xvfb xauth xdotool x11-utils x11-apps x11-xserver-utils imagemagick sox
  xserver-xorg-core xserver-xorg-video-dummy
  libx11-dev libx11-xcb-dev libxext-dev libxrandr-dev libxfixes3
  libgtk-3-dev pkg-config
  libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev
  sway swaybg grim wtype swayidle
  dpkg-dev file lintian desktop-file-utils
  xscreensaver xscreensaver-data xsecurelock openbox
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: run as root to install ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
