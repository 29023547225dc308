#!/usr/bin/env python3
"""Writes the notepad's toolbar images for Windows from their XPM drawing.

The drawing holds the button images side by side, image i at x = 16 * i.
The bitmap is a 4-bit .bmp of the same size over the drawing's own colours
(16 at most); transparent pixels get the mask colour, magenta, which the
program takes out when it loads the images:
    scripts/make-button-bitmap.py src/handheld/resources/buttons.xpm buttons.bmp
"""
import os
import runpy
import struct
import sys

MASK = (255, 0, 255)


def read_xpm(path):
    here = os.path.dirname(os.path.abspath(__file__))
    icons = runpy.run_path(os.path.join(here, "make-icons.py"))
    return icons["read_xpm"](path)


def bitmap_4bit(pixels):
    height, width = len(pixels), len(pixels[0])
    rows = [[MASK if p is None else p for p in row] for row in pixels]
    palette = sorted({p for row in rows for p in row})
    if len(palette) > 16:
        sys.exit(f"error: {len(palette)} colours, a 4-bit bitmap holds 16")
    palette += [(0, 0, 0)] * (16 - len(palette))
    index = {p: i for i, p in reversed(list(enumerate(palette)))}
    stride = (width * 4 + 31) // 32 * 4
    data = b""
    for row in reversed(rows):  # bottom-up
        line = bytearray(stride)
        for x, p in enumerate(row):
            line[x // 2] |= index[p] << (0 if x % 2 else 4)
        data += bytes(line)
    colors = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(data), 0, 0, 16, 0)
    offset = 14 + len(info) + len(colors)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return header + info + colors + data


def main(xpm, out):
    with open(out, "wb") as f:
        f.write(bitmap_4bit(read_xpm(xpm)))


if __name__ == "__main__":
    main(*sys.argv[1:])
