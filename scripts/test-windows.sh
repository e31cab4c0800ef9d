#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds BRAMSOLIKET.dll and BRAMSOLIKET.clap for 32-bit and 64-bit Windows with the
# MinGW-w64 cross compilers (presets mingw32 and mingw64) and tests them under Wine: the
# import and export tables, Windows test hosts that load each module as a host does, and
# renders of fixed sessions that must equal the Linux modules' renders bit for bit. Run from
# anywhere; expects the packages of scripts/setup.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

export WINEDEBUG=-all
export DISPLAY=
export WINEPREFIX="$root/build/wine-prefix"

# The reference: the 64-bit Linux modules of the default build (which the test command has
# built already, and which is built here when this script runs on its own), rendered by the
# same render programs built natively.
reference_build="$root/build/windows-reference"
cmake --preset default >/dev/null
cmake --build build/default --target BRAMSOLIKET BRAMSOLIKET_clap -j2
cmake -S tests/windows -B "$reference_build/render" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$reference_build/render" -j2
linux_render="$reference_build/render-linux64.f32"
"$reference_build/render/bramsoliket_render" "$root/build/default/BRAMSOLIKET.so" "$linux_render"
linux_clap_render="$reference_build/render-clap-linux64.f32"
"$reference_build/render/bramsoliket_clap_render" "$root/build/default/BRAMSOLIKET.clap" "$linux_clap_render"

status=0
skipped=()
for preset in mingw64 mingw32; do
  echo "== $preset"
  cmake --preset "$preset" -DBRAMSOLIKET_LINUX_RENDER="$linux_render" \
    -DBRAMSOLIKET_LINUX_CLAP_RENDER="$linux_clap_render" >/dev/null
  cmake --build --preset "$preset"
  log="$root/build/$preset/wine-tests.log"
  if ! ctest --preset "$preset" 2>&1 | tee "$log"; then
    status=1
  fi
  if grep -q 'Not Run\|Skipped' "$log"; then skipped+=("$preset"); fi
done

if [ ${#skipped[@]} -gt 0 ]; then
  echo "NOTE: some Wine tests were skipped in: ${skipped[*]} (see the SKIPPED lines above)"
fi
exit $status
