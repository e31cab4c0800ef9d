#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The fuzz step of the test command: builds the libFuzzer targets (fuzz preset: clang,
# AddressSanitizer, UndefinedBehaviorSanitizer), replays every committed input of each target
# (its seeds in fuzz/corpus/<target>/ and the inputs of past findings in
# fuzz/regressions/<target>/), then fuzzes it from those seeds with a fixed seed and a fixed
# number of runs. Nothing depends on the clock, so a commit passes or fails the same way on
# every run; open-ended fuzzing with random seeds is scripts/fuzz-explore.sh.
# Ends with one line "fuzz: N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/fuzz-targets.sh

build=build/fuzz
work=$build/ci-work
artifacts=$build/ci-artifacts

if ! { cmake --preset fuzz >/dev/null && cmake --build --preset fuzz; }; then
  echo "fuzz: the fuzz targets did not build"
  echo "fuzz: 0 passed, ${#fuzz_targets[@]} failed"
  exit 1
fi

fixed=$(fuzz_fixed_addresses)
[ -n "$fixed" ] || echo "fuzz: note: address-space randomisation cannot be turned off here; runs may differ"
passed=0
failed=0
rm -rf "$work" "$artifacts"
mkdir -p "$artifacts"
for target in "${fuzz_targets[@]}"; do
  binary=$build/fuzz/fuzz_$target
  log=$build/fuzz_$target.log
  if [ ! -x "$binary" ]; then
    echo "fuzz_$target: not built"
    failed=$((failed + 1))
    continue
  fi
  mapfile -t committed < <(find "fuzz/corpus/$target" "fuzz/regressions/$target" -type f ! -name '*.py' \
                             ! -name '*.md' 2>/dev/null | LC_ALL=C sort)
  # Each committed input once, by name, so a failure names the file.
  "$binary" $(fuzz_flags "$target") "${committed[@]}" >"$log" 2>&1
  status=$?
  if [ "$status" -ne 0 ]; then
    echo "fuzz_$target: FAILED replaying the committed inputs (exit $status); log $log"
    grep -E -A12 'invariant broken|broke a rule|ERROR: |runtime error|terminate called' "$log" | head -n 40
    grep -E '^Running: ' "$log" | tail -n 1 | sed 's/^/  last input: /'
    failed=$((failed + 1))
    continue
  fi
  # Then a bounded, seeded search from the seeds; new inputs go to a fresh work folder.
  runs=$(fuzz_ci_runs "$target")
  mkdir -p "$work/$target"
  $fixed "$binary" $(fuzz_flags "$target") -seed="$fuzz_ci_seed" -runs="$runs" -reload=0 -timeout=60 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
    "$work/$target" "fuzz/corpus/$target" >>"$log" 2>&1
  status=$?
  rate=$(sed -nE 's/^stat::average_exec_per_sec: *([0-9]+)/\1/p' "$log" | tail -n 1)
  if [ "$status" -eq 0 ]; then
    echo "fuzz_$target: ${#committed[@]} committed inputs replayed, then $runs runs with seed $fuzz_ci_seed (${rate:-?} per second), no failure"
    passed=$((passed + 1))
  else
    echo "fuzz_$target: FAILED within $runs runs with seed $fuzz_ci_seed (exit $status); log $log"
    grep -E -A12 'invariant broken|broke a rule|ERROR: |runtime error|terminate called' "$log" | head -n 40
    ls "$artifacts"/"$target"-* 2>/dev/null | sed 's/^/  reproduce with: '"${binary//\//\\/}"' /'
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
