#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Loads the CLAP module in a real third-party host: Qtractor's plug-in scanner. It reads
# lines "CLAP:<path>" on standard input and prints one line for each plug-in it could
# create and initialise:
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
line=$(grep '^CLAP|' <<<"$output" || true)
if [ "$(grep -c . <<<"$line")" -ne 1 ]; then
  echo "FAIL: expected exactly one plug-in line for $module"
  exit 1
fi
IFS='|' read -r _ name audio midi params _ path _ <<<"$line"
fail=0
expect() {
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1 is '$2', expected '$3'"
    fail=1
  fi
}
expect name "$name" BRAMSOLIKET
expect "audio inputs:outputs" "$audio" 1:2
expect "MIDI inputs:outputs" "$midi" 0:0
expect "parameters in:out" "$params" 8:0
expect path "$path" "$module"
[ "$fail" -eq 0 ] && echo "Qtractor's scanner found the plug-in as expected"
exit "$fail"
