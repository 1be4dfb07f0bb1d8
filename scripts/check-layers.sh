#!/usr/bin/env bash
# Fails when a file includes a header of a higher layer, or when anything but the program
# includes a display backend. Layers, bottom-up: rtl, os, os/backends, vcl, zcl/base,
# zcl/graphics, zcl/ui..., zse, zeph, musiclibrary, zephse, app.
set -u
src=${1:-$(dirname "$0")/../src}
rank() {
  case "$1" in
    rtl/*) echo 0 ;;
    os/backends/*) echo 2 ;;
    os/*) echo 1 ;;
    vcl/*) echo 3 ;;
    zcl/base/*) echo 4 ;;
    zcl/graphics/*) echo 5 ;;
    zcl/ui/controls/*|zcl/ui/treelist/*|zcl/ui/inspector/*|zcl/ui/docking/*|zcl/ui/dialogs/*) echo 7 ;;
    zcl/ui/*) echo 6 ;;
    zcl/*) echo 6 ;;
    zeph/*|zse/*|musiclibrary/*) echo 8 ;;
    zephse/*) echo 9 ;;
    app/*) echo 10 ;;
    *) echo -1 ;;
  esac
}
status=0
cd "$src" || exit 2
while IFS= read -r file; do
  own=$(rank "$file")
  while IFS= read -r inc; do
    [ -n "$inc" ] || continue
    dep=$(rank "$inc")
    [ "$dep" -ge 0 ] || continue
    if [ "$dep" -gt "$own" ]; then
      echo "layering: $file includes higher layer $inc"; status=1
    fi
    case "$inc" in
      os/backends/*)
        case "$file" in os/backends/*|app/*) ;; *) echo "layering: $file includes backend $inc"; status=1 ;; esac ;;
    esac
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  if grep -qE '#[[:space:]]*include[[:space:]]*[<"]SDL' "$file"; then
    case "$file" in os/backends/sdl/*) ;; *) echo "layering: $file includes SDL"; status=1 ;; esac
  fi
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' \) | sed 's|^\./||' | sort)
[ $status -eq 0 ] && echo "layering: ok"
exit $status
