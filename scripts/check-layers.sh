#!/usr/bin/env bash
# Fails when a file includes a header of a higher layer, or when anything but the program
# includes a display backend (see check-layers.py, which does the work).
exec python3 "$(dirname "$0")/check-layers.py" "$@"
