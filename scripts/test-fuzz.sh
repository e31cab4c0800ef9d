#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz preset: clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for a bounded time, starting from the seeds in fuzz/corpus/<target>/. Prints
# each target's executions and rate, then one closing line "fuzz: N passed, N failed".
#
# BRAMSOLIKET_FUZZ_SECONDS sets the time per target (default 60); see docs/fuzzing.md for
# longer runs and for reproducing a failure.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${BRAMSOLIKET_FUZZ_SECONDS:-60}
targets=(module_calls value_text clap_state automation audio_file)
build=build/fuzz
work=$build/corpus-work
artifacts=$build/artifacts

if ! { cmake --preset fuzz >/dev/null && cmake --build --preset fuzz; }; then
  echo "fuzz: the fuzz targets did not build"
  echo "fuzz: 0 passed, ${#targets[@]} failed"
  exit 1
fi

passed=0
failed=0
mkdir -p "$artifacts"
for target in "${targets[@]}"; do
  binary=$build/fuzz/fuzz_$target
  log=$build/fuzz_$target.log
  mkdir -p "$work/$target"
  if [ ! -x "$binary" ]; then
    echo "fuzz_$target: not built"
    failed=$((failed + 1))
    continue
  fi
  # New inputs go to the work folder; the committed seeds are only read.
  "$binary" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$target-" "$work/$target" "fuzz/corpus/$target" >"$log" 2>&1
  status=$?
  runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$log" | tail -n 1)
  rate=$(sed -nE 's/^stat::average_exec_per_sec: *([0-9]+)/\1/p' "$log" | tail -n 1)
  if [ "$status" -eq 0 ]; then
    echo "fuzz_$target: ${runs:-?} executions in ${seconds} s (${rate:-?} per second), no failure"
    passed=$((passed + 1))
  else
    echo "fuzz_$target: FAILED after ${runs:-?} executions (exit $status); log $log"
    grep -E -A12 'invariant broken|rule|ERROR: |runtime error|terminate called' "$log" | head -n 40
    ls "$artifacts"/"$target"-* 2>/dev/null | sed 's/^/  reproduce with: '"${binary//\//\\/}"' /'
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
