#!/usr/bin/env bash
# Sets up the machine, builds ZEPHSE and starts the editor. Arguments go to zephse.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build=${ZEPHSE_BUILD_DIR:-$root/build}
ZEPHSE_BUILD_DIR=$build "$root/scripts/build.sh" >/dev/null
exec "$build/src/app/zephse" "$@"
