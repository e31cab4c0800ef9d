#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything and runs every test: the 64-bit and 32-bit Linux builds, then each
# further suite that has its own script. The suites share what they can: the 64-bit build is
# the one the Windows renders are compared with, the one Valgrind, the web page's tests and
# the packages use, so nothing is built twice with the same flags. Ends with each suite's
# time, the total, and one line counting all test cases.
set -uo pipefail
cd "$(dirname "$0")/.."

passed=0
failed=0
log_dir=build/test-logs
timings=()
run_start=$SECONDS

# Minutes and seconds of a duration in seconds.
clock() { printf '%d:%02d' $(($1 / 60)) $(($1 % 60)); }

setup_start=$SECONDS
bash scripts/setup.sh || exit 1
timings+=("setup $((SECONDS - setup_start))")
mkdir -p "$log_dir"

# Runs one suite; its output must contain ctest's summary line, or the suite's own
# "N passed, N failed" line.
run_suite() {
  local name=$1; shift
  echo "=== $name"
  local log="$log_dir/$name.log"
  local start=$SECONDS
  "$@" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  timings+=("$name $((SECONDS - start))")
  # Every ctest summary in the log counts (a suite may run several), else the plain line.
  local counts
  counts=$(grep -E '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" |
    sed -E 's/.*passed, ([0-9]+) tests failed out of ([0-9]+).*/\1 \2/')
  if [ -n "$counts" ]; then
    while read -r fails total; do
      passed=$((passed + total - fails))
      failed=$((failed + fails))
    done <<<"$counts"
  elif line=$(grep -E '^[a-z-]*:? ?[0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1); then
    passed=$((passed + $(sed -E 's/.*\b([0-9]+) passed.*/\1/' <<<"$line")))
    failed=$((failed + $(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$line")))
  fi
  if [ "$status" -ne 0 ]; then
    echo "=== $name FAILED (exit $status)"
    failed=$((failed + 1))
  fi
}

run_suite linux-64 cmake --workflow --preset default
run_suite linux-32 cmake --workflow --preset m32
for extra in scripts/test-windows.sh scripts/test-sanitizers.sh scripts/test-web.sh scripts/test-package.sh scripts/test-fuzz.sh; do
  if [ -f "$extra" ]; then
    run_suite "$(basename "$extra" .sh)" bash "$extra"
  fi
done

echo "=== times"
for timing in "${timings[@]}"; do
  printf '%-16s %8s\n' "${timing% *}" "$(clock "${timing##* }")"
done
printf '%-16s %8s\n' total "$(clock $((SECONDS - run_start)))"
echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
