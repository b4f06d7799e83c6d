#!/usr/bin/env python3
"""Checks the shape of src/: every include points down the layers, the window seam stays
above the core, and no source file grows past 600 lines. Prints each breach; exit 1 on any."""
import pathlib
import re
import sys

# Lowest first; layers of the same rank do not include each other.
RANK = {"common": 0, "model": 1, "export": 1, "processing": 2, "simulation": 3,
        "graphics": 4, "shell": 5, "cli": 6, "qt": 6}
MAX_LINES = 600
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/[^"]+"', re.M)


def breaches(src):
    found = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".inc") or not path.is_file():
            continue
        layer = path.relative_to(src).parts[0]
        if layer not in RANK:
            continue
        text = path.read_text(encoding="utf-8")
        name = path.relative_to(src)
        lines = text.count("\n")
        if lines > MAX_LINES:
            found.append(f"{name}: {lines} lines, more than {MAX_LINES}")
        for target in INCLUDE.findall(text):
            if target not in RANK or target == layer:
                continue
            if RANK[target] >= RANK[layer]:
                found.append(f"{name}: includes {target}/, which is not below {layer}/")
        if RANK[layer] < RANK["shell"] and path.suffix == ".h" and \
                '#include "common/window.h"' in text:
            found.append(f"{name}: a header below shell/ includes common/window.h")
    return found


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    found = breaches(src)
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
