#!/usr/bin/env python3
"""Fails when a source file includes an area above its own.

The areas of src/ form layers; each may include only itself and the areas
below it (docs/architecture.md shows the graph). The two device backends sit
side by side and do not see each other. The core (everything but src/ui)
includes no Qt module beyond QtCore.

    scripts/check_layers.py [SRC_DIR]
"""

import pathlib
import re
import sys

# Lowest first: an area may include the areas before it in this list.
LAYERS = ["base", "settings", "env", "filter", "transfer", "device", "app"]
# The front ends sit on the core, side by side.
FRONT_ENDS = ["ui", "cli"]
# Sub-areas of device that must not include each other.
DEVICE_BACKENDS = ["device/mtp", "device/sim"]
# Qt modules the core may not use.
GUI_MODULES = re.compile(r"#\s*include\s*<(QtGui|QtWidgets|QtSvg|QtDBus|QtNetwork)\b")
LOCAL_INCLUDE = re.compile(r'#\s*include\s*"([a-z]+(?:/[a-z]+)?)/[^"/]+"')


def area_of(relative):
    parts = relative.split("/")
    if parts[0] == "device" and len(parts) > 2:
        return "device/" + parts[1]
    return parts[0]


def allowed(source_area, target_area):
    if source_area == target_area:
        return True
    source_top = source_area.split("/")[0]
    target_top = target_area.split("/")[0]
    if source_area in DEVICE_BACKENDS and target_area in DEVICE_BACKENDS:
        return False
    if source_top == target_top:
        return True
    if target_top in FRONT_ENDS:
        return False
    if source_top in FRONT_ENDS:
        return target_top in LAYERS
    if source_top not in LAYERS or target_top not in LAYERS:
        return False
    return LAYERS.index(target_top) < LAYERS.index(source_top)


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
    faults = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".cpp", ".h") or not path.is_file():
            continue
        relative = path.relative_to(src).as_posix()
        if "/" not in relative:
            continue
        source_area = area_of(relative)
        for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            match = LOCAL_INCLUDE.match(line.strip())
            if match:
                target_area = match.group(1)
                if not allowed(source_area, target_area):
                    faults.append(f"src/{relative}:{number}: {source_area} may not include {target_area}: {line.strip()}")
            if source_area.split("/")[0] != "ui" and GUI_MODULES.match(line.strip()):
                faults.append(f"src/{relative}:{number}: the core uses QtCore only: {line.strip()}")
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print(f"check_layers: {len(faults)} wrong-way include(s); see docs/architecture.md", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
