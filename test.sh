#!/usr/bin/env bash
# Builds the native, sanitizer and Windows builds and runs every test suite
# (the Windows one under Wine). Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

jobs=$(nproc)
for preset in linux linux-asan windows; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
echo "All test suites passed."
