#!/usr/bin/env bash
# Builds the Windows deliverables (32-bit, statically linked) into build/bin.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/i686-mingw.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
echo "build: Windows binaries are in $root/build/bin"
