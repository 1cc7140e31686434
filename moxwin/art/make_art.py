#!/usr/bin/env python3
"""Draws the front end's two pictures and writes them beside this script:

  header.bmp  three 8 x 8 column-header images side by side on magenta (the
              transparent colour): no sort, ascending, descending
  moxwin.ico  the program icon at 16 x 16 and 32 x 32: two overlapping
              sheets, the front one with a check mark

The pictures are committed; run this again after changing a drawing.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

MAGENTA = (255, 0, 255)
PALETTE = {
    '.': None,              # transparent
    'k': (0, 0, 0),
    'g': (128, 128, 128),
    'w': (255, 255, 255),
    'b': (40, 90, 170),
    'l': (150, 190, 235),
    'r': (200, 40, 40),
}

# Header images: the arrow points the way the values grow down the list.
NONE = ["........"] * 8
ASCENDING = [
    "........",
    "...gg...",
    "..gggg..",
    ".gggggg.",
    "gggggggg",
    "........",
    "........",
    "........",
]
DESCENDING = [
    "........",
    "........",
    "........",
    "gggggggg",
    ".gggggg.",
    "..gggg..",
    "...gg...",
    "........",
]

ICON_16 = [
    "................",
    ".kkkkkkkk.......",
    ".kwwwwwwk.......",
    ".kwlllwwk.......",
    ".kwwwkkkkkkkk...",
    ".kwllkwwwwwwk...",
    ".kwwwkwwwwwrk...",
    ".kwllkwwwwrwk...",
    ".kwwwkwrwrwwk...",
    ".kkkkkwwrwwwk...",
    ".....kwwwwwwk...",
    ".....kwlllllk...",
    ".....kwwwwwwk...",
    ".....kkkkkkkk...",
    "................",
    "................",
]


def scale(rows, factor):
    out = []
    for row in rows:
        wide = "".join(c * factor for c in row)
        out.extend([wide] * factor)
    return out


def bmp_24(rows, transparent):
    """Bottom-up 24-bit bitmap; transparent pixels take the given colour."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for c in row:
            r, g, b = PALETTE[c] or transparent
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def icon_image(rows):
    """One icon directory image: 32-bit colour with alpha, then the AND mask."""
    height, width = len(rows), len(rows[0])
    colour = bytearray()
    for row in reversed(rows):
        for c in row:
            rgb = PALETTE[c]
            colour += bytes((0, 0, 0, 0)) if rgb is None else bytes((rgb[2], rgb[1], rgb[0], 255))
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, c in enumerate(row):
            if PALETTE[c] is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return info + colour + mask


def ico(images):
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = len(head) + 16 * len(images)
    entries, data = b"", b""
    for rows in images:
        blob = icon_image(rows)
        size = len(rows)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset + len(data))
        data += blob
    return head + entries + data


def main():
    strip = [a + b + c for a, b, c in zip(NONE, ASCENDING, DESCENDING)]
    with open(os.path.join(HERE, "header.bmp"), "wb") as f:
        f.write(bmp_24(strip, MAGENTA))
    with open(os.path.join(HERE, "moxwin.ico"), "wb") as f:
        f.write(ico([ICON_16, scale(ICON_16, 2)]))


if __name__ == "__main__":
    main()
