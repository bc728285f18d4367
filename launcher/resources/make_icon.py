#!/usr/bin/env python3
"""Draws wapp's default application icon and writes it as a Windows .ico.

The picture: a blue rounded tile holding a white browser window (a frame
with a title bar). Drawn from distance functions with 4 x 4 supersampling,
so every size is smooth and nothing is taken from elsewhere. Standard
library only. Run it again after changing the drawing:

    python3 launcher/resources/make_icon.py launcher/resources/wapp.ico
"""
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 256)
SAMPLES = 4


def rounded_box(x, y, left, top, right, bottom, radius):
    """Signed distance from (x, y) to a rounded rectangle (negative inside)."""
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hx, hy = (right - left) / 2 - radius, (bottom - top) / 2 - radius
    dx, dy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = (max(dx, 0) ** 2 + max(dy, 0) ** 2) ** 0.5
    return outside + min(max(dx, dy), 0) - radius


def colour_at(u, v):
    """Straight RGBA of the picture at (u, v) in the unit square, or None."""
    if rounded_box(u, v, 0.03, 0.03, 0.97, 0.97, 0.2) > 0:
        return None
    # The tile: a vertical blue gradient.
    top, bottom = (66, 153, 240), (22, 86, 196)
    tile = tuple(round(a + (b - a) * v) for a, b in zip(top, bottom)) + (255,)
    frame = rounded_box(u, v, 0.2, 0.25, 0.8, 0.75, 0.06)
    inner = rounded_box(u, v, 0.26, 0.4, 0.74, 0.69, 0.02)
    if frame <= 0 and inner > 0:
        return (255, 255, 255, 255)
    if inner <= 0:
        return (196, 224, 255, 255)
    return tile


def render(size):
    """Straight (not premultiplied) RGBA rows, top row first."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = a = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((x + (sx + 0.5) / SAMPLES) / size, (y + (sy + 0.5) / SAMPLES) / size)
                    if c:
                        r, g, b, a = r + c[0], g + c[1], b + c[2], a + 255
            n = SAMPLES * SAMPLES
            coverage = a / 255
            if coverage == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(r / coverage), round(g / coverage), round(b / coverage), round(a / n)))
        rows.append(row)
    return rows


def bmp_image(size, rows):
    """An icon image in the DIB form: header, BGRA bottom-up, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def png_image(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def icon_file():
    images = []
    for size in SIZES:
        rows = render(size)
        # Large images as PNG keep the file small; the small ones stay DIBs
        # for the oldest readers of icon resources.
        images.append((size, png_image(size, rows) if size >= 256 else bmp_image(size, rows)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries, data = b"", b""
    for size, image in images:
        dimension = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", dimension, dimension, 0, 0, 1, 32, len(image), offset + len(data))
        data += image
    return directory + entries + data


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(icon_file())
