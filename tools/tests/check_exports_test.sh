#!/usr/bin/env bash
# check_exports_test.sh <folder of fixture folders> <folder of their .def files>: runs the export
# check on each fixture DLL and compares its verdict and message with the table below.
set -uo pipefail
dlls=$1 defs=$2
check="$(dirname "$0")/../check-exports.sh"
failures=0
# fixture | expected exit status | text the check must print (empty: prints nothing)
while IFS='|' read -r name expected text; do
  [ -d "$dlls/$name" ] || continue  # the decorated fixture exists in 32-bit trees only
  output=$(bash "$check" "$dlls/$name" "$defs" 2>&1)
  status=$?
  if [ "$status" -ne "$expected" ] || { [ -n "$text" ] && ! grep -qF -- "$text" <<<"$output"; } ||
     { [ -z "$text" ] && [ -n "$output" ]; }; then
    echo "FAILED $name: status $status (expected $expected), output: ${output:-<none>}"
    failures=$((failures + 1))
  else
    echo "ok $name"
  fi
done <<'TABLE'
exports_ordered|0|
exports_decorated|1|exports decorated names (lost stdcall fix-up): Alpha@4 Beta@8
exports_no_def|1|has 0 module definition files named exports_no_def.def
exports_moved|1|other ordinals than its .def: Alpha @2 (not @1) Beta @1 (not @2)
exports_missing|1|lacks exports of exports_missing.def: Beta
TABLE
[ "$failures" -eq 0 ]
