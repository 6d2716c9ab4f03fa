#!/usr/bin/env bash
# Builds the two packages: the Debian package of the native build
# (build/native/packages/*.deb, checked with lintian) and the ZIP of the
# Windows build (build/windows/packages/*.zip). Prints where they are.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh
# Only this run's packages, so the paths printed below are never stale.
rm -rf build/native/packages build/windows/packages
cmake --workflow --preset deb
cmake --workflow --preset zip

deb=$(echo build/native/packages/*.deb)
zip=$(echo build/windows/packages/*.zip)
echo "=== lintian $deb ==="
lintian --fail-on error,warning "$deb"
echo "=== packages ==="
echo "$(pwd)/$deb"
echo "$(pwd)/$zip"
