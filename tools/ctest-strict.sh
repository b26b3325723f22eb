#!/usr/bin/env bash
# ctest-strict.sh <tree> [ctest options]: runs every test of a tree once. A failed test fails the
# run, unless it carries the label "known-platform-crash": such a test runs once more, and the
# retry is printed as one line "ctest-retry: <test> (known platform crash: <reason>)".
set -uo pipefail
tree=$1
shift
failed_log="$tree/Testing/Temporary/LastTestsFailed.log"
rm -f "$failed_log"  # a list left by an earlier run must not stand for this one
ctest --test-dir "$tree" --output-on-failure --timeout 300 "$@" && exit 0
[ -s "$failed_log" ] || exit 1
# Number, name and reason of each known platform crash of the tree.
known=$(ctest --test-dir "$tree" --show-only=json-v1 | python3 -c '
import json, sys
for number, test in enumerate(json.load(sys.stdin)["tests"], 1):
    props = {p["name"]: p["value"] for p in test.get("properties", [])}
    if "known-platform-crash" in props.get("LABELS", []):
        reason = next((e.split("=", 1)[1] for e in props.get("ENVIRONMENT", [])
                       if e.startswith("LUMA_KNOWN_PLATFORM_CRASH=")), "unstated")
        print(number, test["name"], reason, sep="\t")
')
status=0
while IFS=: read -r number name; do
  reason=$(awk -F'\t' -v n="$number" '$1 == n { print $3 }' <<<"$known")
  if [ -z "$reason" ]; then
    echo "ctest-strict: $name failed"
    status=1
    continue
  fi
  echo "ctest-retry: $name (known platform crash: $reason)"
  ctest --test-dir "$tree" --output-on-failure --timeout 300 -I "$number,$number" >/dev/null || {
    echo "ctest-strict: $name failed again"
    status=1
  }
done <"$failed_log"
exit "$status"
