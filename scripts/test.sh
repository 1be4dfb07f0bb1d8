#!/usr/bin/env bash
# Sets up the machine, builds everything and runs all tests. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" --x11  # Xvfb and the X tools for the display tests
build=${ZEPHSE_BUILD_DIR:-$root/build}
ZEPHSE_BUILD_DIR=$build "$root/scripts/build.sh"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300
# The object model, containers and threads also run under AddressSanitizer and UBSan.
asan=${ZEPHSE_ASAN_BUILD_DIR:-$root/build-asan}
if [ ! -f "$asan/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZEPHSE_SANITIZE=ON -DZEPHSE_BENCH=OFF >/dev/null
fi
cmake --build "$asan" --parallel "$(nproc)" --target rtl_tests
cd "$asan"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600 -L rtl
