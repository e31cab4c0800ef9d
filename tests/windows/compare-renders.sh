#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# compare-renders.sh WINDOWS_RENDER LINUX_RENDER
# The Windows module's render of the fixed session must equal the Linux module's byte for
# byte. Exits 77 (a skip for CTest) when either render is missing: no Linux render was made
# (scripts/test-windows.sh makes one), or the Windows render could not run on this machine.
set -euo pipefail
windows=$1
linux=${2:-}
if [ -z "$linux" ] || [ ! -f "$linux" ]; then
  echo "SKIPPED: no Linux render to compare with (set BRAMSOLIKET_LINUX_RENDER)"
  exit 77
fi
if [ ! -f "$windows" ]; then
  echo "SKIPPED: no Windows render (it could not run here)"
  exit 77
fi
if cmp "$windows" "$linux"; then
  echo "renders are identical: $(stat -c %s "$windows") bytes"
else
  echo "FAILED: $windows ($(stat -c %s "$windows") bytes) differs from $linux ($(stat -c %s "$linux") bytes)"
  exit 1
fi
