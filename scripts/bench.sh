#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the benchmarks and the whole-tool comparison with sox (and the comparison of LV2
# plug-ins under lv2bench where bench/compare_with_lv2bench.sh exists), and regenerates
# docs/performance.md from their results. Takes several minutes; run it on an idle machine.
# BENCH_REPETITIONS (default 5) and SOX_RUNS (default 9) set the repetitions.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench -j2
results=build/bench/results
mkdir -p "$results"
# Repetitions run interleaved at random, so that a slow spell spreads over every case.
build/bench/bench/bramsoliket_bench --benchmark_repetitions="${BENCH_REPETITIONS:-5}" \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
  --benchmark_out="$results/bench.json" --benchmark_out_format=json
report_inputs=()
if command -v sox >/dev/null; then
  bash bench/compare_with_sox.sh build/bench/bramsoliket-host "$results/sox.json" "${SOX_RUNS:-9}"
  report_inputs+=(--sox "$results/sox.json")
fi
# Writes the JSON described in bench/report.py: the block, the runs and each plug-in's
# median nanoseconds per frame under lv2bench.
if [ -f bench/compare_with_lv2bench.sh ]; then
  bash bench/compare_with_lv2bench.sh "$results/lv2bench.json"
  report_inputs+=(--lv2bench "$results/lv2bench.json")
fi
python3 bench/report.py "$results/bench.json" docs/performance.md "${report_inputs[@]}"
