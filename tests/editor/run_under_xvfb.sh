#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command with DISPLAY set to an Xvfb of its own, which it starts on a free display
# number (Xvfb reports it once it accepts connections) and stops afterwards. Exits 77 (a
# skip) where Xvfb is not installed.
# Usage: run_under_xvfb.sh COMMAND [ARGUMENT...]
set -euo pipefail
if ! command -v Xvfb >/dev/null; then
  echo "SKIP: Xvfb is not installed (scripts/setup.sh test installs xvfb)"
  exit 77
fi
work=$(mktemp -d)
fifo="$work/display"
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$fifo" 2>"$work/xvfb.log" &
xvfb=$!
cleanup() {
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
if ! read -r -t 30 number <"$fifo"; then
  echo "FAIL: Xvfb did not start"
  cat "$work/xvfb.log"
  exit 1
fi
DISPLAY=":$number" "$@"
