#!/usr/bin/env bash
# ctest-strict.sh <tree> [ctest options]: runs every test of a tree once; any failed test fails the
# run. A failed test runs a second time in these cases only, each printed as its own line:
#   - it carries the label "known-platform-crash" (with its reason):
#       ctest-retry: <test> (known platform crash: <reason>)
#   - its output proves that the test body never ran (a GoogleTest program prints "[ RUN      ]"
#     and flushes it before each test body; this one printed no such line), so the platform failed
#     to start the test program, and nothing of the test was run:
#       ctest-restart: <test> (the test body never ran: <what the run left, ctest's verdict>)
#   - under CPU emulation (tools/i386-runner.sh), its body ran and passed ("[  PASSED  ]") and the
#     emulated process was then killed by a signal (ctest: "Subprocess killed", "Exception: SegFault"
#     or "Exception: Illegal") while it ended: a known kill at process exit under load (Wine's
#     server kills a process still there half a second after its Windows side ended; see
#     docs/testing.md), which no test code reaches (a crash of the program itself ends it with its
#     exception code, not with a signal):
#       ctest-retry: <test> (known platform crash: <reason>)
# A test that ran and failed is never run again. With LUMA_WINE_LOG_DIR set, tools/wine-run.sh keeps
# Wine's own error output of each test process there; it is printed for every failed test.
set -uo pipefail
tree=$1
shift
failed_log="$tree/Testing/Temporary/LastTestsFailed.log"
test_log="$tree/Testing/Temporary/LastTest.log"
console_log="$tree/Testing/Temporary/ctest-console.log"
rm -f "$failed_log"  # a list left by an earlier run must not stand for this one
mkdir -p "$(dirname "$console_log")"
ctest --test-dir "$tree" --output-on-failure --timeout 300 "$@" 2>&1 | tee "$console_log"
[ "${PIPESTATUS[0]}" -eq 0 ] && exit 0
[ -s "$failed_log" ] || exit 1
cp "$test_log" "$test_log.first"  # the reruns below write their own

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

# Why a test's body never ran, from ctest's record of its run; prints nothing when it did run (or
# when the test is not a GoogleTest one, whose output proves nothing either way). ctest's verdict
# comes from its console line, which alone tells a process killed by a signal ("Subprocess killed")
# from one that ended with an exit code ("Failed").
never_ran() {
  python3 - "$test_log.first" "$console_log" "$1" <<'EOF'
import re, sys
log, console, name = sys.argv[1], sys.argv[2], sys.argv[3]
text = open(log, encoding="utf-8", errors="replace").read()
for block in re.split(r"\n(?=\d+/\d+ Testing: )", text):
    if not re.match(r"\d+/\d+ Testing: " + re.escape(name) + r"\n", block):
        continue
    command = re.search(r"^Command: (.*)$", block, re.M)
    output = re.search(r"\nOutput:\n-+\n(.*?)<end of output>", block, re.S)
    if not command or "--gtest_filter=" not in command.group(1) or not output:
        break
    if "[ RUN      ]" in output.group(1):
        break
    words = output.group(1).split()
    verdict = "failed"
    for line in open(console, encoding="utf-8", errors="replace"):
        found = re.search(r"Test +#\d+: " + re.escape(name) + r" \.*\s*(.*?)\s+([\d.]+ sec)", line)
        if found:
            parts = [p.strip() for p in found.group(1).split("***") if p.strip() not in ("", "Exception:")]
            verdict = f"ctest: {', '.join(parts) or 'failed'} after {found.group(2)}"
    print(f"no [ RUN ] line, {len(words)} words of output, {verdict}")
    break
EOF
}

# Under CPU emulation only: prints why a test whose body passed was still reported failed, when
# ctest saw its process killed by a signal; prints nothing otherwise.
killed_after_passing() {
  [ -n "${LUMA_I386_RUNNER:-}" ] || return 0
  python3 - "$test_log.first" "$console_log" "$1" <<'EOF'
import re, sys
log, console, name = sys.argv[1], sys.argv[2], sys.argv[3]
killed = any(re.search(r"Test +#\d+: " + re.escape(name) + r" .*(Subprocess killed|Exception: SegFault|Exception: Illegal)", line)
             for line in open(console, encoding="utf-8", errors="replace"))
if not killed:
    sys.exit()
text = open(log, encoding="utf-8", errors="replace").read()
for block in re.split(r"\n(?=\d+/\d+ Testing: )", text):
    if not re.match(r"\d+/\d+ Testing: " + re.escape(name) + r"\n", block):
        continue
    output = re.search(r"\nOutput:\n-+\n(.*?)<end of output>", block, re.S)
    if output and "[  PASSED  ] 1 test." in output.group(1) and "[  FAILED  ]" not in output.group(1):
        print("the emulated process was killed by a signal while it ended, after its body passed")
    break
EOF
}

status=0
while IFS=: read -r number name; do
  # A parameterised test's name goes on with "  # GetParam() = ..."; its filter is the name before.
  wine_log="${LUMA_WINE_LOG_DIR:-}/$(printf '%s' "${name%%  # *}" | tr '/:' '__').log"
  if [ -n "${LUMA_WINE_LOG_DIR:-}" ] && [ -s "$wine_log" ]; then
    echo "wine-errors: $name ($wine_log, last 40 lines):"
    tail -n 40 "$wine_log" | sed 's/^/  /'
  fi
  reason=$(awk -F'\t' -v n="$number" '$1 == n { print $3 }' <<<"$known")
  [ -n "$reason" ] || reason=$(killed_after_passing "$name")
  if [ -n "$reason" ]; then
    echo "ctest-retry: $name (known platform crash: $reason)"
  else
    start_failure=$(never_ran "$name")
    if [ -z "$start_failure" ]; then
      echo "ctest-strict: $name failed"
      status=1
      continue
    fi
    echo "ctest-restart: $name (the test body never ran: $start_failure)"
  fi
  ctest --test-dir "$tree" --output-on-failure --timeout 300 -I "$number,$number" >/dev/null || {
    echo "ctest-strict: $name failed again"
    if [ -n "${LUMA_WINE_LOG_DIR:-}" ] && [ -s "$wine_log" ]; then tail -n 40 "$wine_log" | sed 's/^/  /'; fi
    status=1
  }
done <"$failed_log"
exit "$status"
