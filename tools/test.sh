#!/usr/bin/env bash
# Builds both Windows trees and runs every test: the Windows tests under Wine (the 32-bit
# deliverables themselves wherever 32-bit programs can run, natively or through
# tools/i386-runner.sh), the portable core natively under AddressSanitizer +
# UndefinedBehaviorSanitizer and ThreadSanitizer, then the fuzz targets for a bounded time.
# Prints the time of each phase. Exits non-zero on any failure.
#   LUMA_FUZZ_SECONDS   time of each fuzz target (60)
#   LUMA_TEST_WIN64     1: run the x86_64 tree's tests too where the 32-bit ones run (default 0;
#                       it is always built, without warnings)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
fuzz_seconds=${LUMA_FUZZ_SECONDS:-60}

# Each phase prints its start and, when it ends, its time; the summary lists them all.
phase_names=() phase_seconds=()
phase_name="" phase_start=0
phase() {
  end_phase
  phase_name=$1 phase_start=$SECONDS
  echo "== $phase_name"
}
end_phase() {
  [ -n "$phase_name" ] || return 0
  local took=$((SECONDS - phase_start))
  echo "phase-time: $phase_name: $((took / 60))m$((took % 60))s"
  phase_names+=("$phase_name") phase_seconds+=("$took")
  phase_name=""
}
summary() {
  end_phase
  echo "== Phase times"
  for i in "${!phase_names[@]}"; do
    printf '  %-52s %3dm%02ds\n' "${phase_names[$i]}" $((phase_seconds[i] / 60)) $((phase_seconds[i] % 60))
  done
  printf '  %-52s %3dm%02ds\n' total $((SECONDS / 60)) $((SECONDS % 60))
}
trap summary EXIT

# Builds a Windows tree; a compiler or linker warning fails the run (each file is compiled in a
# fresh tree; an incremental build shows only the warnings of what it rebuilt).
build_windows() {
  local tree=$1 toolchain=$2 log
  log="$tree/build.log"
  mkdir -p "$tree"
  cmake -S . -B "$tree" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
  if ! cmake --build "$tree" -j"$jobs" >"$log" 2>&1; then
    tail -n 60 "$log"
    return 1
  fi
  # The linker reports resources it had to drop (two of one type, name and language) without the
  # word "warning".
  if grep -qE 'warning:|merge failure' "$log"; then
    grep -B2 -A6 -E 'warning:|merge failure' "$log" | head -n 80
    echo "build: $tree has warnings"
    return 1
  fi
  bash tools/check-exports.sh "$tree/bin"
}

# Runs a Windows tree's tests in its prefix on a private X display; Wine's own error output of
# each test process is kept under <tree>/wine-logs and printed with a failure.
run_windows_tests() {
  local tree=$1 arch=$2 runner=()
  if [ "$arch" = win32 ]; then
    export WINEPREFIX="$root/build/wineprefix" WINEARCH=win32
    runner=(bash tools/i386-runner.sh)  # starts the command as it is where 32-bit programs run
  else
    export WINEPREFIX="$root/build/wineprefix64" WINEARCH=win64
  fi
  export LUMA_WINE_LOG_DIR="$root/$tree/wine-logs"
  rm -rf "$LUMA_WINE_LOG_DIR"
  mkdir -p "$LUMA_WINE_LOG_DIR"
  # A private X display for windowed tests. Wine's desktop process is started here, detached from
  # ctest's pipes: started by a test it would outlive the test and hold ctest's output pipe open.
  # Xvfb picks a free display number itself and names it (-displayfd): runs that start at the same
  # time on one machine never share a display, which the first of them would take away when it ends.
  local display_file="$root/$tree/xvfb.display" display=""
  rm -f "$display_file"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    display=$(head -n1 "$display_file" 2>/dev/null || true)
    [ -z "$display" ] || break
    sleep 0.1
  done
  [ -n "$display" ] || { echo "test: Xvfb did not start"; return 1; }
  export DISPLAY=":$display"
  # One server for all test processes (may already run), kept until "wineserver -k" below: a -p
  # without an attached number keeps it for good, so no test meets a server starting or ending.
  wineserver -p || true
  sleep 1
  LUMA_WINE_LOG_DIR="" bash tools/wine-run.sh $([ "$arch" = win64 ] && echo --win64) cmd /c exit \
    </dev/null >/dev/null 2>&1 || true
  # Every test runs once and must pass; see tools/ctest-strict.sh for the only second runs.
  local status=0
  "${runner[@]}" bash tools/ctest-strict.sh "$tree" -j"$jobs" || status=$?
  echo "test artefacts (screenshots): $tree/artifacts"
  wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
  unset DISPLAY LUMA_WINE_LOG_DIR
  return "$status"
}
xvfb_pid=""
cleanup() {
  [ -z "$xvfb_pid" ] || { wineserver -k 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true; }
  summary
}
trap cleanup EXIT

# No crash debugger: a crashing test fails at once instead of waiting for winedbg, which under
# full load has hung until the test's time-out.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export LUMA_REQUIRE_OPENSSL=1  # an OpenSSL interop test that cannot reach the host's tool fails here
unset DISPLAY

phase "Setup"
# The packages first: on a fresh machine the 32-bit runner is installed only here, so how the tests
# run is known only afterwards. The setup also prepares the prefix of the tests this machine runs.
bash tools/setup.sh
kind=$(bash tools/wine-arch.sh)
test_win64=${LUMA_TEST_WIN64:-0}
[ "$kind" != win64 ] || test_win64=1
[ "$test_win64" = 0 ] || [ "$kind" = win64 ] || bash tools/setup.sh win64

phase "Windows build, 32-bit deliverables (build)"
build_windows build cmake/i686-mingw.cmake

# Same sources, only the pointer size differs: it keeps them free of pointer-size assumptions.
phase "Windows build, x86_64 (build-win64)"
build_windows build-win64 cmake/x86_64-mingw.cmake

case "$kind" in
  win32) label="32-bit Wine" ;;
  win32-emulated) label="32-bit Wine under CPU emulation, tools/i386-runner.sh" ;;
  *) label="" ;;
esac
if [ -n "$label" ]; then
  phase "Windows tests, 32-bit ($label)"
  run_windows_tests build win32
else
  echo "== This machine cannot run 32-bit programs, natively or emulated: the Windows tests run on the x86_64 build only"
fi
if [ "$test_win64" != 0 ]; then
  phase "Windows tests, x86_64 (wine64)"
  run_windows_tests build-win64 win64
fi

phase "Native build and tests under ASan and UBSan"
CC=clang CXX=clang++ cmake -S . -B build-native-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DLUMA_SANITIZE=address,undefined >/dev/null
cmake --build build-native-asan -j"$jobs"
ctest --test-dir build-native-asan -j"$jobs" --output-on-failure --timeout 300

phase "Native build and tests under TSan"
CC=clang CXX=clang++ cmake -S . -B build-native-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMA_SANITIZE=thread >/dev/null
cmake --build build-native-tsan -j"$jobs"
ctest --test-dir build-native-tsan -j"$jobs" --output-on-failure --timeout 300

phase "Fuzz targets, ${fuzz_seconds}s each"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMA_SANITIZE=address,undefined -DLUMA_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$jobs"
# The targets run side by side, each for its bounded time; any finding fails the run.
pids=()
for target in build-fuzz/bin/*_fuzz; do
  name=$(basename "$target")
  mkdir -p "build-fuzz/corpus/$name"
  seeds=()  # the DER parsers start from the certificates and policies the Windows build made
  case "$name" in der_fuzz | policy_fuzz) seeds=(build/bin/testdata build/bin/testdata/policy) ;; esac
  case "$name" in message_fuzz | endpoint_fuzz) seeds=(build-fuzz/fuzz-seeds/pipe) ;; esac
  max_len=$(awk -v n="$name" '$1 == n { print $2 }' fuzz/max_len.txt)
  "$target" -max_total_time="$fuzz_seconds" -max_len="${max_len:-4096}" -print_final_stats=0 "build-fuzz/corpus/$name" \
    "${seeds[@]}" >"build-fuzz/$name.log" 2>&1 &
  pids+=("$!:$name")
done
fuzz_failed=0
for entry in "${pids[@]}"; do
  if wait "${entry%%:*}"; then
    echo "fuzz: ${entry#*:} $(grep -m1 -o 'Done [0-9]* runs' "build-fuzz/${entry#*:}.log")"
  else
    echo "fuzz: ${entry#*:} FAILED"; tail -n 40 "build-fuzz/${entry#*:}.log"; fuzz_failed=1
  fi
done
[ "$fuzz_failed" -eq 0 ]
end_phase
echo "tests: all suites passed"
