#!/usr/bin/env bash
# Sets up the machine, builds everything once with AddressSanitizer and UBSan into build-asan/
# (or $ZEPHSE_ASAN_BUILD_DIR) and runs every test there. Exits non-zero on any failure.
# The build is optimised for debugging (-Og, line tables only): it compiles about as fast as an
# unoptimised one and runs the tests faster. The optimised build of scripts/build.sh (build/) is
# for running the program and the benchmarks; CI does not need it.
# ZEPHSE_JOBS sets the parallel build and test jobs (default: all processors).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" --x11  # Xvfb and the X tools for the display tests
jobs=${ZEPHSE_JOBS:-$(nproc)}
build=${ZEPHSE_ASAN_BUILD_DIR:-$root/build-asan}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZEPHSE_SANITIZE=ON -DZEPHSE_BENCH=OFF -DBUILD_SHARED_LIBS=ON \
  -DZEPHSE_PCH=ON "-DCMAKE_CXX_FLAGS_DEBUG=-Og -g1" "-DCMAKE_C_FLAGS_DEBUG=-Og -g1" >/dev/null
cmake --build "$build" --parallel "$jobs"
cd "$build"
# Leaks of system libraries' process-wide caches are suppressed.
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1
ctest --output-on-failure --parallel "$jobs" --timeout 900
