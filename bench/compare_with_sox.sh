#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Whole-tool comparison: bramsoliket-host rendering a 10-minute 44100 Hz mono WAV at the
# default settings, against sox applying a two-pole low-pass to the same file. The two are
# alternated over several runs; the medians and their ratio are printed and written as JSON.
# Usage: compare_with_sox.sh HOST_TOOL OUTPUT_JSON [RUNS]
set -euo pipefail
tool=$1
result=$2
runs=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Deterministic input: pink-ish noise from sox's generator with a fixed seed.
sox -R -n -r 44100 -c 1 -b 16 "$work/in.wav" synth 600 pinknoise vol 0.5
# One untimed run of each so both start with the file in the page cache.
"$tool" render -i "$work/in.wav" -o "$work/ours.wav" >/dev/null
sox "$work/in.wav" "$work/sox.wav" lowpass 5000

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN {printf "%.4f", b - a}' 
}

ours=()
theirs=()
for ((i = 0; i < runs; i++)); do
  ours+=("$(seconds "$tool" render -i "$work/in.wav" -o "$work/ours.wav")")
  theirs+=("$(seconds sox "$work/in.wav" "$work/sox.wav" lowpass 5000)")
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
ours_median=$(median "${ours[@]}")
sox_median=$(median "${theirs[@]}")
ratio=$(awk -v a="$ours_median" -v b="$sox_median" 'BEGIN {printf "%.4f", a / b}')
printf 'bramsoliket-host render: median %.3f s over %d runs (%s)\n' "$ours_median" "$runs" "${ours[*]}"
printf 'sox lowpass 5000:        median %.3f s over %d runs (%s)\n' "$sox_median" "$runs" "${theirs[*]}"
printf 'ratio (ours / sox):      %.3f\n' "$ratio"
cat >"$result" <<JSON
{"runs": $runs, "ours_seconds": [$(IFS=,; echo "${ours[*]}")], "sox_seconds": [$(IFS=,; echo "${theirs[*]}")],
 "ours_median": $ours_median, "sox_median": $sox_median, "ratio": $ratio}
JSON
