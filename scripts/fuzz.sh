#!/usr/bin/env bash
# Runs one fuzz target with libFuzzer for a while (default 300 s):
#   scripts/fuzz.sh <target> [seconds] [libFuzzer options...]
# Needs the fuzz build: CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DZEPHSE_FUZZ=ON
# -DZEPHSE_TESTS=OFF -DZEPHSE_BENCH=OFF, then cmake --build build-fuzz (or $ZEPHSE_FUZZ_BUILD_DIR).
# New inputs go to build-fuzz/fuzz-corpus/<target>/, the seeds in the repository stay as they are;
# a failing input is written to build-fuzz/fuzz-findings/<target>/. Fix the fault, then add the
# input to fuzz/corpus/<target>/ so the test run replays it from then on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZEPHSE_FUZZ_BUILD_DIR:-$root/build-fuzz}
target=${1:?usage: scripts/fuzz.sh <target> [seconds] [libFuzzer options...]}
seconds=${2:-300}
shift $(($# < 2 ? $# : 2))
program=$build/fuzz/$target
[ -x "$program" ] || { echo "fuzz.sh: $program is not built" >&2; exit 2; }
work=$build/fuzz-corpus/$target
findings=$build/fuzz-findings/$target
mkdir -p "$work" "$findings"
seeds=()
while IFS= read -r dir; do
  [ -n "$dir" ] && [ -e "$dir" ] && seeds+=("$dir")
done < "$build/fuzz/$target.seeds"
exec "$program" "$work" "${seeds[@]}" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 \
  -artifact_prefix="$findings/" -print_final_stats=1 "$@"
