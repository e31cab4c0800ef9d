#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer (asan preset,
# tools included), the concurrency stress test under ThreadSanitizer (tsan preset), and the
# host tool's renders (built-in signal; a file with automation) under Valgrind memcheck.
# Ends with one line "sanitizers: N passed, N failed" that counts every test case of the
# three parts; ctest's own summaries are shown reworded so that only that line is counted.
set -uo pipefail
cd "$(dirname "$0")/.."

passed=0
failed=0

# Runs a workflow preset, shows its output and adds its test counts.
run_workflow() {
  local preset=$1
  local log=build/sanitizers-$preset.log
  mkdir -p build
  echo "--- $preset"
  cmake --workflow --preset "$preset" >"$log" 2>&1
  local status=$?
  local summary
  summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  # Failing tests and sanitizer reports, if any.
  grep -E '\*\*\*Failed|Failed  |ERROR: (Address|Leak|Undefined|Thread)Sanitizer|runtime error|WARNING: ThreadSanitizer' "$log" | head -n 40
  if [ -n "$summary" ]; then
    local total fails
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    fails=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$summary")
    echo "$preset: $((total - fails)) of $total test cases passed"
    passed=$((passed + total - fails))
    failed=$((failed + fails))
  fi
  if [ "$status" -ne 0 ]; then
    echo "$preset: FAILED (exit $status); log $log"
    # Reworded so that this suite's closing line stays the one that is counted.
    tail -n 30 "$log" | sed -E 's/([0-9]+)% tests passed/\1 percent of tests passed/'
    [ -n "$summary" ] || failed=$((failed + 1))
  fi
}

run_workflow asan
run_workflow tsan

echo "--- valgrind"
scratch=$(mktemp -d)
# Runs the tool under memcheck; any error, or a definite leak, fails the case.
valgrind_case() {
  local name=$1; shift
  if valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
      build/default/bramsoliket-host "$@" >"build/sanitizers-valgrind-$name.log" 2>&1; then
    echo "valgrind $name: clean"
    passed=$((passed + 1))
  else
    echo "valgrind $name: FAILED; log build/sanitizers-valgrind-$name.log"
    tail -n 40 "build/sanitizers-valgrind-$name.log"
    failed=$((failed + 1))
  fi
}
if cmake --preset default >/dev/null && cmake --build --preset default --target bramsoliket-host BRAMSOLIKET -j2 >/dev/null; then
  # The built-in test signal with the program's defaults.
  valgrind_case render render -o "$scratch/default.wav"
  # That render as an input file, through four stages with resonance in large accumulating
  # blocks, with automation moving frequency, type and level meanwhile.
  cat >"$scratch/automation.json" <<'JSON'
[{"seconds": 0.5, "parameter": "Freq", "value": 0.9}, {"sample": 30000, "parameter": "Type", "value": 0.5},
 {"seconds": 2.5, "parameter": "Level", "value": 1.0}, {"seconds": 3, "parameter": "Freq", "value": 0.0}]
JSON
  valgrind_case render-file-automation render -i "$scratch/default.wav" -o "$scratch/automated.wav" \
    --set Cutoff=1 --set Res=1 --set Smooth=0 --block 8192 --accumulate --automation "$scratch/automation.json"
else
  echo "valgrind: the host tool did not build"
  failed=$((failed + 1))
fi
rm -rf "$scratch"

echo "sanitizers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
