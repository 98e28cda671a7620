#!/usr/bin/env python3
"""Draws apData/Stamp.bmp, the picture of the marker tool bar's stamp tool: a red round seal
with the character 正 ("correct", "checked") inside a double ring, on white.

Standard library only. The shapes are drawn at four times the size and averaged down, so the
edges are smooth. Run it from this folder after changing the drawing and commit the BMP:

    python3 make_stamp.py
"""
import math
import struct

SIZE = 64          # pixels of the finished picture
SCALE = 4          # supersampling factor
INK = (200, 30, 40)
PAPER = (255, 255, 255)


def coverage(x, y):
    """True where the seal has ink, in units of the finished picture (0..SIZE)."""
    cx = cy = SIZE / 2
    r = math.hypot(x - cx, y - cy)
    if 28.0 <= r <= 31.0 or 24.5 <= r <= 25.5:   # outer ring and thin inner ring
        return True
    # 正: five strokes, each a rectangle (left, top, right, bottom), stroke width 3.
    strokes = [
        (17, 16, 47, 19),   # top bar
        (30.5, 16, 33.5, 47),  # centre stem
        (33.5, 29, 44, 32),    # short bar to the right of the stem
        (21, 29, 24, 47),      # left stem
        (14, 44.5, 50, 47.5),  # bottom bar
    ]
    return any(l <= x <= rt and t <= y <= b for l, t, rt, b in strokes)


def render():
    rows = []
    n = SCALE * SCALE
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            hits = sum(
                coverage(px + (sx + 0.5) / SCALE, py + (sy + 0.5) / SCALE)
                for sy in range(SCALE)
                for sx in range(SCALE)
            )
            a = hits / n
            row.append(tuple(round(p * (1 - a) + i * a) for p, i in zip(PAPER, INK)))
        rows.append(row)
    return rows


def write_bmp(path, rows):
    """24-bit bottom-up BMP with a BITMAPINFOHEADER at 96 dots per inch."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        pixels += line
    ppm = round(96 / 0.0254)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), ppm, ppm, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, 'wb') as f:
        f.write(header + info + pixels)


if __name__ == '__main__':
    write_bmp('apData/Stamp.bmp', render())
