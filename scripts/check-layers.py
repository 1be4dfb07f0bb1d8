#!/usr/bin/env python3
"""Fails when a file includes a header of a higher layer, or when anything but the program
includes a display backend. Layers, bottom-up: rtl, os, os/backends, vcl, zcl/base,
zcl/graphics, zcl/ui..., zse, zeph, musiclibrary, zephse, app."""
import os
import re
import sys

# First matching prefix wins; a path under none of them is not ranked.
RANKS = [
    ("rtl/", 0),
    ("os/backends/", 2),
    ("os/", 1),
    ("vcl/", 3),
    ("zcl/base/", 4),
    ("zcl/graphics/", 5),
    ("zcl/ui/controls/", 7), ("zcl/ui/treelist/", 7), ("zcl/ui/inspector/", 7),
    ("zcl/ui/docking/", 7), ("zcl/ui/dialogs/", 7),
    ("zcl/ui/", 6),
    ("zcl/", 6),
    ("zeph/", 8), ("zse/", 8), ("musiclibrary/", 8),
    ("zephse/", 9),
    ("app/", 10),
]
INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*"([^"]*)"', re.MULTILINE)
SDL = re.compile(r'#[ \t]*include[ \t]*[<"]SDL')


def rank(path):
    for prefix, value in RANKS:
        if path.startswith(prefix):
            return value
    return -1


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    if not os.path.isdir(src):
        print(f"layering: no folder {src}", file=sys.stderr)
        return 2
    files = []
    for folder, _, names in os.walk(src):
        for name in names:
            if name.endswith((".h", ".cpp")):
                files.append(os.path.relpath(os.path.join(folder, name), src).replace(os.sep, "/"))
    failures = []
    for file in sorted(files):
        with open(os.path.join(src, file), encoding="utf-8", errors="replace") as f:
            text = f.read()
        own = rank(file)
        for inc in INCLUDE.findall(text):
            dep = rank(inc)
            if dep < 0:
                continue
            if dep > own:
                failures.append(f"layering: {file} includes higher layer {inc}")
            if inc.startswith("os/backends/") and not file.startswith(("os/backends/", "app/")):
                failures.append(f"layering: {file} includes backend {inc}")
        if SDL.search(text) and not file.startswith("os/backends/sdl/"):
            failures.append(f"layering: {file} includes SDL")
    for line in failures:
        print(line)
    if failures:
        return 1
    print("layering: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
