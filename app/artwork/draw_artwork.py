#!/usr/bin/env python3
"""Draws Gripline's artwork: the header logo (a 1024 x 1024 PNG) and the
program icon (one .ico with the sizes Windows asks for at 96 to 192 DPI:
16 to 32 for the small icon, 32 to 64 for the large one, and 48 to 96 for
the header's fallback). Standard library only.

The build does not run this: its output is kept beside it. Run it again
after changing a shape:  python3 app/artwork/draw_artwork.py app/artwork

Every shape is a signed distance in logo pixels (negative inside); its
coverage is the distance clipped to one output pixel, which smooths edges
at any size without supersampling.
"""
import math
import struct
import sys
import zlib
from pathlib import Path

BACK_TOP = (24, 28, 34)
BACK_BOTTOM = (13, 15, 18)
OUTLINE = (39, 45, 54)
BLUE = (28, 142, 236)
DEEP_BLUE = (45, 102, 194)
LIGHT = (232, 238, 246)

CENTRE = (512.0, 530.0)


def rounded_square(x, y, half, radius):
    qx = abs(x - 512.0) - (half - radius)
    qy = abs(y - 512.0) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def ring(x, y, radius, width):
    return abs(math.hypot(x - CENTRE[0], y - CENTRE[1]) - radius) - width / 2


def disc(x, y, radius):
    return math.hypot(x - CENTRE[0], y - CENTRE[1]) - radius


def segment(x, y, ax, ay, bx, by, width):
    px, py = x - ax, y - ay
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, (px * dx + py * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - t * dx, py - t * dy) - width / 2


def spokes(x, y):
    cx, cy = CENTRE
    return min(segment(x, y, cx - 300, cy, cx + 300, cy, 70),
               segment(x, y, cx, cy, cx, cy + 300, 70))


def grip_marker(x, y):
    # The straight-ahead mark at the top of the rim, as on a racing wheel.
    cx, cy = CENTRE
    return segment(x, y, cx, cy - 360, cx, cy - 300, 44)


def road_line(x, y):
    # A sweep of road through the lower left: the force comes from it.
    return abs(math.hypot(x - 1060.0, y - 1160.0) - 720.0) - 14


def blend(under, over, alpha):
    return tuple(u + (o - u) * alpha for u, o in zip(under, over))


def coverage(distance, pixel):
    return max(0.0, min(1.0, 0.5 - distance / pixel))


def shade(x, y, pixel):
    """The colour (r, g, b, a) at logo point (x, y); `pixel` is one output
    pixel in logo units."""
    plate = coverage(rounded_square(x, y, 500, 190), pixel)
    if plate <= 0.0:
        return (0, 0, 0, 0)
    t = y / 1024.0
    colour = blend(BACK_TOP, BACK_BOTTOM, t)
    colour = blend(colour, OUTLINE, coverage(abs(rounded_square(x, y, 490, 180)) - 8, pixel))
    rim_colour = blend(BLUE, DEEP_BLUE, t)
    inside = coverage(rounded_square(x, y, 482, 172), pixel)
    colour = blend(colour, DEEP_BLUE, 0.55 * inside * coverage(road_line(x, y), pixel))
    colour = blend(colour, rim_colour, coverage(ring(x, y, 330, 70), pixel))
    colour = blend(colour, rim_colour, coverage(spokes(x, y), pixel))
    colour = blend(colour, DEEP_BLUE, coverage(disc(x, y, 110), pixel))
    colour = blend(colour, BACK_BOTTOM, coverage(disc(x, y, 58), pixel))
    colour = blend(colour, LIGHT, coverage(grip_marker(x, y), pixel))
    return (*colour, 255.0 * plate)


def render(size):
    """Rows of (r, g, b, a) bytes, top row first."""
    pixel = 1024.0 / size
    rows = []
    for j in range(size):
        row = bytearray()
        y = (j + 0.5) * pixel
        for i in range(size):
            r, g, b, a = shade((i + 0.5) * pixel, y, pixel)
            row += bytes((round(r), round(g), round(b), round(a)))
        rows.append(bytes(row))
    return rows


def png(rows, size):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + row for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def icon_image(rows, size):
    """One icon entry: a 32-bit bottom-up DIB (BGRA) and an empty AND mask."""
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for i in range(0, len(row), 4):
            r, g, b, a = row[i:i + 4]
            pixels += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    return info + bytes(pixels) + bytes(mask_row * size)


def ico(sizes):
    images = [icon_image(render(s), s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
    (folder / "gripline.ico").write_bytes(ico([16, 20, 24, 32, 40, 48, 64, 72, 96]))
    (folder / "gripline_logo.png").write_bytes(png(render(1024), 1024))


if __name__ == "__main__":
    main()
