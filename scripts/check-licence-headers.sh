#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Lists every tracked source, build or script file whose first three lines do not name its
# licence with an SPDX identifier, and fails if there is one. Data (JSON, audio, fuzz inputs)
# and prose (Markdown, text) carry no header and are not looked at.
set -uo pipefail
cd "$(dirname "$0")/.."

missing=0
while IFS= read -r file; do
  case "$file" in
    fuzz/corpus/* | fuzz/regressions/*) [[ "$file" == *.py ]] || continue ;;
  esac
  case "$file" in
    *.cpp | *.h | *.js | *.mjs | *.css | *.rc | *.map | *.sh | *.py | *.cmake | *CMakeLists.txt | \
      *.lua | *.def | *.html | *.1.in | .ci/run | .gitignore) ;;
    *) continue ;;
  esac
  if ! head -n 3 "$file" | grep -q 'SPDX-License-Identifier: MIT'; then
    echo "no licence identifier: $file"
    missing=$((missing + 1))
  fi
done < <(git ls-files)

[ "$missing" -eq 0 ] && echo "every source file names its licence"
