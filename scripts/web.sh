#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the web page into build/web/: the filter core compiled to WebAssembly by Debian's
# em++ (bramsoliket.wasm, from core/ and web/wasm/), and the page's files copied beside it
# (index.html, style.css, js/). Nothing is fetched while building, and the page fetches
# nothing but its own files. Serve it with
#   python3 -m http.server --bind 127.0.0.1 --directory build/web 8000
# and open http://localhost:8000/ (AudioWorklet needs localhost or https).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/setup.sh

out=build/web
mkdir -p "$out/js"

# Debian's em++ runs parts of itself under node and needs the acorn parser from
# /usr/share/nodejs.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# The same rules for floating point as cmake/floating_point.cmake gives the native builds:
# evaluate exactly as written, no fused multiply-add, no fast-math. WebAssembly has no
# extended precision, so float and double arithmetic round as on x86-64 with SSE2.
compile_flags=(-std=c++20 -O2 -Wall -Wextra -ffp-contract=off -fno-fast-math -fno-exceptions -I"$root")
# A module that needs no JavaScript glue: no file system, no entry point, a fixed memory
# (the page keeps views on it, which growth would invalidate), and malloc for the buffers
# the page shares with the filter.
link_flags=(--no-entry -sSTANDALONE_WASM -sFILESYSTEM=0 -sALLOW_MEMORY_GROWTH=0
            -sINITIAL_MEMORY=16777216 -sEXPORTED_FUNCTIONS=_malloc,_free)

# The whole core and the bindings in one call: a few seconds.
sources=(core/*.cpp web/wasm/*.cpp)
echo "web: compiling ${#sources[@]} sources with $(em++ --version | head -n 1)"
em++ "${compile_flags[@]}" "${link_flags[@]}" "${sources[@]}" -o "$out/bramsoliket.wasm"

cp web/index.html web/style.css "$out/"
rm -f "$out"/js/*.js
cp web/js/*.js "$out/js/"
echo "web: built $out/ (serve it: python3 -m http.server --bind 127.0.0.1 --directory $out 8000)"
