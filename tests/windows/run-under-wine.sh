#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# run-under-wine.sh BITS PROGRAM.exe [ARGUMENT...]
# Runs a Windows console program under Wine, headless, in the project's private Wine prefix
# (WINEPREFIX, created on first use: Wine's first start takes a while). Arguments that are
# absolute Unix paths are handed over as Windows paths on drive Z:. Exits with the
# program's status, or 77 (a skip for CTest) when this machine cannot run BITS-bit Windows
# programs: 32-bit Wine needs a kernel that runs 32-bit x86 Linux programs.
set -euo pipefail

bits=$1
program=$2
shift 2

export WINEDEBUG=-all
export DISPLAY=
export WINEDLLOVERRIDES="mscoree=;mshtml="   # no Mono or Gecko installer on first start
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$0")/../.." && pwd)/build/wine-prefix}

# The 64-bit loader runs 64-bit programs and creates the prefix; `wine` is Debian's wrapper,
# which starts the 32-bit loader of wine32:i386 when present.
loader64=$(command -v wine64 || true)
[ -n "$loader64" ] || { [ -x /usr/lib/wine/wine64 ] && loader64=/usr/lib/wine/wine64; } || true
loader32=/usr/lib/wine/wine
if [ "$bits" = 64 ]; then
  loader=${loader64:-wine}
else
  if ! "$loader32" --version >/dev/null 2>&1; then
    echo "SKIPPED: 32-bit Wine cannot start here ($loader32 does not run: is wine32:i386 installed" \
         "and can this kernel run 32-bit x86 programs?)"
    exit 77
  fi
  loader=wine
fi
command -v "$loader" >/dev/null || { echo "Wine is not installed (run scripts/setup.sh)"; exit 1; }

mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix $WINEPREFIX (first start, may take a minute)"
    "${loader64:-wine}" wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
) 9>"$WINEPREFIX.lock"

arguments=()
for argument in "$@"; do
  if [[ $argument == /* ]]; then argument="Z:${argument//\//\\}"; fi
  arguments+=("$argument")
done
exec "$loader" "$program" "${arguments[@]}"
