#!/usr/bin/env python3
"""Draws the front end's icon and writes it beside this script (the header's
sort images are drawn by the program itself, for the window's DPI):

  moxwin.ico  the program icon at every size Windows asks for at its display
              scales (16, 20, 24, 32, 40, 48, 64, 256): two overlapping
              sheets, the front one with a check mark. 16 is drawn by hand
              pixel by pixel; the others from the same shapes at their size,
              edges on whole pixels, the check mark smoothed.

The icon is committed; run this again after changing the drawing.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

PALETTE = {
    '.': None,              # transparent
    'k': (0, 0, 0),
    'w': (255, 255, 255),
    'b': (40, 90, 170),
    'l': (150, 190, 235),
    'r': (200, 40, 40),
}

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


ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)

# The shapes of ICON_16 in its 16-unit grid: each sheet as its outer edges
# (left, top, right, bottom), its light ruled lines as (left, right, row), and
# the check mark through the centres of its pixels.
BACK_SHEET = (1, 1, 9, 10)
BACK_LINES = [(3, 6, 3), (2, 4, 5), (2, 4, 7)]
FRONT_SHEET = (5, 4, 13, 14)
FRONT_LINES = [(7, 12, 11)]
CHECK = [(7.5, 8.5), (8.5, 9.5), (11.5, 6.5)]


def colour(key):
    rgb = PALETTE[key]
    return None if rgb is None else (rgb[0], rgb[1], rgb[2], 255)


def draw_icon(size):
    """RGBA rows (top first) of the icon at size x size pixels."""
    if size == 16:
        return [[colour(c) for c in row] for row in ICON_16]
    unit = size / 16
    line = max(1, round(unit / 2))  # outlines and ruled lines
    pixels = [[None] * size for _ in range(size)]

    def at(v):
        return round(v * unit)

    def fill(x0, y0, x1, y1, key):
        for y in range(max(y0, 0), min(y1, size)):
            for x in range(max(x0, 0), min(x1, size)):
                pixels[y][x] = colour(key)

    def sheet(edges, lines):
        left, top, right, bottom = (at(v) for v in edges)
        fill(left, top, right, bottom, 'k')
        fill(left + line, top + line, right - line, bottom - line, 'w')
        for x0, x1, row in lines:
            fill(at(x0), at(row), at(x1), at(row) + line, 'l')

    sheet(BACK_SHEET, BACK_LINES)
    sheet(FRONT_SHEET, FRONT_LINES)
    # The check mark: a thick polyline, each pixel covered in part blended
    # over the sheet by the share of its 4 x 4 samples inside the stroke.
    half = 0.7 * unit
    points = [(x * unit, y * unit) for x, y in CHECK]
    red = colour('r')
    for y in range(size):
        for x in range(size):
            inside = 0
            for sy in range(4):
                for sx in range(4):
                    px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
                    if any(distance_to_segment(px, py, a, b) <= half for a, b in zip(points, points[1:])):
                        inside += 1
            if inside:
                share = inside / 16
                under = pixels[y][x] or (255, 255, 255, 0)
                pixels[y][x] = tuple(round(r * share + u * (1 - share)) for r, u in zip(red[:3], under[:3])) + (
                    max(under[3], round(255 * share)),)
    return pixels


def distance_to_segment(px, py, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def icon_image(pixels):
    """One icon directory image: 32-bit colour with alpha, then the AND mask."""
    height, width = len(pixels), len(pixels[0])
    colour_bytes = bytearray()
    for row in reversed(pixels):
        for p in row:
            colour_bytes += bytes((0, 0, 0, 0)) if p is None else bytes((p[2], p[1], p[0], p[3]))
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p is None or p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(colour_bytes) + len(mask), 0, 0, 0, 0)
    return info + colour_bytes + mask


def png_image(pixels):
    """The image as a PNG file, as icons hold their 256-pixel image."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for p in row:
            raw += bytes(p) if p else bytes(4)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    size = len(pixels)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def ico(images):
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = len(head) + 16 * len(images)
    entries, data = b"", b""
    for pixels in images:
        size = len(pixels)
        blob = png_image(pixels) if size >= 256 else icon_image(pixels)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset + len(data))
        data += blob
    return head + entries + data


def main():
    with open(os.path.join(HERE, "moxwin.ico"), "wb") as f:
        f.write(ico([draw_icon(size) for size in ICON_SIZES]))


if __name__ == "__main__":
    main()
