#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset, clang with ASan and UBSan)
# and runs each for the given number of seconds, one after the other.
#   ./fuzz.sh            600 seconds per target
#   ./fuzz.sh 20         a quick look
#   ./fuzz.sh 600 fuzz_text   one target only
# New inputs are kept in build/fuzz/fuzz-work/<target>; the seeds in
# fuzz/corpus/<target> are only read. A crash leaves its input in
# build/fuzz/fuzz-work/<target>-crash-* and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")"

seconds="${1:-600}"
shift || true
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  targets=(fuzz_tag_rule fuzz_text fuzz_pattern fuzz_size_text)
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2

status=0
for t in "${targets[@]}"; do
  work="build/fuzz/fuzz-work/$t"
  mkdir -p "$work"
  echo "=== $t: $seconds s ==="
  if ! "build/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="build/fuzz/fuzz-work/$t-" \
      "$work" "fuzz/corpus/$t" 2>"build/fuzz/fuzz-work/$t.log"; then
    status=1
    echo "$t FAILED; see build/fuzz/fuzz-work/$t.log"
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)|INITED|property broken|ERROR|runtime error' \
    "build/fuzz/fuzz-work/$t.log" || true
  tail -n 30 "build/fuzz/fuzz-work/$t.log" | grep -E '^#[0-9]+[[:space:]]+(DONE|pulse)' | tail -n 1 || true
done
exit "$status"
