#!/usr/bin/env python3
"""Rewrites GIF files as plain GIF89a: header, screen descriptor, global colour
table, one image and the trailer. ImageMagick adds graphic control, comment
and application (NETSCAPE) extension blocks that the help pictures do without.

usage: gif_strip.py FILE...   (each file is rewritten in place)
"""
import sys


def skip_sub_blocks(data, pos):
    while True:
        size = data[pos]
        pos += 1
        if size == 0:
            return pos
        pos += size


def strip(data):
    if data[:6] not in (b"GIF87a", b"GIF89a"):
        raise ValueError("not a GIF file")
    flags = data[10]
    if not flags & 0x80:
        raise ValueError("no global colour table")
    pos = 13 + 3 * (2 << (flags & 7))
    head = b"GIF89a" + data[6:pos]
    image = None
    while pos < len(data):
        block = data[pos]
        if block == 0x3B:
            break
        if block == 0x21:
            pos = skip_sub_blocks(data, pos + 2)
        elif block == 0x2C:
            start = pos
            image_flags = data[pos + 9]
            if image_flags & 0x80:
                raise ValueError("local colour table")
            pos = skip_sub_blocks(data, pos + 11)  # descriptor, LZW code size
            if image is None:
                image = data[start:pos]
        else:
            raise ValueError("unknown block 0x%02x at %d" % (block, pos))
    if image is None:
        raise ValueError("no image")
    return head + image + b"\x3b"


def main(paths):
    for path in paths:
        with open(path, "rb") as f:
            data = f.read()
        with open(path, "wb") as f:
            f.write(strip(data))


if __name__ == "__main__":
    main(sys.argv[1:])
