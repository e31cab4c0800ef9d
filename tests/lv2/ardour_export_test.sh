#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The LV2 plug-in in a real host: Ardour's headless Lua tool builds a session with the
# plug-in on a track (ardour_session.lua), ardour7-export renders it to a 32-bit float file,
# and the file equals the VST module's render of the same input and setting bit for bit, at
# 44.1 and 48 kHz, with Ardour's own audio-thread float mode in force. A fresh instance's
# frequency reads the description's default in hertz there, at both rates.
# With INLINE_DISPLAY_PROBE (a stand-in module that hands every call on to the bundle's and
# writes down what the host does with Ardour's inline display), Ardour loads the plug-in through
# it, and the test also checks that Ardour offered queue_draw, asked for the display interface
# and was asked for pictures, while the export stays equal to the VST render.
# Usage: ardour_export_test.sh VST_REFERENCE BUNDLE LUA_SCRIPT [INLINE_DISPLAY_PROBE]. Exit 77
# (skipped) only where Ardour is not installed.
set -euo pipefail
reference=$1
bundle=$2
script=$3
probe=${4:-}
for tool in ardour7-lua ardour7-export; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: Ardour's $tool is not installed; scripts/setup.sh installs it"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Ardour finds the bundle through LV2_PATH and keeps its configuration away from the user's.
mkdir "$work/lv2"
if [ -n "$probe" ]; then
  mkdir "$work/lv2/bramsoliket.lv2"
  cp "$bundle"/*.ttl "$work/lv2/bramsoliket.lv2/"
  ln -s "$probe" "$work/lv2/bramsoliket.lv2/bramsoliket.so"
  export BRAMSOLIKET_PROBE_LOG="$work/probe.log"
else
  ln -s "$bundle" "$work/lv2/bramsoliket.lv2"
fi
export LV2_PATH="$work/lv2" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"

# BandPass differs from the default type: the type change jumps to the stored frequency and
# resonance in the plug-in's first run, so no glide depends on how long Ardour runs it
# before the export begins.
settings=(Freq=0.3 Res=0.8 Smooth=0.02 Type=0.5 Cutoff=0.6666667 Dry/Wet=0.7 Level=0.35)
fail=0
for rate in 44100 48000; do
  session="$work/session-$rate"
  "$reference" controls "$rate" "${settings[@]}" >"$work/controls-$rate"
  if ! timeout 300 ardour7-lua "$script" "$session" "$rate" "$work/controls-$rate" >"$work/lua-$rate.log" 2>&1; then
    cat "$work/lua-$rate.log"
    echo "FAIL: ardour7-lua could not build the session at $rate Hz"
    fail=1
    continue
  fi
  if ! timeout 300 ardour7-export -b float -o "$work/export-$rate.wav" "$session" session >"$work/export-$rate.log" 2>&1; then
    cat "$work/export-$rate.log"
    echo "FAIL: ardour7-export failed at $rate Hz"
    fail=1
    continue
  fi
  # A fresh instance starts on the description's default frequency in hertz at every rate.
  fresh=$(sed -n 's/^fresh freq //p' "$work/lua-$rate.log")
  if [ "$fresh" != "5101.87842" ]; then
    echo "FAIL: a fresh instance's Freq reads '$fresh' in Ardour at $rate Hz, not 5101.87842"
    fail=1
  fi
  recorded=$(find "$session/interchange" -name '*.wav' -type f | head -n 1)
  echo "at $rate Hz:"
  # The recording starts one second (rate frames) into the export.
  "$reference" compare --lead-in "$rate" "$recorded" "$work/export-$rate.wav" "${settings[@]}" || fail=1
done
[ "$fail" -eq 0 ] && echo "Ardour's export equals the VST module's render"
if [ -n "$probe" ]; then
  echo "what Ardour did with the inline display, per instance:"
  cat "$work/probe.log" 2>/dev/null || true
  for line in "queue_draw offered: yes" "interface asked for: yes"; do
    grep -qx "$line" "$work/probe.log" 2>/dev/null || { echo "FAIL: no instance says \"$line\""; fail=1; }
  done
  grep -Eqx 'redraw requests: [1-9][0-9]*' "$work/probe.log" 2>/dev/null ||
    { echo "FAIL: the plug-in never asked Ardour for a picture"; fail=1; }
fi
exit "$fail"
