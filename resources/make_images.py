#!/usr/bin/env python3
"""Draws the tool bar strip and the program icon as 16-colour PNG files.

Run it from anywhere; it writes toolbar.png (nine 16 x 16 pictures side by
side, 144 x 16), spanmeter-16.png and spanmeter-32.png beside itself.
Standard library only, so the pictures can be redrawn on any machine.
"""

import os
import struct
import zlib

# The sixteen colours; index 0 is transparent.
PALETTE = {
    ".": (255, 0, 255),  # transparent
    "k": (0, 0, 0),
    "r": (128, 0, 0),
    "g": (0, 128, 0),
    "o": (128, 128, 0),
    "n": (0, 0, 128),
    "p": (128, 0, 128),
    "t": (0, 128, 128),
    "d": (128, 128, 128),
    "s": (192, 192, 192),
    "R": (255, 0, 0),
    "G": (0, 255, 0),
    "Y": (255, 255, 0),
    "B": (0, 0, 255),
    "C": (0, 255, 255),
    "w": (255, 255, 255),
}
KEYS = list(PALETTE)


class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [["."] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def fill(self, x0, y0, x1, y1, colour):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.put(x, y0, colour)
            self.put(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.put(x0, y, colour)
            self.put(x1, y, colour)

    def box(self, x0, y0, x1, y1, border, inside):
        self.fill(x0, y0, x1, y1, inside)
        self.frame(x0, y0, x1, y1, border)

    def disc(self, cx, cy, radius, border, inside):
        for y in range(self.height):
            for x in range(self.width):
                d2 = (x - cx) ** 2 + (y - cy) ** 2
                if d2 <= radius * radius:
                    self.put(x, y, inside if d2 <= (radius - 1) ** 2 else border)

    def art(self, x0, y0, rows):
        """Copies a picture written as rows of palette letters ('.' is left as it is)."""
        for dy, row in enumerate(rows):
            for dx, colour in enumerate(row):
                if colour != ".":
                    self.put(x0 + dx, y0 + dy, colour)

    def paste(self, other, x0, y0):
        for y in range(other.height):
            for x in range(other.width):
                self.put(x0 + x, y0 + y, other.pixels[y][x])


def folder(c, x0, y0, x1, y1, tab):
    """A yellow folder filling the rectangle, its tab `tab` pixels wide."""
    top = y0 + 2
    c.fill(x0 + 1, y0, x0 + tab, y0 + 1, "Y")
    c.frame(x0 + 1, y0, x0 + tab, top, "k")
    c.box(x0, top, x1, y1, "k", "Y")
    c.fill(x0 + 1, top + 1, x1 - 1, top + 1, "w")
    c.fill(x0 + 1, y1 - 1, x1 - 1, y1 - 1, "o")
    c.fill(x1 - 1, top + 1, x1 - 1, y1 - 1, "o")


def page(c, x0, y0, x1, y1, lines=True):
    """A sheet of paper with a folded corner and lines of text."""
    c.box(x0, y0, x1, y1, "k", "w")
    for i in range(3):
        c.put(x1 - i, y0, ".")
    c.put(x1, y0 + 1, ".")
    c.put(x1, y0 + 2, ".")
    c.put(x1 - 3, y0 + 1, "k")
    c.put(x1 - 3, y0 + 2, "k")
    c.put(x1 - 2, y0 + 3, "k")
    c.put(x1 - 1, y0 + 3, "k")
    c.put(x1, y0 + 3, "k")
    c.put(x1 - 2, y0 + 2, "k")
    c.put(x1 - 1, y0 + 3, "k")
    if lines:
        for y in range(y0 + 3, y1 - 1, 2):
            c.fill(x0 + 2, y, x1 - (4 if y < y0 + 4 else 2), y, "d")


def dir_up():
    c = Canvas(16, 16)
    folder(c, 0, 2, 15, 15, 6)
    c.art(3, 5, [
        "....k....",
        "...kgk...",
        "..kgggk..",
        ".kgggggk.",
        "kkkgggkkk",
        "...gggk..",
        "...gggk..",
        "...kkkk..",
    ])
    return c


def tree(levels, colours):
    """Rows of small squares, one per directory, indented by level and joined
    by dotted lines, each followed by a bar standing for its name."""
    c = Canvas(16, 16)
    parents = {}
    for row, (level, colour) in enumerate(zip(levels, colours)):
        y = 1 + row * 4
        x = level * 4
        c.box(x, y - 1, x + 2, y + 1, "k", colour)
        c.fill(x + 4, y, min(15, x + 4 + 9 - level * 2), y, "k")
        if level > 0:
            px, py = parents[level - 1]
            for yy in range(py + 2, y + 1):
                if yy % 2 == 0 or yy == y:
                    c.put(px + 1, yy, "d")
            for xx in range(px + 1, x):
                if xx % 2 == 1:
                    c.put(xx, y, "d")
        parents[level] = (x, y)
    return c


def expanded():
    return tree([0, 1, 2, 3], ["Y", "Y", "Y", "Y"])


def compressed():
    return tree([0, 1, 1, 1], ["Y", "t", "t", "t"])


def copy():
    c = Canvas(16, 16)
    page(c, 0, 0, 9, 11)
    page(c, 6, 4, 15, 15)
    return c


def save():
    c = Canvas(16, 16)
    c.box(1, 1, 14, 14, "k", "n")
    c.put(14, 1, ".")
    c.put(13, 1, "k")
    c.put(14, 2, "k")
    c.box(4, 1, 11, 6, "k", "s")
    c.fill(8, 2, 9, 5, "n")
    c.box(3, 9, 12, 14, "k", "w")
    c.fill(5, 11, 10, 11, "d")
    return c


def printer():
    c = Canvas(16, 16)
    c.box(4, 0, 11, 6, "k", "w")
    c.fill(6, 2, 9, 2, "d")
    c.fill(6, 4, 9, 4, "d")
    c.box(0, 6, 15, 12, "k", "s")
    c.fill(1, 7, 14, 7, "w")
    c.fill(1, 11, 14, 11, "d")
    c.put(12, 9, "G")
    c.box(3, 11, 12, 15, "k", "w")
    c.fill(5, 13, 10, 13, "d")
    return c


def preview():
    c = Canvas(16, 16)
    page(c, 0, 0, 10, 14)
    c.disc(10, 9, 4, "k", "C")
    c.put(9, 7, "w")
    c.put(8, 8, "w")
    for i in range(3):
        c.put(13 + i, 12 + i, "n")
        c.put(12 + i, 12 + i, "n")
    return c


def options():
    c = Canvas(16, 16)
    for y, knob in ((2, 9), (7, 3), (12, 11)):
        c.fill(1, y, 14, y, "d")
        c.fill(1, y + 1, 14, y + 1, "w")
        c.box(knob, y - 2, knob + 2, y + 3, "k", "B")
        c.put(knob + 1, y - 1, "C")
    return c


def about():
    c = Canvas(16, 16)
    c.disc(7.5, 7.5, 8, "n", "B")
    c.fill(7, 3, 8, 4, "w")
    c.fill(6, 6, 8, 6, "w")
    c.fill(7, 7, 8, 11, "w")
    c.fill(6, 12, 9, 12, "w")
    return c


def icon(size):
    """The program's picture: a folder with bars measuring what it holds."""
    c = Canvas(size, size)
    if size == 32:
        folder(c, 1, 4, 30, 29, 10)
        bars = [(12, 21, "R"), (17, 15, "G"), (22, 9, "B")]
        for y, length, colour in bars:
            c.box(5, y, 5 + length, y + 3, "k", colour)
    else:
        folder(c, 0, 2, 15, 15, 6)
        for y, length, colour in [(7, 10, "R"), (10, 7, "G")]:
            c.box(2, y, 2 + length, y + 2, "k", colour)
    return c


def write_png(path, canvas):
    rows = bytearray()
    for line in canvas.pixels:
        rows.append(0)  # no filter
        indices = [KEYS.index(colour) for colour in line]
        if len(indices) % 2:
            indices.append(0)
        for hi, lo in zip(indices[0::2], indices[1::2]):
            rows.append(hi << 4 | lo)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    palette = b"".join(bytes(PALETTE[k]) for k in KEYS)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", canvas.width, canvas.height, 4, 3, 0, 0, 0))
    png += chunk(b"PLTE", palette)
    png += chunk(b"tRNS", b"\x00")
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    pictures = [dir_up, expanded, compressed, copy, save, printer, preview, options, about]
    strip = Canvas(16 * len(pictures), 16)
    for i, draw in enumerate(pictures):
        strip.paste(draw(), i * 16, 0)
    write_png(os.path.join(here, "toolbar.png"), strip)
    write_png(os.path.join(here, "spanmeter-16.png"), icon(16))
    write_png(os.path.join(here, "spanmeter-32.png"), icon(32))


if __name__ == "__main__":
    main()
