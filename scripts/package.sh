#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the release packages, from fresh build folders, and writes them to dist/:
# - bramsoliket_<version>_amd64.deb: every Linux plug-in format and bramsoliket-host, made by
#   CPack from the install rules (cmake/packaging.cmake);
# - bramsoliket-<version>-windows.zip: x86/ and x64/ with the Windows plug-ins, a text on
#   where to put them, and the licence.
# The version is the one in the top-level CMakeLists.txt.
#
# With --from-builds it packages the builds the test command has made and tested instead
# (the default preset's for Linux, the mingw64 and mingw32 presets' for Windows), each brought
# up to date first: the binaries in the packages are then the ones the tests ran, and nothing
# is compiled twice in one test run. Their flags are the release flags (RelWithDebInfo,
# hardened), so the packages are the same either way.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
from_builds=0
case "${1:-}" in
  --from-builds) from_builds=1 ;;
  "") ;;
  *) echo "usage: bash scripts/package.sh [--from-builds]" >&2; exit 2 ;;
esac
bash scripts/setup.sh build package windows

version=$(sed -nE 's/^project\(BRAMSOLIKET VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt"; exit 1; }
work=build/package
rm -rf "$work"
mkdir -p dist "$work"
# Every file in the packages carries the time of the last commit, so the same commit gives
# the same archives.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}

echo "== Linux: bramsoliket_${version}_amd64.deb"
if [ "$from_builds" -eq 1 ]; then
  linux_build=build/default
  cmake --preset default >/dev/null
else
  linux_build=$work/linux
  cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRAMSOLIKET_TESTS=OFF >/dev/null
fi
cmake --build "$linux_build" -j2
(cd "$linux_build" && cpack -G DEB >/dev/null)
deb=$linux_build/packages/bramsoliket_${version}_amd64.deb
[ -f "$deb" ] || { echo "package: CPack made no $deb"; exit 1; }
cp "$deb" dist/

echo "== Windows: bramsoliket-${version}-windows.zip"
stage=$work/windows-zip
mkdir -p "$stage/x86" "$stage/x64"
for arch in i686:x86 x86_64:x64; do
  toolchain=${arch%%:*}
  folder=${arch##*:}
  if [ "$from_builds" -eq 1 ]; then
    preset=mingw$([ "$folder" = x86 ] && echo 32 || echo 64)
    windows_build=build/$preset
    cmake --preset "$preset" >/dev/null
  else
    windows_build=$work/mingw-$folder
    cmake -S . -B "$windows_build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-$toolchain.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRAMSOLIKET_TOOLS=OFF -DBRAMSOLIKET_TESTS=OFF \
      -DBRAMSOLIKET_WINE_TESTS=OFF >/dev/null
  fi
  cmake --build "$windows_build" -j2
  for module in "$windows_build"/BRAMSOLIKET.dll "$windows_build"/BRAMSOLIKET.clap; do
    [ -f "$module" ] || continue
    "${toolchain}-w64-mingw32-strip" -o "$stage/$folder/$(basename "$module")" "$module"
  done
done
sed "s/@VERSION@/$version/" packaging/windows-readme.txt | sed 's/$/\r/' >"$stage/README.txt"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
find "$stage" -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
zip_file=dist/bramsoliket-${version}-windows.zip
rm -f "$zip_file"
(cd "$stage" && LC_ALL=C find . -type f | LC_ALL=C sort | sed 's|^\./||' | zip -X -q "$root/$zip_file" -@)

echo "package: wrote"
ls -l dist/bramsoliket_"${version}"_amd64.deb "$zip_file"
