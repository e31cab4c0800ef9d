#!/usr/bin/env bash
# Runs the benchmarks and the whole-tool comparison with sox, and regenerates
# docs/performance.md from their results. Takes a few minutes; run it on an idle machine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench -j2
mkdir -p build/bench/results
build/bench/bench/bramsoliket_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out=build/bench/results/bench.json --benchmark_out_format=json
bash bench/compare_with_sox.sh build/bench/bramsoliket-host build/bench/results/sox.json "${SOX_RUNS:-5}"
python3 bench/report.py build/bench/results/bench.json build/bench/results/sox.json docs/performance.md
