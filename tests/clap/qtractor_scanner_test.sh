#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Loads the CLAP module in a real third-party host: Qtractor's plug-in scanner. It reads
# lines "CLAP:<path>" on standard input and prints one line for each plug-in it could
# create and initialise (the module has two: mono and stereo):
#   CLAP|<name>|<audio ins>:<audio outs>|<midi ins>:<midi outs>|<params in>:<params out>|<flags>|<path>|<index>|<id hash>
# Usage: qtractor_scanner_test.sh MODULE. Exit 77 (skipped) only where Qtractor is not installed.
set -euo pipefail
module=$1
scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan
if [ ! -x "$scanner" ]; then
  echo "SKIPPED: Qtractor's scanner ($scanner) is not installed; scripts/setup.sh installs it"
  exit 77
fi
output=$(echo "CLAP:$module" | QT_QPA_PLATFORM=offscreen timeout 60 "$scanner" 2>&1) || {
  echo "FAIL: the scanner exited with status $?: $output"
  exit 1
}
echo "$output"
lines=$(grep '^CLAP|' <<<"$output" || true)
if [ "$(grep -c . <<<"$lines")" -ne 2 ]; then
  echo "FAIL: expected two plug-in lines (mono and stereo) for $module"
  exit 1
fi
fail=0
expect() {
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1 is '$2', expected '$3'"
    fail=1
  fi
}
# The factory's order: the mono plug-in at index 0, the stereo one at 1.
check() {
  IFS='|' read -r _ name audio midi params _ path index _ <<<"$(sed -n "$1p" <<<"$lines")"
  expect name "$name" "$2"
  expect "$2 audio inputs:outputs" "$audio" "$3"
  expect "$2 MIDI inputs:outputs" "$midi" 0:0
  expect "$2 parameters in:out" "$params" 8:0
  expect "$2 path" "$path" "$module"
  expect "$2 index" "$index" "$(($1 - 1))"
}
check 1 "BRAMSOLIKET Mono" 1:2
check 2 "BRAMSOLIKET Stereo" 2:2
[ "$fail" -eq 0 ] && echo "Qtractor's scanner found both plug-ins as expected"
exit "$fail"
