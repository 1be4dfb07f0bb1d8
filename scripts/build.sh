#!/usr/bin/env bash
# Configures and builds ZEPHSE into build/ (or $ZEPHSE_BUILD_DIR). Extra arguments go to CMake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZEPHSE_BUILD_DIR:-$root/build}
if [ ! -f "$build/CMakeCache.txt" ] || [ $# -gt 0 ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$build" --parallel "$(nproc)"
