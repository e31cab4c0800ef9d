#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Our LV2 build against peers users pick today, under Debian's lv2bench (lilv-utils), each at
# the defaults of its description: Calf Filter (a 12 dB/oct low-pass by default, like ours)
# and, for scale, x42's fil4 mono equaliser. lv2bench feeds silence and reports the seconds a
# plug-in took for all frames; the runs alternate between the plug-ins, and the median time
# per frame of each is written as the JSON bench/report.py reads.
# (Our Freq default is written as a fraction of the rate, which lv2bench does not scale: it
# runs the lowest row. The arithmetic per frame is the same at every row.)
# Usage: compare_with_lv2bench.sh OUTPUT_JSON [BUNDLE_FOLDER] [RUNS]
set -euo pipefail
result=$1
# lilv needs an absolute LV2_PATH (a relative one crashes lv2ls and lv2bench alike).
bundles=$(realpath "${2:-build/bench}")
runs=${3:-5}
block=512
frames=4410000

ours_uri=urn:bramsoliket:filter
calf_uri=http://calf.sourceforge.net/plugins/Filter
fil4_uri='http://gareus.org/oss/lv2/fil4#mono'

# Seconds for all frames, from lv2bench's line "SECONDS URI".
time_of() {
  local path=$1 uri=$2
  LV2_PATH=$path lv2bench -b "$block" -n "$frames" "$uri" 2>/dev/null | awk -v uri="$uri" '$2 == uri {print $1}'
}
ns_per_frame() { awk -v s="$1" -v n="$frames" 'BEGIN {printf "%.3f", s * 1e9 / n}'; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

ours=() calf=() fil4=()
for ((i = 0; i < runs; i++)); do
  ours+=("$(ns_per_frame "$(time_of "$bundles" "$ours_uri")")")
  calf+=("$(ns_per_frame "$(time_of /usr/lib/lv2 "$calf_uri")")")
  fil4+=("$(ns_per_frame "$(time_of /usr/lib/lv2 "$fil4_uri")")")
done
ours_median=$(median "${ours[@]}")
calf_median=$(median "${calf[@]}")
fil4_median=$(median "${fil4[@]}")
printf 'lv2bench, block %d: ours %.2f ns/frame, Calf Filter %.2f, fil4 mono %.2f (medians of %d)\n' \
  "$block" "$ours_median" "$calf_median" "$fil4_median" "$runs"
cat >"$result" <<JSON
{"block": $block, "runs": $runs, "frames": $frames,
 "ours_ns_per_frame": $ours_median, "calf_filter_ns_per_frame": $calf_median, "fil4_mono_ns_per_frame": $fil4_median,
 "ours_runs": [$(IFS=,; echo "${ours[*]}")], "calf_filter_runs": [$(IFS=,; echo "${calf[*]}")],
 "fil4_mono_runs": [$(IFS=,; echo "${fil4[*]}")]}
JSON
