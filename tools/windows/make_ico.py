#!/usr/bin/env python3
"""Packs the installed icon sizes resources/velmar-{16,32,48,64}.png into the
Windows icon resources/windows/velmar.ico (PNG entries, as Windows Vista and
later read them). Run after tools/make_icons.sh; the result is committed.
  tools/windows/make_ico.py"""
import pathlib
import struct
import sys

root = pathlib.Path(__file__).resolve().parents[2]
sizes = (16, 32, 48, 64)
images = [(root / f"resources/velmar-{size}.png").read_bytes() for size in sizes]

offset = 6 + 16 * len(images)
header = struct.pack("<HHH", 0, 1, len(images))
entries = b""
for size, png in zip(sizes, images):
    if png[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">II", png[16:24]) != (size, size):
        sys.exit(f"velmar-{size}.png is not a {size} x {size} PNG")
    entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(png), offset)
    offset += len(png)

target = root / "resources/windows/velmar.ico"
part = target.with_suffix(".ico.part")
part.write_bytes(header + entries + b"".join(images))
part.replace(target)
