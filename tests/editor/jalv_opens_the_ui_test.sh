#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A real LV2 host opens the plug-in's own window: jalv.gtk3 (on a JACK server of the test's
# own, with the dummy driver) loads the bundle, chooses the plug-in's X11 UI through suil and
# embeds it: the window of class bramsoliket-editor appears, and jalv names the UI it chose.
# Runs under run_under_xvfb.sh. Exit 77 (skipped) where jalv or JACK is not installed.
# Usage: jalv_opens_the_ui_test.sh BUNDLE
set -euo pipefail
bundle=$1
for tool in jalv.gtk3 jackd jack_wait xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/setup.sh hosts installs it)"
    exit 77
  fi
done
work=$(mktemp -d)
export JACK_DEFAULT_SERVER="bramsoliket-ui-test-$$"
export JACK_NO_AUDIO_RESERVATION=1
jackd --no-realtime -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
jack=$!
jalv=""
cleanup() {
  [ -n "$jalv" ] && kill "$jalv" 2>/dev/null && wait "$jalv" 2>/dev/null
  kill "$jack" 2>/dev/null && wait "$jack" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
if ! jack_wait -w -t 20 >/dev/null; then
  echo "FAIL: the JACK server did not start"
  cat "$work/jackd.log"
  exit 1
fi
mkdir "$work/lv2"
ln -s "$bundle" "$work/lv2/"
LV2_PATH="$work/lv2" jalv.gtk3 urn:bramsoliket:filter >"$work/jalv.log" 2>&1 &
jalv=$!
# Waits on the window (up to 30 seconds), looking again every tenth of a second.
window=""
for _ in $(seq 300); do
  window=$(xdotool search --classname '^bramsoliket-editor$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$jalv" 2>/dev/null || break
  sleep 0.1
done
fail=0
if [ -z "$window" ]; then
  echo "FAIL: jalv.gtk3 opened no window of the plug-in's own"
  fail=1
fi
if ! grep -q "^UI: *urn:bramsoliket:filter#ui$" "$work/jalv.log"; then
  echo "FAIL: jalv.gtk3 did not choose the plug-in's UI"
  fail=1
fi
[ "$fail" -eq 0 ] || grep -v "manifest.ttl" "$work/jalv.log" | head -40
[ "$fail" -eq 0 ] && echo "jalv.gtk3 opened the plug-in's own UI, window $window"
exit "$fail"
