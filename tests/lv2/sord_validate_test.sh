#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The bundle's Turtle files checked with sord_validate against every schema Debian's lv2-dev
# installs (RDF, RDFS, OWL, XSD, DOAP and FOAF, LV2 core and all its extensions):
# sord_validate knows only the vocabularies it is given, so each one the description uses,
# and each one it might misuse, is there.
# Usage: sord_validate_test.sh BUNDLE
set -euo pipefail
bundle=$1
if ! command -v sord_validate >/dev/null || ! command -v dpkg >/dev/null; then
  echo "FAIL: sord_validate or dpkg is missing; scripts/setup.sh installs sordi and lv2-dev"
  exit 1
fi
mapfile -t schemas < <(dpkg -L lv2-dev 2>/dev/null | grep '^/usr/lib/lv2/.*\.ttl$' | sort)
if [ "${#schemas[@]}" -lt 20 ] || ! printf '%s\n' "${schemas[@]}" | grep -q '/core.lv2/lv2core.ttl$'; then
  echo "FAIL: the LV2 schemas of lv2-dev are missing; scripts/setup.sh installs them"
  exit 1
fi
status=0
report=$(sord_validate "${schemas[@]}" "$bundle"/*.ttl 2>&1) || status=$?
echo "$report"
echo "(${#schemas[@]} schema files)"
if [ "$status" -ne 0 ] || ! grep -q "^Found 0 errors" <<<"$report"; then
  echo "FAIL: sord_validate finds errors in $bundle"
  exit 1
fi
