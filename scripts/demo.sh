#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The main job: set up, build, and let you hear and see BRAMSOLIKET without a DAW.
# Renders the built-in test signal through the filter at a few settings into demo/, and
# draws demo/response-types.png (the five filter types) and demo/response-resonance.png
# (several "Res" values).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

# Only what building the module and the tool needs (the test suite's packages are
# scripts/test.sh's); the tests are not configured, so GoogleTest is not needed either.
bash scripts/setup.sh build
cmake --preset default -DBRAMSOLIKET_TESTS=OFF -DBRAMSOLIKET_DEBUG_INFO=OFF
cmake --build build/default -j2 --target BRAMSOLIKET bramsoliket-host

host=build/default/bramsoliket-host
out=demo
mkdir -p "$out"

render() {
  local name=$1
  shift
  "$host" render -o "$out/$name.wav" "$@"
}

echo "== the module as a host sees it"
"$host" info

echo "== rendering the built-in test signal (impulse, noise, sweep; 4 s at 44100 Hz)"
render lowpass-default
render lowpass-resonant --set Freq=0.35 --set Res=0.8
render highpass-24db --set Type=0.25 --set Cutoff=0.34 --set Freq=0.4
render bandpass --set Type=0.5 --set Freq=0.45 --set Res=0.5
render resonant-peak --set Type=0.75 --set Res=0.9 --set Freq=0.3
render lowpass-48db-half-wet --set Cutoff=1 --set Freq=0.25 --set Dry/Wet=0.5

# A sweep of "Freq" while the signal plays: the filter glides one table row at a time.
cat > "$out/freq-sweep.json" <<'JSON'
[
  {"seconds": 0.0, "parameter": "Freq", "value": 0.05},
  {"seconds": 1.0, "parameter": "Freq", "value": 0.9},
  {"seconds": 2.0, "parameter": "Freq", "value": 0.2},
  {"seconds": 3.0, "parameter": "Res", "value": 0.9}
]
JSON
render automated-freq --automation "$out/freq-sweep.json" --set Smooth=0.2

echo "== measuring and drawing responses"
"$host" response -o "$out/response-types.png" --compare Type=0,0.25,0.5,0.75,1 --set Res=0.3 \
  --csv "$out/response-types.csv"
"$host" response -o "$out/response-resonance.png" --compare Res=0,0.25,0.5,0.75,1 \
  --csv "$out/response-resonance.csv"
"$host" response -o "$out/response-cutoff.png" --compare Cutoff=0,0.34,0.67,1 --set Freq=0.3

echo
echo "Done. Everything is in $root/$out/:"
echo "  audio:     $out/*.wav (two channels, 32-bit float)"
echo "  plots:     $out/response-types.png, $out/response-resonance.png, $out/response-cutoff.png"
echo "  numbers:   $out/response-types.csv, $out/response-resonance.csv"
