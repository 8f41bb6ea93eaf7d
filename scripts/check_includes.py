#!/usr/bin/env python3
"""Dependencies point down: fails when an #include breaks the folder order.

The folders stand on levels (docs/architecture.md, "Folder order"). A file may
include files of its own folder and of the levels beneath it, never of its own
level's other folders nor of a level above. tools/, bench/ and tests/ stand
beside the layers: they may include anything, and nothing in the layers may
include them. Only quoted includes are read; <...> ones are the system's.

    python3 scripts/check_includes.py [ROOT]

prints one line per include that breaks the order and exits 1, else prints
how many includes it read and exits 0.
"""
import os
import re
import sys

# Bottom first. The same list is written out in docs/architecture.md.
LEVELS = [
    ["common"],
    ["telemetry", "settings", "updater"],
    ["recording"],
    ["engine", "analyzer"],
    ["ui"],
    ["app"],  # the entry point of the window program, over ui/
]
BESIDE = ["tools", "bench", "tests"]
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')

LEVEL_OF = {folder: n for n, folders in enumerate(LEVELS) for folder in folders}


def top_folder(root, path):
    """The first folder of `path` (relative to `root`), or None at the root."""
    parts = os.path.relpath(path, root).split(os.sep)
    return parts[0] if len(parts) > 1 else None


def included_folder(root, including_file, name):
    """The top folder the included file lies in. Names are written from the
    root ("engine/ffb_engine.h"); a name found beside the including file is
    taken from there, as the compiler would."""
    beside = os.path.normpath(os.path.join(os.path.dirname(including_file), name))
    if os.path.isfile(beside):
        return top_folder(root, beside)
    return name.replace("\\", "/").split("/")[0] if "/" in name or "\\" in name else None


def may_include(folder, target):
    if target is None or target == folder:
        return True
    if folder in BESIDE:
        return True
    if target not in LEVEL_OF:
        return False  # tools/, bench/, tests/ or anything unknown
    return LEVEL_OF[target] < LEVEL_OF[folder]


def allowed_text(folder):
    below = [f + "/" for n in range(LEVEL_OF[folder]) for f in LEVELS[n]]
    return ", ".join([folder + "/"] + below)


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    broken = []
    read = 0
    for folder in sorted(LEVEL_OF):
        for directory, _, files in os.walk(os.path.join(root, folder)):
            for file_name in sorted(files):
                if not file_name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(directory, file_name)
                with open(path, encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        read += 1
                        target = included_folder(root, path, match.group(1))
                        if not may_include(folder, target):
                            broken.append(
                                f"{os.path.relpath(path, root)}:{number}: includes "
                                f'"{match.group(1)}"; {folder}/ may include only '
                                f"{allowed_text(folder)}")
    for line in broken:
        print(line)
    if broken:
        print(f"check_includes: {len(broken)} of {read} includes point up or sideways "
              "(folder order: docs/architecture.md)")
        return 1
    print(f"check_includes: {read} includes read, all point down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
