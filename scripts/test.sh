#!/usr/bin/env bash
# Sets up the machine, builds everything and runs all tests. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build=${ZEPHSE_BUILD_DIR:-$root/build}
ZEPHSE_BUILD_DIR=$build "$root/scripts/build.sh"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300
# The object model and containers also run under AddressSanitizer and UBSan.
asan=${ZEPHSE_ASAN_BUILD_DIR:-$root/build-asan}
ZEPHSE_BUILD_DIR=$asan "$root/scripts/build.sh" -DZEPHSE_SANITIZE=ON -DZEPHSE_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
cd "$asan"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600 -L rtl
