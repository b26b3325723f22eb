#!/usr/bin/env bash
# Builds both trees and runs every test: the Windows tests under Wine, the portable core natively
# under AddressSanitizer + UndefinedBehaviorSanitizer and ThreadSanitizer, then the fuzz targets
# for a bounded time. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
fuzz_seconds=${LUMA_FUZZ_SECONDS:-60}

bash tools/setup.sh
# No crash debugger: a crashing test fails at once instead of waiting for winedbg, which under
# full load has hung until the test's time-out.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset DISPLAY

echo "== Windows build (32-bit deliverables)"
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/i686-mingw.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
bash tools/check-exports.sh build/bin
if [ "$(bash tools/wine-arch.sh)" = win32 ]; then
  test_tree=build
  export WINEPREFIX="$root/build/wineprefix" WINEARCH=win32
else
  # Same sources, same tests: only the pointer size differs from the deliverables.
  echo "== This machine cannot run 32-bit programs: the Windows tests run on a 64-bit build under wine64"
  cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-mingw.cmake -DCMAKE_BUILD_TYPE=Release \
    >/dev/null
  cmake --build build-win64 -j"$jobs"
  test_tree=build-win64
  export WINEPREFIX="$root/build/wineprefix64" WINEARCH=win64
fi

echo "== Windows tests under Wine ($WINEARCH)"
# A private X display for windowed tests. Wine's desktop process is started here, detached from
# ctest's pipes: started by a test it would outlive the test and hold ctest's output pipe open.
display=90
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() {
  wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=":$display"
wineserver -p 600 || true  # one server for all test processes (may already run)
sleep 1
bash tools/wine-run.sh $([ "$WINEARCH" = win64 ] && echo --win64) cmd /c exit </dev/null >/dev/null 2>&1 || true
# Every test runs once and must pass. Only a test labelled as a known platform crash may run once
# more, and each such retry is printed as one "ctest-retry:" line with the reason.
bash tools/ctest-strict.sh "$test_tree" -j"$jobs"
echo "test artefacts (screenshots): $test_tree/artifacts"
unset DISPLAY

echo "== Native build under ASan and UBSan"
CC=clang CXX=clang++ cmake -S . -B build-native-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DLUMA_SANITIZE=address,undefined >/dev/null
cmake --build build-native-asan -j"$jobs"
ctest --test-dir build-native-asan -j"$jobs" --output-on-failure --timeout 300

echo "== Native build under TSan"
CC=clang CXX=clang++ cmake -S . -B build-native-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMA_SANITIZE=thread >/dev/null
cmake --build build-native-tsan -j"$jobs"
ctest --test-dir build-native-tsan -j"$jobs" --output-on-failure --timeout 300

echo "== Fuzz targets, ${fuzz_seconds}s each"
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
  "$target" -max_total_time="$fuzz_seconds" -max_len=4096 -print_final_stats=0 "build-fuzz/corpus/$name" \
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
echo "tests: all suites passed"
