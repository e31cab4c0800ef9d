#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Open-ended fuzzing, outside the test command: every target (or the ones named) for a time
# each, on both cores, with a random seed, continuing from what earlier runs found in
# build/fuzz/explore/<target>/. Prints each target's executions and findings; a finding's
# input lands in build/fuzz/explore-artifacts/. What to do with a finding: docs/fuzzing.md.
#
#   bash scripts/fuzz-explore.sh                 # 20 minutes per target
#   BRAMSOLIKET_FUZZ_SECONDS=3600 bash scripts/fuzz-explore.sh module_calls
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/fuzz-targets.sh

seconds=${BRAMSOLIKET_FUZZ_SECONDS:-1200}
jobs=${BRAMSOLIKET_FUZZ_JOBS:-2}
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${fuzz_targets[@]}")
build=build/fuzz
explore=$build/explore
artifacts=$build/explore-artifacts

cmake --preset fuzz >/dev/null && cmake --build --preset fuzz || exit 1
mkdir -p "$artifacts"
findings=0
for target in "${targets[@]}"; do
  binary=$build/fuzz/fuzz_$target
  mkdir -p "$explore/$target"
  before=$(ls "$artifacts" | grep -c "^$target-" || true)
  # -fork keeps going after a finding, so one run reports everything it finds.
  "$binary" $(fuzz_flags "$target") -fork="$jobs" -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1 \
    -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$target-" "$explore/$target" "fuzz/corpus/$target" \
    >"$build/explore_$target.log" 2>&1
  execs=$(grep -oE '#[0-9]+' "$build/explore_$target.log" | tail -n 1 | tr -d '#')
  after=$(ls "$artifacts" | grep -c "^$target-" || true)
  found=$((after - before))
  findings=$((findings + found))
  echo "fuzz_$target: ${execs:-?} executions in ${seconds} s on $jobs processes, corpus $(ls "$explore/$target" | wc -l) inputs, $found finding(s)"
done
[ "$findings" -eq 0 ] || echo "findings are in $artifacts; see docs/fuzzing.md"
