#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs every Debian package the project needs. Safe to run again: packages that are
# already present are skipped by apt, and the i386 architecture is added only once.
set -euo pipefail

packages=(
  # building and testing the module and its tools
  cmake g++ g++-multilib make pkg-config googletest libgtest-dev libbenchmark-dev
  # runs the 32-bit x86 tests where the kernel does not execute 32-bit programs
  qemu-user
  # the command-line host
  libsndfile1-dev libcli11-dev libfftw3-dev libcairo2-dev nlohmann-json3-dev
  # the LV2 plug-in: its headers and schemas, and lilv, its tools and the schema validator
  # for the tests
  lv2-dev liblilv-dev lilv-utils sordi
  # checks, fuzzing, sanitizers, comparisons
  binutils clang libclang-rt-14-dev valgrind sox
  # Windows builds and running them
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 wine32:i386
  # packages: the Debian package's dependencies, the Windows zip
  dpkg-dev file zip unzip lintian devscripts
  # real third-party hosts and plug-ins used as black boxes in tests (Qtractor's plug-in
  # scanner loads the CLAP module; bramsoliket-host loads Calf's and x42's LV2 plug-ins)
  ardour dpf-plugins-vst qtractor calf-plugins x42-plugins
  # the web page: the core compiled to WebAssembly (em++ needs node's acorn parser), node for
  # the page's module tests, headless Chromium and python3 for its browser tests
  emscripten node-acorn nodejs chromium python3
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: every package is installed"
  exit 0
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "setup: installed ${missing[*]}"
