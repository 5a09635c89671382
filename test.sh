#!/usr/bin/env bash
# Builds the native, sanitizer and Windows builds and runs every test suite
# (the Windows one under Wine), then runs each fuzz target for 20 seconds and
# the benchmark once on its small library. Exits non-zero on the first
# failure.
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

echo "=== fuzz (20 s per target) ==="
./fuzz.sh 20

echo "=== benchmark smoke run (small library, no timing asserted) ==="
BENCH_RECORD=0 RUNS=3 bench/run small

echo "All test suites passed."
