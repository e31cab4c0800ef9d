#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the packages from the builds the test command has tested (scripts/package.sh
# --from-builds) and checks them as a user's machine would see them:
# the .deb as Debian checks a package (lintian: no error, no warning; its informational tags
# are shown) with hardened, stripped binaries, then unpacked into a temporary root with
# dpkg-deb -x, where real hosts' scanners must find each plug-in format and the unpacked
# bramsoliket-host must find its module unaided; and the Windows zip, which must hold both
# word sizes' modules, each exporting only its format's entry. Ends with one line
# "package: N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."

passed=0
failed=0
check() {
  local name=$1
  shift
  local output
  if output=$("$@" 2>&1); then
    echo "ok: $name"
    passed=$((passed + 1))
  else
    echo "FAILED: $name"
    sed 's/^/  /' <<<"$output" | tail -n 30
    failed=$((failed + 1))
  fi
}

if ! bash scripts/package.sh --from-builds; then
  echo "package: the packages could not be made"
  echo "package: 0 passed, 1 failed"
  exit 1
fi
version=$(sed -nE 's/^project\(BRAMSOLIKET VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
deb=dist/bramsoliket_${version}_amd64.deb
zip_file=dist/bramsoliket-${version}-windows.zip
root=$(mktemp -d)
windows=$(mktemp -d)
trap 'rm -rf "$root" "$windows"' EXIT
dpkg-deb -x "$deb" "$root"

control_fields() {
  local control
  control=$(dpkg-deb -f "$deb") || return 1
  echo "$control"
  grep -q "^Version: $version$" <<<"$control" && grep -q '^Depends: .*libc6' <<<"$control" &&
    grep -q '^Depends: .*libsndfile1' <<<"$control" && grep -q '^Description: ' <<<"$control"
}
check "the package's control fields: version $version, computed Depends, a description" control_fields

licence_in_package() {
  grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$root/usr/share/doc/bramsoliket/copyright" && grep -q '^License: MIT' "$root/usr/share/doc/bramsoliket/copyright"
}
check "the package carries the licence in Debian's copyright format" licence_in_package

check "every source file names its licence (SPDX)" bash scripts/check-licence-headers.sh

# Every tag lintian gives is shown; errors and warnings fail the package.
lintian_report=$(lintian --display-info --fail-on error,warning "$deb" 2>&1)
lintian_status=$?
echo "lintian on $deb:"
lintian_tags=$(sed '/running with root privileges/d' <<<"$lintian_report")
sed 's/^/  /' <<<"${lintian_tags:-(no tags)}"
check "lintian reports no error and no warning" test "$lintian_status" -eq 0

one_contact() {
  local maintainer upstream changelog
  maintainer=$(dpkg-deb -f "$deb" Maintainer)
  upstream=$(sed -n 's/^Upstream-Contact: //p' "$root/usr/share/doc/bramsoliket/copyright")
  changelog=$(zcat "$root/usr/share/doc/bramsoliket/changelog.gz" | sed -n 's/^ -- \(.*>\)  .*/\1/p' | head -n 1)
  echo "Maintainer: $maintainer; Upstream-Contact: $upstream; changelog: $changelog"
  [[ "$maintainer" == *@*.* ]] && [ "$upstream" = "$maintainer" ] && [ "$changelog" = "$maintainer" ]
}
check "the package names one contact address (Maintainer, copyright, changelog)" one_contact

packaged_binaries=("$root/usr/bin/bramsoliket-host" "$root/usr/lib/vst/BRAMSOLIKET.so"
  "$root/usr/lib/lv2/bramsoliket.lv2/bramsoliket.so" "$root/usr/lib/clap/BRAMSOLIKET.clap")
hardened_and_stripped() {
  # Debian's hardening: PIE for the tool, stack protector, fortified calls, read-only
  # relocations bound at load (control-flow protection is not part of Debian 12's).
  hardening-check --nocfprotection "${packaged_binaries[@]}" || return 1
  local binary
  for binary in "${packaged_binaries[@]}"; do
    if readelf -S -W "$binary" | grep -Eq ' \.(comment|symtab|debug_[a-z]+) '; then
      echo "$binary keeps symbols, debug information or .comment"
      return 1
    fi
  done
}
check "the packaged binaries are hardened and stripped as Debian's are" hardened_and_stripped

check "Ardour's VST scanner finds the unpacked module" \
  bash tests/vst/ardour_scanner_test.sh "$root/usr/lib/vst/BRAMSOLIKET.so"

lv2_listed() {
  [ -d "$root/usr/lib/lv2/bramsoliket.lv2" ] || { echo "no bundle in /usr/lib/lv2"; return 1; }
  local listed
  listed=$(LV2_PATH="$root/usr/lib/lv2" lv2ls | tee /dev/stderr)
  grep -qx 'urn:bramsoliket:filter' <<<"$listed" && grep -qx 'urn:bramsoliket:filter-stereo' <<<"$listed"
}
check "lv2ls finds the unpacked LV2 bundle's mono and stereo plug-ins" lv2_listed

clap_scanned() {
  local scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan
  [ -f "$root/usr/lib/clap/BRAMSOLIKET.clap" ] || { echo "no BRAMSOLIKET.clap in /usr/lib/clap"; return 1; }
  local scanned
  scanned=$(echo "CLAP:$root/usr/lib/clap/BRAMSOLIKET.clap" | timeout 60 "$scanner" | tee /dev/stderr)
  grep -q '^CLAP|BRAMSOLIKET Mono|1:2|' <<<"$scanned" && grep -q '^CLAP|BRAMSOLIKET Stereo|2:2|' <<<"$scanned"
}
check "Qtractor's scanner finds the unpacked CLAP module's mono and stereo plug-ins" clap_scanned

tool_runs() {
  # No --plugin: the installed tool finds the installed module.
  "$root/usr/bin/bramsoliket-host" info | tee /dev/stderr | grep -q 'BrSk'
}
check "the unpacked bramsoliket-host info finds its module" tool_runs

plugins_need_only_the_c_and_cxx_runtime() {
  local module library
  for module in "$root/usr/lib/vst/BRAMSOLIKET.so" "$root/usr/lib/lv2/bramsoliket.lv2/bramsoliket.so" \
    "$root/usr/lib/lv2/bramsoliket.lv2/bramsoliket_ui.so" "$root/usr/lib/clap/BRAMSOLIKET.clap"; do
    [ -f "$module" ] || { echo "no $module"; return 1; }
    for library in $(objdump -p "$module" | awk '/NEEDED/ {print $2}'); do
      case "$library" in
        libc.so.* | libm.so.* | libstdc++.so.* | libgcc_s.so.*) ;;
        # The LV2 module draws Ardour's inline display with cairo; the windows (the LV2 UI
        # module's and the CLAP module's) draw with cairo on Xlib.
        libcairo.so.2) [[ "$module" != */vst/* ]] || { echo "$module needs $library"; return 1; } ;;
        libX11.so.6) [[ "$module" == */bramsoliket_ui.so || "$module" == */clap/* ]] ||
          { echo "$module needs $library"; return 1; } ;;
        *) echo "$module needs $library"; return 1 ;;
      esac
    done
  done
}
check "the plug-ins need nothing beyond the C and C++ runtimes (and cairo and Xlib for the windows)" \
  plugins_need_only_the_c_and_cxx_runtime

check "the manual page is installed" test -f "$root/usr/share/man/man1/bramsoliket-host.1.gz"

unzip -q "$zip_file" -d "$windows"
exports_only() {
  local module=$1 entry=$2
  [ -f "$module" ] || { echo "$module is missing"; return 1; }
  local names
  names=$(objdump -p "$module" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p')
  echo "$module exports: $names"
  [ "$names" = "$entry" ]
}
for folder in x86 x64; do
  check "the zip's $folder/BRAMSOLIKET.dll exports only main" exports_only "$windows/$folder/BRAMSOLIKET.dll" main
  check "the zip's $folder/BRAMSOLIKET.clap exports only clap_entry" \
    exports_only "$windows/$folder/BRAMSOLIKET.clap" clap_entry
  # Its factory's descriptors are constant data in the module (the Wine tests load them).
  check "the zip's $folder/BRAMSOLIKET.clap carries the stereo plug-in" \
    grep -qa 'bramsoliket\.filter\.stereo' "$windows/$folder/BRAMSOLIKET.clap"
done
check "the zip has its readme and licence" test -f "$windows/README.txt" -a -f "$windows/LICENSE.txt"
word_sizes() {
  objdump -f "$windows/x86/BRAMSOLIKET.dll" | grep -q 'file format pei-i386' &&
    objdump -f "$windows/x64/BRAMSOLIKET.dll" | grep -q 'file format pei-x86-64'
}
check "x86/ holds the 32-bit module and x64/ the 64-bit one" word_sizes

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
