#!/usr/bin/env python3
"""Draws the tool bar strip and the program icon from one description.

Run it from anywhere; it writes beside itself toolbar-N.png (nine N x N
pictures side by side) for N = 16, 24, 32, 48 and 64, spanmeter-N.png for the
icon sizes below and spanmeter.svg. The 16-pixel strip and the 16- and
32-pixel icons are 16-colour pictures, pixel by pixel as designed; the other
sizes draw the same shapes finer, smoothed, in full colour.
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
    """A picture drawn on a grid of design pixels (16 across a tool bar image)
    at `scale` device pixels each. At scale 1 every operation sets whole
    pixels of the sixteen colours; larger scales draw the same shapes with
    thin outlines, sampled `ss` times finer in each direction and averaged,
    so curves and slopes come out smooth and edges stay on whole pixels."""

    def __init__(self, width, height, scale=1):
        self.width = width
        self.height = height
        self.scale = scale
        self.ss = 1 if scale == 1 else (4 if scale < 4 else 2)
        self.dw = self.edge(width)
        self.dh = self.edge(height)
        self.pixels = [["."] * self.dw for _ in range(self.dh)]
        # Outlines: one device pixel up to twice the design, then thicker.
        self.line = self.ss * max(1, int(scale / 2 + 0.5))
        self.shapes = []  # for the vector copy: (kind, arguments)

    def edge(self, x):
        """The sample row or column where design coordinate x begins."""
        return int(x * self.scale + 0.5) * self.ss

    def area(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.dh, y1)):
            row = self.pixels[y]
            for x in range(max(0, x0), min(self.dw, x1)):
                row[x] = colour

    def put(self, x, y, colour):
        self.fill(x, y, x, y, colour)

    def fill(self, x0, y0, x1, y1, colour):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), inclusive."""
        self.shapes.append(("fill", (x0, y0, x1, y1, colour)))
        self.area(self.edge(x0), self.edge(y0), self.edge(x1 + 1), self.edge(y1 + 1), colour)

    def frame(self, x0, y0, x1, y1, colour):
        """The rectangle's outline, inside its edges."""
        self.shapes.append(("frame", (x0, y0, x1, y1, colour)))
        left, top = self.edge(x0), self.edge(y0)
        right, bottom = self.edge(x1 + 1), self.edge(y1 + 1)
        w = self.line
        self.area(left, top, right, top + w, colour)
        self.area(left, bottom - w, right, bottom, colour)
        self.area(left, top, left + w, bottom, colour)
        self.area(right - w, top, right, bottom, colour)

    def box(self, x0, y0, x1, y1, border, inside):
        self.fill(x0, y0, x1, y1, inside)
        self.frame(x0, y0, x1, y1, border)

    def samples(self, x0, y0, x1, y1):
        """The samples of a design rectangle, with their centres in design
        coordinates (pixel centres at whole numbers, as at scale 1)."""
        step = self.scale * self.ss
        for y in range(max(0, int((y0 + 0.5) * step) - 1), min(self.dh, int((y1 + 0.5) * step) + 2)):
            for x in range(max(0, int((x0 + 0.5) * step) - 1), min(self.dw, int((x1 + 0.5) * step) + 2)):
                yield x, y, (x + 0.5) / step - 0.5, (y + 0.5) / step - 0.5

    def disc(self, cx, cy, radius, border, inside):
        rim = 1 if self.scale == 1 else self.line / (self.scale * self.ss)
        for x, y, u, v in self.samples(cx - radius, cy - radius, cx + radius, cy + radius):
            d2 = (u - cx) ** 2 + (v - cy) ** 2
            if d2 <= radius * radius:
                self.pixels[y][x] = inside if d2 <= (radius - rim) ** 2 else border

    def polygon(self, points, border, inside):
        """A filled polygon (design coordinates of pixel edges), for scales
        above 1; its outline is as thick as a frame's."""
        step = self.scale * self.ss
        rim = self.line / step
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        edges = list(zip(points, points[1:] + points[:1]))
        for x, y, u, v in self.samples(min(xs) - 1, min(ys) - 1, max(xs), max(ys)):
            u, v = u + 0.5, v + 0.5  # pixel edges, as the points are given
            inside_count = 0
            near = False
            for (ax, ay), (bx, by) in edges:
                if (ay > v) != (by > v) and u < ax + (v - ay) * (bx - ax) / (by - ay):
                    inside_count += 1
                dx, dy = bx - ax, by - ay
                t = max(0.0, min(1.0, ((u - ax) * dx + (v - ay) * dy) / (dx * dx + dy * dy)))
                near = near or (u - ax - t * dx) ** 2 + (v - ay - t * dy) ** 2 < rim * rim
            if inside_count % 2:
                self.pixels[y][x] = border if near and border else inside

    def art(self, x0, y0, rows):
        """Copies a picture written as rows of palette letters ('.' is left as it is)."""
        for dy, row in enumerate(rows):
            for dx, colour in enumerate(row):
                if colour != ".":
                    self.put(x0 + dx, y0 + dy, colour)

    def paste(self, other, x0, y0):
        dx, dy = self.edge(x0), self.edge(y0)
        for y in range(other.dh):
            for x in range(other.dw):
                if 0 <= dx + x < self.dw and 0 <= dy + y < self.dh:
                    self.pixels[dy + y][dx + x] = other.pixels[y][x]

    def rgba(self):
        """Rows of device pixels as (r, g, b, a), the samples averaged."""
        n = self.ss * self.ss
        rows = []
        for y in range(0, self.dh, self.ss):
            row = []
            for x in range(0, self.dw, self.ss):
                r = g = b = a = 0
                for yy in range(y, y + self.ss):
                    for xx in range(x, x + self.ss):
                        colour = self.pixels[yy][xx]
                        if colour != ".":
                            cr, cg, cb = PALETTE[colour]
                            r, g, b, a = r + cr, g + cg, b + cb, a + 1
                row.append((r // a, g // a, b // a, 255 * a // n) if a else (0, 0, 0, 0))
            rows.append(row)
        return rows


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
    if c.scale == 1:
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
    else:
        right, bottom, fold = x1 + 1, y1 + 1, 3.5
        c.polygon([(x0, y0), (right - fold, y0), (right, y0 + fold), (right, bottom), (x0, bottom)],
                  "k", "w")
        c.polygon([(right - fold, y0), (right - fold, y0 + fold), (right, y0 + fold)], "k", "s")
    if lines:
        for y in range(y0 + 3, y1 - 1, 2):
            c.fill(x0 + 2, y, x1 - (4 if y < y0 + 4 else 2), y, "d")


def dir_up(scale):
    c = Canvas(16, 16, scale)
    folder(c, 0, 2, 15, 15, 6)
    if scale > 1:
        # A green arrow pointing up, out of the folder.
        c.polygon([(7.5, 5), (12, 9.5), (9.5, 9.5), (9.5, 13), (5.5, 13), (5.5, 9.5), (3, 9.5)],
                  "k", "g")
        return c
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


def tree(scale, levels, colours):
    """Rows of small squares, one per directory, indented by level and joined
    by dotted lines, each followed by a bar standing for its name."""
    c = Canvas(16, 16, scale)
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


def expanded(scale):
    return tree(scale, [0, 1, 2, 3], ["Y", "Y", "Y", "Y"])


def compressed(scale):
    return tree(scale, [0, 1, 1, 1], ["Y", "t", "t", "t"])


def copy(scale):
    c = Canvas(16, 16, scale)
    page(c, 0, 0, 9, 11)
    page(c, 6, 4, 15, 15)
    return c


def save(scale):
    c = Canvas(16, 16, scale)
    c.box(1, 1, 14, 14, "k", "n")
    c.put(14, 1, ".")
    c.put(13, 1, "k")
    c.put(14, 2, "k")
    c.box(4, 1, 11, 6, "k", "s")
    c.fill(8, 2, 9, 5, "n")
    c.box(3, 9, 12, 14, "k", "w")
    c.fill(5, 11, 10, 11, "d")
    return c


def printer(scale):
    c = Canvas(16, 16, scale)
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


def preview(scale):
    c = Canvas(16, 16, scale)
    page(c, 0, 0, 10, 14)
    c.disc(10, 9, 4, "k", "C")
    c.put(9, 7, "w")
    c.put(8, 8, "w")
    if scale > 1:
        c.polygon([(12, 13), (13, 12), (16, 15), (16, 16), (15, 16)], None, "n")
        return c
    for i in range(3):
        c.put(13 + i, 12 + i, "n")
        c.put(12 + i, 12 + i, "n")
    return c


def options(scale):
    c = Canvas(16, 16, scale)
    for y, knob in ((2, 9), (7, 3), (12, 11)):
        c.fill(1, y, 14, y, "d")
        c.fill(1, y + 1, 14, y + 1, "w")
        c.box(knob, y - 2, knob + 2, y + 3, "k", "B")
        c.put(knob + 1, y - 1, "C")
    return c


def about(scale):
    c = Canvas(16, 16, scale)
    c.disc(7.5, 7.5, 8, "n", "B")
    c.fill(7, 3, 8, 4, "w")
    c.fill(6, 6, 8, 6, "w")
    c.fill(7, 7, 8, 11, "w")
    c.fill(6, 12, 9, 12, "w")
    return c


def icon(size):
    """The program's picture: a folder with bars measuring what it holds;
    drawn for 16 and for 32 pixels, larger sizes from the 32-pixel drawing."""
    design = 32 if size >= 32 else 16
    c = Canvas(design, design, size / design)
    if design == 32:
        folder(c, 1, 4, 30, 29, 10)
        bars = [(12, 21, "R"), (17, 15, "G"), (22, 9, "B")]
        for y, length, colour in bars:
            c.box(5, y, 5 + length, y + 3, "k", colour)
    else:
        folder(c, 0, 2, 15, 15, 6)
        for y, length, colour in [(7, 10, "R"), (10, 7, "G")]:
            c.box(2, y, 2 + length, y + 2, "k", colour)
    return c


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def write_png(path, canvas):
    """At scale 1 a 16-colour picture, as drawn; else 8-bit RGBA."""
    rows = bytearray()
    if canvas.scale == 1:
        for line in canvas.pixels:
            rows.append(0)  # no filter
            indices = [KEYS.index(colour) for colour in line]
            if len(indices) % 2:
                indices.append(0)
            for hi, lo in zip(indices[0::2], indices[1::2]):
                rows.append(hi << 4 | lo)
        header = struct.pack(">IIBBBBB", canvas.dw, canvas.dh, 4, 3, 0, 0, 0)
        extra = chunk(b"PLTE", b"".join(bytes(PALETTE[k]) for k in KEYS)) + chunk(b"tRNS", b"\x00")
    else:
        for line in canvas.rgba():
            rows.append(0)
            for pixel in line:
                rows.extend(pixel)
        header = struct.pack(">IIBBBBB", len(line), len(rows) // (1 + 4 * len(line)), 8, 6, 0, 0, 0)
        extra = b""
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def write_svg(path, canvas):
    """The shapes of a picture as a scalable image, one unit a design pixel."""
    colour = lambda key: "#%02x%02x%02x" % PALETTE[key]
    lines = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
        % (canvas.width, canvas.height, canvas.width, canvas.height),
    ]
    for kind, (x0, y0, x1, y1, key) in canvas.shapes:
        if key == ".":
            continue
        if kind == "fill":
            lines.append('<rect x="%d" y="%d" width="%d" height="%d" fill="%s"/>'
                         % (x0, y0, x1 - x0 + 1, y1 - y0 + 1, colour(key)))
        else:
            lines.append('<rect x="%g" y="%g" width="%d" height="%d" fill="none" stroke="%s"/>'
                         % (x0 + 0.5, y0 + 0.5, x1 - x0, y1 - y0, colour(key)))
    lines.append("</svg>")
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")


# Tool bar strips: 16 pixels as designed, and for screens of 1.5 to 4 times
# the density; icons at the sizes desktop icon themes use.
STRIP_SCALES = (1, 1.5, 2, 3, 4)
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    pictures = [dir_up, expanded, compressed, copy, save, printer, preview, options, about]
    for scale in STRIP_SCALES:
        strip = Canvas(16 * len(pictures), 16, scale)
        for i, draw in enumerate(pictures):
            strip.paste(draw(scale), i * 16, 0)
        write_png(os.path.join(here, "toolbar-%d.png" % (16 * scale)), strip)
    for size in ICON_SIZES:
        write_png(os.path.join(here, "spanmeter-%d.png" % size), icon(size))
    write_svg(os.path.join(here, "spanmeter.svg"), icon(32))


if __name__ == "__main__":
    main()
