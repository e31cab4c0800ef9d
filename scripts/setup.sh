#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages the project needs, by purpose:
#   bash scripts/setup.sh build          what building the plug-ins and bramsoliket-host needs
#   bash scripts/setup.sh build test     ... and the 64-bit test suite
#   bash scripts/setup.sh                every group (what scripts/test.sh runs needs)
# `bash scripts/setup.sh --list` shows the groups and their packages. Safe to run again: only
# packages that are not installed yet are fetched, and the i386 architecture (for 32-bit
# Wine) is added only once, only for the group that needs it.
set -euo pipefail

# Each group once, each package in one group.
declare -A group_packages=(
  # compilers, Ninja (the presets' build tool) and the libraries of the modules and the
  # command-line host: the LV2 headers and lilv, audio files, FFT, drawing, the plug-in
  # windows (Xlib; XTest for their tests), command line, JSON
  [build]="cmake g++ make ninja-build pkg-config lv2-dev liblilv-dev libsndfile1-dev libcli11-dev libfftw3-dev
           libcairo2-dev libx11-dev libxtst-dev nlohmann-json3-dev"
  # the 64-bit test suite: GoogleTest, lilv's tools and the schema validator, the sanitizers'
  # and fuzzers' compiler (clang) with its runtimes, Valgrind, sox for reference signals, the
  # X server the plug-in windows are tested on (Xvfb) and xdotool to find them
  [test]="googletest libgtest-dev lilv-utils sordi binutils clang libclang-rt-14-dev valgrind sox xvfb xdotool"
  # the 32-bit x86 Linux build and its tests (run under qemu-i386 where the kernel refuses
  # 32-bit programs)
  [m32]="g++-multilib qemu-user"
  # the Windows builds and running them under Wine
  [windows]="g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 wine32:i386"
  # the web page: the core compiled to WebAssembly (em++ needs node's acorn parser), node
  # for the page's module tests, headless Chromium and python3 for its browser tests
  [web]="emscripten node-acorn nodejs chromium python3"
  # real third-party hosts and plug-ins used as black boxes in tests (Qtractor's plug-in
  # scanner loads the CLAP module; bramsoliket-host loads Calf's and x42's LV2 plug-ins;
  # jalv.gtk3, on a JACK server with the dummy driver, opens the LV2 plug-in's window)
  [hosts]="ardour dpf-plugins-vst qtractor calf-plugins x42-plugins jalv jackd2"
  # the packages: the Debian package's dependencies, its checks (lintian, hardening-check from
  # devscripts), the Windows zip
  [package]="dpkg-dev file zip unzip lintian devscripts"
  # the benchmarks
  [bench]="libbenchmark-dev"
)
group_order=(build test m32 windows web hosts package bench)

if [ "${1:-}" = "--list" ]; then
  for group in "${group_order[@]}"; do
    # shellcheck disable=SC2086 # word splitting lists the packages on one line
    echo "$group:" ${group_packages[$group]}
  done
  exit 0
fi

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=("${group_order[@]}")
packages=()
for group in "${groups[@]}"; do
  if [ -z "${group_packages[$group]+set}" ]; then
    echo "setup: no group '$group' (groups: ${group_order[*]})" >&2
    exit 2
  fi
  # shellcheck disable=SC2206 # a group's packages are words
  packages+=(${group_packages[$group]})
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: every package of ${groups[*]} is installed"
  exit 0
fi

needs_i386=0
for p in "${missing[@]}"; do
  [[ "$p" == *:i386 ]] && needs_i386=1
done
if [ "$needs_i386" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
echo "setup: installing for ${groups[*]}: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# A mirror in the middle of a sync fails an index now and then: try again, and in the end
# install from the indexes there are (apt-get install says it when a package is missing).
for attempt in 1 2 3; do
  "${sudo_cmd[@]}" apt-get update -q && break
  echo "setup: apt-get update failed (attempt $attempt of 3)" >&2
  [ "$attempt" -lt 3 ] && sleep 15
done
install() { "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "$@"; }
if ! install "${missing[@]}"; then
  # The foreign-architecture packages (wine32:i386, which runs the 32-bit Windows tests)
  # depend on the i386 indexes a mirror may be syncing: without them the rest still installs,
  # and the tests that need them say they were skipped.
  native=()
  for p in "${missing[@]}"; do [[ "$p" == *:* ]] || native+=("$p"); done
  [ ${#native[@]} -lt ${#missing[@]} ] || exit 1
  echo "setup: installing without the i386 packages; the tests that need them will be skipped" >&2
  install "${native[@]}"
  missing=("${native[@]}")
fi
echo "setup: installed ${missing[*]}"
