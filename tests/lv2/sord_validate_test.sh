#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The bundle's Turtle files checked against the LV2 schemas Debian installs (lv2-dev) with
# sord_validate, which knows only the vocabularies it is given: RDF, RDFS, OWL, XSD and DOAP,
# LV2 core, units and port properties, and those of the UI's description: UI, options, URID,
# parameters (with the port groups and atoms it uses), instance access and data access.
# Usage: sord_validate_test.sh BUNDLE
set -euo pipefail
bundle=$1
lv2=/usr/lib/lv2
if ! command -v sord_validate >/dev/null || [ ! -f "$lv2/core.lv2/lv2core.ttl" ]; then
  echo "FAIL: sord_validate or the LV2 schemas are missing; scripts/setup.sh installs them (sordi, lv2-dev)"
  exit 1
fi
status=0
report=$(sord_validate "$lv2"/schemas.lv2/*.ttl "$lv2"/core.lv2/*.ttl "$lv2"/units.lv2/*.ttl \
  "$lv2"/port-props.lv2/*.ttl "$lv2"/ui.lv2/*.ttl "$lv2"/options.lv2/*.ttl "$lv2"/urid.lv2/*.ttl \
  "$lv2"/parameters.lv2/*.ttl "$lv2"/port-groups.lv2/*.ttl "$lv2"/atom.lv2/*.ttl \
  "$lv2"/instance-access.lv2/*.ttl "$lv2"/data-access.lv2/*.ttl \
  "$bundle"/*.ttl 2>&1) || status=$?
echo "$report"
if [ "$status" -ne 0 ] || ! grep -q "^Found 0 errors" <<<"$report"; then
  echo "FAIL: sord_validate finds errors in $bundle"
  exit 1
fi
