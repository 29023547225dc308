#!/usr/bin/env python3
"""Writes a program's icon files from its XPM drawing.

NAME.ico holds the 32 x 32 drawing and a 16 x 16 reduction of it,
NAME-small.ico the 16 x 16 one alone; both as 256-color images, as the
resource scripts expect. NAME is the drawing's file name without ".xpm".
TavrinView's are kept with its sources; run it after changing the drawing:
    scripts/make-icons.py src/viewer/resources/tavrinview.xpm src/viewer/win32
Tavrin's are written by the Windows build.

With --png, the icons of the Linux desktop's icon theme instead:
FOLDER/hicolor/SIZExSIZE/apps/NAME.png for 16, 32, 48, 64, 128 and 256
pixels. The drawing is pixel art, so it is only ever enlarged by whole
numbers, each pixel becoming a square block: 48 from the 16 x 16 reduction,
the others from the 32 x 32 drawing.
"""
import os
import re
import struct
import sys
import zlib


def read_xpm(path):
    rows = re.findall(r'"([^"]*)"', open(path).read())
    width, height, colors, _ = (int(v) for v in rows[0].split())
    table = {}
    for line in rows[1:1 + colors]:
        key, value = line[0], line.split()[-1]
        table[key] = None if value == "None" else tuple(int(value[i:i + 2], 16) for i in (1, 3, 5))
    return [[table[c] for c in row] for row in rows[1 + colors:1 + colors + height]]


def halve(pixels):
    # Each pixel of the small icon is the most inked of its 2 x 2 block.
    def pick(block):
        inked = [p for p in block if p is not None and p != (255, 255, 255)]
        return inked[0] if inked else next((p for p in block if p is not None), None)
    return [[pick([pixels[2 * y][2 * x], pixels[2 * y][2 * x + 1],
                   pixels[2 * y + 1][2 * x], pixels[2 * y + 1][2 * x + 1]])
             for x in range(len(pixels[0]) // 2)] for y in range(len(pixels) // 2)]


def icon_image(pixels):
    size = len(pixels)
    palette = sorted({p for row in pixels for p in row if p is not None})
    index = {p: i for i, p in enumerate(palette)}
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 8, 0, 0, 0, 0, 256, 0)
    colors = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    colors += b"\0" * (4 * (256 - len(palette)))
    xor = b""
    mask = b""
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(pixels):
        xor += bytes(index.get(p, 0) for p in row)
        bits = 0
        for x, p in enumerate(row):
            if p is None:
                bits |= 1 << (8 * mask_stride - 1 - x)
        mask += bits.to_bytes(mask_stride, "big")
    return header + colors + xor + mask


def write_icon(path, images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for pixels, data in images:
        size = len(pixels)
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    with open(path, "wb") as out:
        out.write(directory + entries + b"".join(data for _, data in images))


def enlarge(pixels, factor):
    return [[p for p in row for _ in range(factor)] for row in pixels for _ in range(factor)]


def write_png(path, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    size = len(pixels)
    # Each row: filter type 0, then red, green, blue, alpha; "None" is transparent.
    raw = b"".join(b"\0" + b"".join(bytes((*p, 255)) if p else b"\0\0\0\0" for p in row)
                   for row in pixels)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
                  + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write_theme_icons(xpm, folder):
    name = os.path.basename(xpm).removesuffix(".xpm")
    large = read_xpm(xpm)
    small = halve(large)
    for size, pixels in ((16, small), (32, large), (48, enlarge(small, 3)), (64, enlarge(large, 2)),
                         (128, enlarge(large, 4)), (256, enlarge(large, 8))):
        write_png(f"{folder}/hicolor/{size}x{size}/apps/{name}.png", pixels)


def main(xpm, folder):
    name = os.path.basename(xpm).removesuffix(".xpm")
    large = read_xpm(xpm)
    small = halve(large)
    write_icon(f"{folder}/{name}.ico", [(large, icon_image(large)), (small, icon_image(small))])
    write_icon(f"{folder}/{name}-small.ico", [(small, icon_image(small))])


if __name__ == "__main__":
    if sys.argv[1] == "--png":
        write_theme_icons(*sys.argv[2:])
    else:
        main(*sys.argv[1:])
