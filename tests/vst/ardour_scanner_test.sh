#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Loads the module in a real third-party host: Ardour's headless plug-in scanner. The scanner
# exits 0 even when it finds nothing, so what counts is the index file it writes.
# Usage: ardour_scanner_test.sh MODULE. Exit 77 (skipped) only where Ardour is not installed.
set -euo pipefail
module=$1
scanner=/usr/lib/ardour7/ardour-vst-scanner
if [ ! -x "$scanner" ]; then
  echo "SKIPPED: Ardour's scanner ($scanner) is not installed; scripts/setup.sh installs it"
  exit 77
fi
cache=$(mktemp -d)
trap 'rm -rf "$cache"' EXIT
XDG_CACHE_HOME="$cache" LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 120 "$scanner" -f "$module"
index=$(find "$cache/ardour7/vst" -name '*.v2i' -type f | head -n 1)
if [ -z "$index" ]; then
  echo "FAIL: the scanner wrote no index file for $module"
  exit 1
fi
cat "$index"
fail=0
expect() {
  if ! grep -q "$1" "$index"; then
    echo "FAIL: index lacks $1"
    fail=1
  fi
}
expect 'id="1114788715"'            # "BrSk" as a 32-bit integer
expect 'n_inputs="1"'
expect 'n_outputs="2"'
expect 'can_process_replace="1"'
expect 'has_editor="0"'
expect 'is_instrument="0"'
[ "$fail" -eq 0 ] && echo "Ardour's scanner found the plug-in as expected"
exit "$fail"
