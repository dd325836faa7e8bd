#!/usr/bin/env python3
"""Draws Korvane's application icon: the tray meter with line 1 at full load
and line 2 at half load, on the tray picture's 16 x 16 grid.

Writes packaging/icons/<n>x<n>/korvane.png for the hicolor sizes and
packaging/icons/scalable/korvane.svg. The 16 x 16 picture is pixel for pixel
the tray's own image for those levels; larger sizes are the same rectangles
scaled, with exact box-filtered edges. Only the standard library is used, so
the icons can be redrawn anywhere: python3 packaging/icons/make-icons.py
"""

import os
import struct
import sys
import zlib

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
GRID = 16

BLACK = (0x00, 0x00, 0x00)
GREEN = (0x00, 0x80, 0x00)
OLIVE = (0x80, 0x80, 0x00)
MAROON = (0x80, 0x00, 0x00)
NAVY = (0x00, 0x00, 0x80)
LIME = (0x00, 0xFF, 0x00)
YELLOW = (0xFF, 0xFF, 0x00)
RED = (0xFF, 0x00, 0x00)

# Segment colours from the bottom (face, shade), as the tray draws them.
SEGMENTS = [(LIME, GREEN)] * 3 + [(YELLOW, OLIVE)] * 2 + [(RED, MAROON)]
LEVEL_LINE1 = 7  # all six segments lit
LEVEL_LINE2 = 4  # three lit


def bar(left, level):
    """Rectangles (x, y, w, h, colour) of one meter of the tray picture."""
    width = 6
    rects = [(left, 0, width, GRID, BLACK)]
    lit = max(0, min(level - 1, len(SEGMENTS)))
    for s, (face, shade) in enumerate(SEGMENTS):
        top = GRID - 1 - (s + 1) * 2
        if s < lit:
            rects.append((left + 1, top, width - 2, 1, face))
            rects.append((left + 1, top + 1, width - 2, 1, shade))
        else:
            rects.append((left + 1, top + 1, width - 2, 1, NAVY))
    return rects


RECTS = bar(1, LEVEL_LINE1) + bar(9, LEVEL_LINE2)


def overlap(a0, a1, b0, b1):
    return max(0.0, min(a1, b1) - max(a0, b0))


def render(size):
    """RGBA rows of the icon at size x size, each rectangle composited over the
    ones before it with its exact pixel coverage as alpha."""
    scale = size / GRID
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            # Pixel area in grid units.
            x0, x1 = px / scale, (px + 1) / scale
            y0, y1 = py / scale, (py + 1) / scale
            area = (x1 - x0) * (y1 - y0)
            r = g = b = a = 0.0  # premultiplied
            for (rx, ry, rw, rh, colour) in RECTS:
                cover = overlap(x0, x1, rx, rx + rw) * overlap(y0, y1, ry, ry + rh) / area
                if cover <= 0.0:
                    continue
                r = colour[0] * cover + r * (1 - cover)
                g = colour[1] * cover + g * (1 - cover)
                b = colour[2] * cover + b * (1 - cover)
                a = cover + a * (1 - cover)
            if a > 0.0:
                row += bytes((round(r / a), round(g / a), round(b / a), round(a * 255)))
            else:
                row += b"\0\0\0\0"
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def svg():
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 16 16">',
             '  <title>Korvane</title>']
    for (x, y, w, h, colour) in RECTS:
        lines.append('  <rect x="%d" y="%d" width="%d" height="%d" fill="#%02x%02x%02x"/>' % (x, y, w, h, *colour))
    lines.append('</svg>')
    return "\n".join(lines) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else here
    for size in SIZES:
        folder = os.path.join(out, "%dx%d" % (size, size))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "korvane.png"), "wb") as f:
            f.write(png(size, render(size)))
    os.makedirs(os.path.join(out, "scalable"), exist_ok=True)
    with open(os.path.join(out, "scalable", "korvane.svg"), "w") as f:
        f.write(svg())


if __name__ == "__main__":
    main()
