#!/usr/bin/env bash
# Sets up the machine, builds everything and runs all tests. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" --x11  # Xvfb and the X tools for the display tests
build=${ZEPHSE_BUILD_DIR:-$root/build}
ZEPHSE_BUILD_DIR=$build "$root/scripts/build.sh"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300
# Every test again under AddressSanitizer and UBSan.
asan=${ZEPHSE_ASAN_BUILD_DIR:-$root/build-asan}
if [ ! -f "$asan/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZEPHSE_SANITIZE=ON -DZEPHSE_BENCH=OFF >/dev/null
fi
cmake --build "$asan" --parallel "$(nproc)"
cd "$asan"
# Leaks of system libraries' process-wide caches are suppressed; the test lists are read under
# the same options, so they are set for the whole ctest run.
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
