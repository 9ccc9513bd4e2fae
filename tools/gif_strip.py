#!/usr/bin/env python3
"""Rewrites GIF files as plain GIF89a: header, screen descriptor, global colour
table, one image and the trailer. ImageMagick adds graphic control, comment
and application (NETSCAPE) extension blocks that the help pictures do without.

usage: gif_strip.py FILE...   (each file is rewritten in place)

A file that is not a complete GIF is left exactly as it was and named on
standard error; the others are still rewritten, and the exit status is 1.
Each file is replaced in one step by a finished copy written beside it, so an
interrupted run never leaves a half-written picture.
"""
import os
import shutil
import sys
import tempfile


def byte_at(data, pos):
    if pos >= len(data):
        raise ValueError("truncated: the file ends at byte %d" % len(data))
    return data[pos]


def skip_sub_blocks(data, pos):
    while True:
        size = byte_at(data, pos)
        pos += 1
        if size == 0:
            return pos
        pos += size


def strip(data):
    if data[:6] not in (b"GIF87a", b"GIF89a"):
        raise ValueError("not a GIF file")
    byte_at(data, 12)  # the screen descriptor is whole
    flags = data[10]
    if not flags & 0x80:
        raise ValueError("no global colour table")
    pos = 13 + 3 * (2 << (flags & 7))
    head = b"GIF89a" + data[6:pos]
    image = None
    while True:
        block = byte_at(data, pos)
        if block == 0x3B:
            break
        if block == 0x21:
            pos = skip_sub_blocks(data, pos + 2)
        elif block == 0x2C:
            start = pos
            byte_at(data, pos + 10)  # the image descriptor is whole
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


def replace(path, data):
    """Writes data to a new file in the folder of path, then puts it in place."""
    folder = os.path.dirname(os.path.abspath(path))
    fd, temporary = tempfile.mkstemp(prefix=".gif_strip-", dir=folder)
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(data)
            f.flush()
            os.fsync(f.fileno())
        shutil.copymode(path, temporary)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def main(paths):
    failed = False
    for path in paths:
        try:
            with open(path, "rb") as f:
                data = f.read()
            replace(path, strip(data))
        except (OSError, ValueError) as error:
            print("gif_strip.py: %s: %s; the file is left as it was" % (path, error), file=sys.stderr)
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__.strip().split("\n\n")[1])
    sys.exit(main(sys.argv[1:]))
