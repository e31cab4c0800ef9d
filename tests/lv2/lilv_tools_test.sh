#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The bundle through Debian's lilv tools, as a user runs them: lv2ls lists both plug-ins with
# LV2_PATH at the build folder, lv2info shows the mono one's ports, and lv2apply renders a
# file (made with sox) that equals the VST module's render of the same setting bit for bit,
# at 44.1 and 48 kHz; through the stereo plug-in, a stereo file whose two channels differ
# comes out as the VST module's render of each channel.
# Usage: lilv_tools_test.sh VST_REFERENCE BUNDLE
set -euo pipefail
reference=$1
bundle=$2
uri=urn:bramsoliket:filter
stereo_uri=urn:bramsoliket:filter-stereo
for tool in lv2ls lv2info lv2apply sox; do
  if ! command -v "$tool" >/dev/null; then
    echo "FAIL: $tool is not installed; scripts/setup.sh installs it"
    exit 1
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The build folder holds other things than bundles; lilv says so on stderr, which is dropped.
export LV2_PATH
LV2_PATH=$(dirname "$bundle")
fail=0

listed=$(lv2ls 2>/dev/null)
for listed_uri in "$uri" "$stereo_uri"; do
  if ! grep -qx "$listed_uri" <<<"$listed"; then
    echo "FAIL: lv2ls with LV2_PATH=$LV2_PATH does not list $listed_uri"
    echo "$listed"
    fail=1
  fi
done

info=$(lv2info "$uri" 2>/dev/null)
expect_info() {
  if ! grep -qF -- "$1" <<<"$info"; then
    echo "FAIL: lv2info shows no \"$1\""
    fail=1
  fi
}
expect_info "Name:              BRAMSOLIKET Mono"
expect_info "Has latency:       no"
# lv2info lists the optional features one to a line in no fixed order, the first after the
# heading: the feature is on one of the lines from the heading to the next field.
optional_features=$(sed -n '/^\tOptional Features:/,/^\t[A-Z][A-Za-z ]*:/p' <<<"$info")
if ! grep -qE '[[:space:]]http://lv2plug.in/ns/lv2core#hardRTCapable$' <<<"$optional_features"; then
  echo "FAIL: lv2info lists no optional feature http://lv2plug.in/ns/lv2core#hardRTCapable"
  fail=1
fi
# The plug-in's own UI, where the bundle has one (the 64-bit build).
if [ -f "$bundle/bramsoliket_ui.so" ]; then
  expect_info "urn:bramsoliket:filter#ui"
  expect_info "Class:  http://lv2plug.in/ns/extensions/ui#X11UI"
fi
for symbol in freq res smooth type slope mix level in out_left out_right peak enabled; do
  expect_info "Symbol:      $symbol"
done
for label in LowPass HighPass BandPass Resonant Thru "12 dB/Oct" "24 dB/Oct" "36 dB/Oct" "48 dB/Oct"; do
  expect_info "\"$label\""
done
expect_info "Minimum:     -144.000000"
expect_info "Maximum:     6.020600"
[ "$fail" -eq 0 ] || echo "$info"

settings=(Freq=0.62 Res=0.55 Smooth=0.004 Type=0.75 Cutoff=0.3333333 Dry/Wet=0.8 Level=0.3)
for rate in 44100 48000; do
  # Noise and a sweep, both loud enough to drive the limiter.
  sox -n -r "$rate" -c 1 -e floating-point -b 32 "$work/in-$rate.wav" \
    synth 2 whitenoise synth 2 sine mix 30-16000 vol 0.9 2>/dev/null
  controls=()
  while read -r symbol value; do controls+=(-c "$symbol" "$value"); done < <("$reference" controls "$rate" "${settings[@]}")
  if ! lv2apply -i "$work/in-$rate.wav" -o "$work/out-$rate.wav" "${controls[@]}" "$uri" 2>"$work/lv2apply.log"; then
    cat "$work/lv2apply.log"
    echo "FAIL: lv2apply failed at $rate Hz"
    fail=1
    continue
  fi
  echo "lv2apply at $rate Hz:"
  "$reference" compare "$work/in-$rate.wav" "$work/out-$rate.wav" "${settings[@]}" || fail=1
done

# Noise on the left, a sweep on the right, through the stereo plug-in at 44.1 kHz.
sox -n -r 44100 -c 2 -e floating-point -b 32 "$work/stereo-in.wav" \
  synth 2 whitenoise sine 30-16000 vol 0.9 2>/dev/null
controls=()
while read -r symbol value; do controls+=(-c "$symbol" "$value"); done < <("$reference" controls 44100 "${settings[@]}")
if lv2apply -i "$work/stereo-in.wav" -o "$work/stereo-out.wav" "${controls[@]}" "$stereo_uri" 2>"$work/lv2apply.log"; then
  echo "lv2apply through the stereo plug-in:"
  "$reference" compare --each-channel "$work/stereo-in.wav" "$work/stereo-out.wav" "${settings[@]}" || fail=1
else
  cat "$work/lv2apply.log"
  echo "FAIL: lv2apply failed through the stereo plug-in"
  fail=1
fi
[ "$fail" -eq 0 ] && echo "lv2ls, lv2info and lv2apply see the plug-in as expected"
exit "$fail"
