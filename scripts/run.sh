#!/usr/bin/env bash
# Sets up the machine, builds ZEPHSE and starts the editor. Arguments go to zephse.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The editor shows its window on the desktop's display: without one there is nothing to run.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${ZEPHSE_BACKEND:-}" ]; then
  echo "run.sh: no display available (DISPLAY/WAYLAND_DISPLAY not set): zephse needs a desktop" \
    "session to show its window. The tests run without one: scripts/test.sh" >&2
  exit 1
fi
"$root/scripts/setup.sh"
build=${ZEPHSE_BUILD_DIR:-$root/build}
ZEPHSE_BUILD_DIR=$build "$root/scripts/build.sh" >/dev/null
exec "$build/src/app/zephse" "$@"
