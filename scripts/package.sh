#!/usr/bin/env bash
# Builds the packages: the Debian package of the native build
# (build/native/packages/*.deb, checked with lintian), and the ZIP and the
# installer of the Windows build (build/windows/packages/*.zip, *.msi).
# Prints where they are.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh
# Only this run's packages, so the paths printed below are never stale.
rm -rf build/native/packages build/windows/packages

cmake --workflow --preset deb
deb=$(echo build/native/packages/*.deb)
echo "=== lintian $deb ==="
lintian --fail-on error,warning "$deb"

cmake --workflow --preset zip
zip=$(echo build/windows/packages/*.zip)
msi=$(echo build/windows/packages/*.msi)

echo "=== packages ==="
echo "$(pwd)/$deb"
echo "$(pwd)/$zip"
echo "$(pwd)/$msi"
