#!/usr/bin/env bash
# Builds everything and runs every test: the C++ files' formatting, the unit
# tests on the host, the same tests and the fuzzer under ASan/UBSan, and the
# Windows build with its tests under Wine on a virtual display.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh || exit 1

status=0
echo "=== format ==="
# Every tracked C++ file as .clang-format lays it out; the errors name the
# lines, and clang-format -i mends them.
if ! git ls-files -z -- '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run -Werror; then
  echo "=== format: FAILED ==="
  status=1
fi
for preset in native sanitize windows; do
  echo "=== $preset ==="
  if ! cmake --workflow --preset "$preset"; then
    echo "=== $preset: FAILED ==="
    status=1
  fi
done

if [ "$status" -eq 0 ]; then
  echo "=== all test suites passed ==="
else
  echo "=== some test suites failed ==="
fi
exit "$status"
