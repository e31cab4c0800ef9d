#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check-pe-tables.sh OBJDUMP MODULE BITS [CORE_LIBRARY]
# Checks a Windows module's tables as a host and a user's machine see them:
# - the format is PE32 for 32 bits, PE32+ for 64 bits;
# - it imports only from DLLs every Windows has (no MinGW runtime DLL beside the plug-in);
# - it exports exactly one name, undecorated, under its own file name as the library name:
#   `main` for BRAMSOLIKET.dll (VST), `clap_entry` for BRAMSOLIKET.clap (CLAP);
# - on 32 bits, the effect's code does its floating-point arithmetic with SSE2, not x87.
set -euo pipefail

objdump=$1
dll=$2
bits=$3
core=${4:-}
module_name=$(basename "$dll")
case "$module_name" in
  *.clap) expected_export=clap_entry ;;
  *) expected_export=main ;;
esac
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

tables=$("$objdump" -p "$dll")

format=$(sed -n 's/^Magic[[:space:]]*[0-9a-f]*[[:space:]]*(\(.*\))$/\1/p' <<<"$tables")
expected_format=$([ "$bits" = 32 ] && echo PE32 || echo PE32+)
[ "$format" = "$expected_format" ] || fail "format is '$format', expected $expected_format"

imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$tables")
echo "imports:" $imports
[ -n "$imports" ] || fail "no import table"
while read -r name; do
  [ -n "$name" ] || continue
  case "${name,,}" in
    kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | ntdll.dll) ;;
    *) fail "imports from $name, which is not a system DLL" ;;
  esac
done <<<"$imports"

exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' <<<"$tables")
echo "exports:" $exports
[ "$exports" = "$expected_export" ] ||
  fail "exports '$(tr '\n' ' ' <<<"$exports")', expected exactly $expected_export"
library_name=$(sed -n 's/^Name[[:space:]]*[0-9a-f]* //p' <<<"$tables")
[ "$library_name" = "$module_name" ] || fail "export directory names '$library_name', expected $module_name"

if [ "$bits" = 32 ] && [ -n "$core" ]; then
  # Loading and storing through the x87 stack is part of the 32-bit calling convention
  # (float results) and of 64-bit integer conversions, and fabs/fchs are exact; arithmetic
  # that rounds would round differently there from the 64-bit builds.
  x87=$("$objdump" -d "$core" | grep -cE $'\t(fadd|faddp|fiadd|fsub|fsubp|fsubr|fsubrp|fisub|fmul|fmulp|fimul|fdiv|fdivp|fdivr|fdivrp|fidiv|fsqrt|fprem|fprem1|fscale|frndint|fsin|fcos|fptan|fpatan|fyl2x|f2xm1)[ls]?( |$)' || true)
  sse=$("$objdump" -d "$core" | grep -cE $'\t(addss|addsd|mulss|mulsd|subss|subsd|divss|divsd) ' || true)
  echo "x87 arithmetic instructions: $x87, SSE2 arithmetic instructions: $sse"
  [ "$x87" -eq 0 ] || fail "the effect's code uses x87 arithmetic"
  [ "$sse" -gt 0 ] || fail "no SSE2 arithmetic found in the effect's code"
fi

[ "$failures" -eq 0 ] && echo "PE tables of $dll: OK" || exit 1
