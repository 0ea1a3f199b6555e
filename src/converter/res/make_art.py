#!/usr/bin/env python3
"""Writes the converter's program icon and start picture.

  icon_1.ico    32 x 32, 32 bits per pixel with alpha and mask: a database cylinder fed by an
                arrow (resource ICON_1)
  bitmap_1.bmp  300 x 300, 8 bits per pixel with a palette: a customer table, an arrow and a
                database cylinder above the word VELARTO, on pure red (255, 0, 0), which the
                program draws transparent (resource BITMAP_1)

Run from anywhere: `python3 make_art.py [output folder]` (default: this script's folder). The
output is committed, so building the program needs no Python; rerun this script after changing
a picture below and commit its output. The output depends on nothing but this script.

Shapes are drawn with hard edges only: a blended edge pixel would mix with the red key colour
and show as a reddish fringe once the red is made transparent.
"""
import os
import struct
import sys

RED = (255, 0, 0)  # the transparent key colour of the start picture


class Canvas:
    """An RGB picture with a few filled shapes; colours are (r, g, b) tuples."""

    def __init__(self, width, height, background):
        self.width = width
        self.height = height
        self.pixels = [[background] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        """Fills x0 <= x < x1, y0 <= y < y1."""
        for y in range(max(0, y0), min(self.height, y1)):
            row = self.pixels[y]
            for x in range(max(0, x0), min(self.width, x1)):
                row[x] = colour

    def round_rect(self, x0, y0, x1, y1, radius, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                dx = max(x0 + radius - x - 0.5, 0, x - (x1 - radius) + 0.5)
                dy = max(y0 + radius - y - 0.5, 0, y - (y1 - radius) + 0.5)
                if dx * dx + dy * dy <= radius * radius:
                    self.put(x, y, colour)

    def ellipse(self, cx, cy, rx, ry, colour, shade=None):
        """Fills the ellipse; shade(x) may give the colour per column instead."""
        for y in range(int(cy - ry) - 1, int(cy + ry) + 2):
            for x in range(int(cx - rx) - 1, int(cx + rx) + 2):
                u = (x + 0.5 - cx) / rx
                v = (y + 0.5 - cy) / ry
                if u * u + v * v <= 1.0:
                    self.put(x, y, shade(x) if shade else colour)

    def polygon(self, points, colour):
        """Fills the polygon by the even-odd rule at pixel centres."""
        ys = [p[1] for p in points]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            yc = y + 0.5
            crossings = []
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                if (ya <= yc < yb) or (yb <= yc < ya):
                    crossings.append(xa + (yc - ya) * (xb - xa) / (yb - ya))
            crossings.sort()
            for left, right in zip(crossings[0::2], crossings[1::2]):
                for x in range(int(round(left)), int(round(right))):
                    self.put(x, y, colour)


def ramp(c0, c1, steps):
    return [tuple(round(a + (b - a) * i / (steps - 1)) for a, b in zip(c0, c1)) for i in range(steps)]


# Colours. Shaded shapes take their colour from a ramp; the palette of the 8-bit picture is
# built from every colour used, so it stays well below 256 entries.
BLUE = ramp((18, 52, 110), (120, 170, 235), 24)  # cylinder body, dark edge to highlight
TOP = (150, 196, 245)                            # cylinder top
RIM = (12, 38, 86)                               # cylinder outlines and bands
INK = (16, 40, 84)                               # the word
TEAL = (0, 110, 120)                             # table header
PAPER = (255, 255, 255)
STRIPE = (228, 238, 246)
GRID = (150, 160, 172)
SHADOW = (90, 90, 98)
ORANGE = (245, 140, 20)
ORANGE_DARK = (190, 95, 0)


def cylinder(c, x0, x1, top, bottom, bands):
    """A database cylinder between columns x0 and x1, top and bottom ellipse centres."""
    cx, rx, ry = (x0 + x1) / 2, (x1 - x0) / 2, (x1 - x0) / 7

    def shade(x):
        # Light from the upper left: brightest a third in, dark at both edges.
        t = (x + 0.5 - x0) / (x1 - x0)
        light = 1 - abs(t - 0.35) / 0.65
        return BLUE[max(0, min(len(BLUE) - 1, int(light * (len(BLUE) - 1))))]

    c.ellipse(cx, bottom, rx + 1, ry + 1, RIM)
    c.ellipse(cx, bottom, rx, ry, None, shade)
    for x in range(x0 - 1, x1 + 1):
        for y in range(top, bottom):
            c.put(x, y, RIM if x in (x0 - 1, x1) else shade(x))
    for band in bands:  # the lower half of an ellipse marks each disk
        for x in range(x0, x1):
            u = (x + 0.5 - cx) / rx
            y = band + ry * (1 - u * u) ** 0.5
            c.put(x, int(y), RIM)
            c.put(x, int(y) + 1, RIM)
    c.ellipse(cx, top, rx + 1, ry + 1, RIM)
    c.ellipse(cx, top, rx - 1, ry - 1, TOP)


def arrow(c, x0, x1, y, shaft, head, colour, edge):
    """A right-pointing arrow from x0 to x1 centred on row y, outlined with edge."""
    def outline(grow):
        return [(x0 - grow, y - shaft - grow), (x1 - head - grow, y - shaft - grow),
                (x1 - head - grow, y - head - 2 * grow), (x1 + 2 * grow, y),
                (x1 - head - grow, y + head + 2 * grow), (x1 - head - grow, y + shaft + grow),
                (x0 - grow, y + shaft + grow)]
    c.polygon(outline(2), edge)
    c.polygon(outline(0), colour)


def table(c, x0, y0, x1, y1, header, rows, columns):
    c.round_rect(x0 + 6, y0 + 6, x1 + 6, y1 + 6, 6, SHADOW)
    c.round_rect(x0 - 2, y0 - 2, x1 + 2, y1 + 2, 8, GRID)
    c.round_rect(x0, y0, x1, y1, 6, PAPER)
    c.round_rect(x0, y0, x1, y0 + header + 6, 6, TEAL)
    c.rect(x0, y0 + header, x1, y0 + header + 6, PAPER)
    step = (y1 - y0 - header) / rows
    for r in range(rows):
        top = int(y0 + header + r * step)
        if r % 2:
            c.rect(x0, top, x1, int(top + step), STRIPE)
        c.rect(x0, int(top + step) - 1, x1, int(top + step), GRID)
    for col in columns:
        c.rect(col, y0 + header, col + 1, y1, GRID)
        c.rect(col, y0, col + 1, y0 + header, PAPER)


# 5 x 7 letters of the word, '#' set.
LETTERS = {
    "V": ["#...#", "#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
}


def word(c, text, x, y, scale, colour):
    for letter in text:
        for row, bits in enumerate(LETTERS[letter]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    c.rect(x + col * scale, y + row * scale, x + (col + 1) * scale,
                           y + (row + 1) * scale, colour)
        x += 6 * scale


def start_picture():
    c = Canvas(300, 300, RED)
    table(c, 14, 62, 132, 196, 18, 6, [58, 98])
    cylinder(c, 184, 284, 58, 194, [100, 146])
    arrow(c, 112, 176, 128, 9, 22, ORANGE, ORANGE_DARK)
    word(c, "VELARTO", 24, 236, 6, INK)
    return c


def icon_picture():
    c = Canvas(32, 32, None)  # None: transparent
    cylinder(c, 13, 30, 6, 26, [13, 20])
    arrow(c, 2, 15, 16, 3, 6, ORANGE, ORANGE_DARK)
    return c


def write_bmp8(path, c):
    colours = sorted({p for row in c.pixels for p in row})
    assert len(colours) <= 256, len(colours)
    index = {colour: i for i, colour in enumerate(colours)}
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    palette += b"\0" * (4 * 256 - len(palette))
    stride = (c.width + 3) & ~3
    rows = b"".join(bytes(index[p] for p in row) + b"\0" * (stride - c.width)
                    for row in reversed(c.pixels))
    info = struct.pack("<IiiHHIIiiII", 40, c.width, c.height, 1, 8, 0, len(rows), 2835, 2835,
                       256, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + palette + rows)


def write_ico32(path, c):
    xor = b"".join(b"".join(struct.pack("<BBBB", p[2], p[1], p[0], 255) if p else b"\0\0\0\0"
                            for p in row) for row in reversed(c.pixels))
    mask_stride = ((c.width + 31) // 32) * 4
    mask = b""
    for row in reversed(c.pixels):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p is None:  # 1: transparent
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    info = struct.pack("<IiiHHIIiiII", 40, c.width, 2 * c.height, 1, 32, 0, len(xor) + len(mask),
                       0, 0, 0, 0)
    image = info + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", c.width, c.height, 0, 0, 1, 32, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write_bmp8(os.path.join(out, "bitmap_1.bmp"), start_picture())
    write_ico32(os.path.join(out, "icon_1.ico"), icon_picture())


if __name__ == "__main__":
    main()
