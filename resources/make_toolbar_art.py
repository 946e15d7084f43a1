#!/usr/bin/env python3
"""Draws the two toolbar strips of the main window: nine 34 x 34 buttons in a
306 x 34 strip, one for a light palette (toolbar-140.png) and one for a dark
palette (toolbar-144.png). Plain Python (zlib and struct) so it runs anywhere;
run it again after changing a picture and commit the PNGs it writes.

Buttons, left to right: Pause, Configure, Send to Notepad, Telegram Filter,
Hex Window, Log Data, Telegram Timing, Print, About."""
import math
import os
import struct
import zlib

CELL = 34
COUNT = 9
SUB = 4  # subsamples per pixel and axis, for smooth edges

LIGHT = {"ink": (40, 48, 60), "accent": (36, 104, 200), "paper": (255, 255, 255),
         "warm": (220, 120, 30), "soft": (200, 214, 232)}
DARK = {"ink": (226, 232, 240), "accent": (110, 170, 255), "paper": (58, 63, 72),
        "warm": (255, 170, 80), "soft": (80, 96, 120)}


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def fill(self, inside, box, colour, alpha=1.0):
        """Paints colour wherever inside(x, y) holds, within box (x0, y0, x1, y1)."""
        x0, y0, x1, y1 = (int(math.floor(box[0])), int(math.floor(box[1])),
                          int(math.ceil(box[2])), int(math.ceil(box[3])))
        for py in range(max(0, y0), min(self.height, y1 + 1)):
            for px in range(max(0, x0), min(self.width, x1 + 1)):
                hits = 0
                for sy in range(SUB):
                    for sx in range(SUB):
                        if inside(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB):
                            hits += 1
                if hits:
                    self.blend(px, py, colour, alpha * hits / (SUB * SUB))

    def blend(self, x, y, colour, a):
        p = self.pixels[y * self.width + x]
        out = a + p[3] * (1 - a)
        for i in range(3):
            p[i] = (colour[i] * a + p[i] * p[3] * (1 - a)) / out if out else 0
        p[3] = out

    def png(self):
        rows = b""
        for y in range(self.height):
            row = bytearray([0])
            for x in range(self.width):
                p = self.pixels[y * self.width + x]
                row += bytes([int(round(p[0])), int(round(p[1])), int(round(p[2])), int(round(p[3] * 255))])
            rows += bytes(row)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9))
                + chunk(b"IEND", b""))


class Cell:
    """Drawing within one button, in coordinates 0..34 of that button."""

    def __init__(self, canvas, index):
        self.canvas, self.dx = canvas, index * CELL

    def rect(self, x0, y0, x1, y1, colour, alpha=1.0):
        dx = self.dx
        self.canvas.fill(lambda x, y: dx + x0 <= x <= dx + x1 and y0 <= y <= y1,
                         (dx + x0, y0, dx + x1, y1), colour, alpha)

    def frame(self, x0, y0, x1, y1, width, colour):
        self.rect(x0, y0, x1, y0 + width, colour)
        self.rect(x0, y1 - width, x1, y1, colour)
        self.rect(x0, y0, x0 + width, y1, colour)
        self.rect(x1 - width, y0, x1, y1, colour)

    def disc(self, cx, cy, r, colour, inner=0.0):
        cx += self.dx
        self.canvas.fill(lambda x, y: inner * inner <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r,
                         (cx - r, cy - r, cx + r, cy + r), colour)

    def ellipse(self, cx, cy, rx, ry, colour):
        cx += self.dx
        self.canvas.fill(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1,
                         (cx - rx, cy - ry, cx + rx, cy + ry), colour)

    def line(self, x0, y0, x1, y1, width, colour):
        x0 += self.dx
        x1 += self.dx
        length2 = (x1 - x0) ** 2 + (y1 - y0) ** 2

        def inside(x, y):
            t = max(0.0, min(1.0, ((x - x0) * (x1 - x0) + (y - y0) * (y1 - y0)) / length2))
            return (x - x0 - t * (x1 - x0)) ** 2 + (y - y0 - t * (y1 - y0)) ** 2 <= (width / 2) ** 2

        pad = width
        self.canvas.fill(inside, (min(x0, x1) - pad, min(y0, y1) - pad, max(x0, x1) + pad, max(y0, y1) + pad),
                         colour)

    def polygon(self, points, colour):
        pts = [(x + self.dx, y) for x, y in points]

        def inside(x, y):
            hit = False
            for i in range(len(pts)):
                (ax, ay), (bx, by) = pts[i], pts[i - 1]
                if (ay > y) != (by > y) and x < (bx - ax) * (y - ay) / (by - ay) + ax:
                    hit = not hit
            return hit

        xs, ys = [p[0] for p in pts], [p[1] for p in pts]
        self.canvas.fill(inside, (min(xs), min(ys), max(xs), max(ys)), colour)


def pause(c, k):
    c.rect(9, 7, 14, 27, k["accent"])
    c.rect(20, 7, 25, 27, k["accent"])


def configure(c, k):
    for i in range(8):
        a = i * math.pi / 4
        c.line(17 + 8 * math.cos(a), 17 + 8 * math.sin(a), 17 + 12 * math.cos(a), 17 + 12 * math.sin(a),
               4.5, k["ink"])
    c.disc(17, 17, 9.5, k["ink"], inner=4)


def send_to_notepad(c, k):
    c.polygon([(7, 4), (21, 4), (27, 10), (27, 30), (7, 30)], k["ink"])
    c.polygon([(9, 6), (20, 6), (25, 11), (25, 28), (9, 28)], k["paper"])
    c.polygon([(20, 4), (27, 11), (20, 11)], k["ink"])
    for y in (14, 18, 22):
        c.rect(11, y, 22, y + 1.4, k["soft"])
    c.polygon([(16, 17), (31, 17), (31, 13), (34, 20), (31, 27), (31, 23), (16, 23)], k["accent"])


def telegram_filter(c, k):
    c.polygon([(5, 6), (29, 6), (20, 17), (20, 28), (14, 31), (14, 17)], k["ink"])
    c.polygon([(9, 8), (25, 8), (18, 16), (16, 16)], k["accent"])


def hex_window(c, k):
    c.rect(4, 5, 30, 29, k["ink"])
    c.rect(6, 10, 28, 27, k["paper"])
    for row in range(4):
        for col in range(4):
            colour = k["accent"] if (row + col) % 3 else k["ink"]
            c.rect(8 + col * 5, 12 + row * 4, 11 + col * 5, 14 + row * 4, colour)


def log_data(c, k):
    c.polygon([(5, 5), (25, 5), (29, 9), (29, 29), (5, 29)], k["ink"])
    c.rect(10, 5, 23, 13, k["paper"])
    c.rect(19, 6.5, 21.5, 11.5, k["ink"])
    c.rect(9, 18, 25, 29, k["paper"])
    for y in (21, 24):
        c.rect(11, y, 23, y + 1.2, k["accent"])


def telegram_timing(c, k):
    c.disc(17, 17, 13, k["ink"], inner=10.5)
    c.disc(17, 17, 10.5, k["paper"])
    for i in range(12):
        a = i * math.pi / 6
        c.disc(17 + 8.5 * math.cos(a), 17 + 8.5 * math.sin(a), 0.9, k["ink"])
    c.line(17, 17, 17, 9, 2.2, k["ink"])
    c.line(17, 17, 23, 20, 2.2, k["warm"])
    c.disc(17, 17, 1.8, k["accent"])


def print_report(c, k):
    c.rect(10, 4, 24, 14, k["paper"])
    c.frame(10, 4, 24, 14, 1.5, k["ink"])
    c.rect(4, 13, 30, 25, k["ink"])
    c.disc(26, 17, 1.3, k["warm"])
    c.rect(10, 21, 24, 31, k["paper"])
    c.frame(10, 21, 24, 31, 1.5, k["ink"])
    for y in (24, 27):
        c.rect(12.5, y, 21.5, y + 1.2, k["soft"])


def about(c, k):
    c.disc(17, 17, 13, k["accent"])
    c.disc(17, 10.5, 2.2, k["paper"])
    c.rect(15, 15, 19, 25, k["paper"])
    c.rect(13, 15, 19, 16.8, k["paper"])
    c.rect(13, 23.5, 21, 25.5, k["paper"])


PICTURES = [pause, configure, send_to_notepad, telegram_filter, hex_window, log_data, telegram_timing,
            print_report, about]


def strip(colours):
    canvas = Canvas(CELL * COUNT, CELL)
    for index, draw in enumerate(PICTURES):
        draw(Cell(canvas, index), colours)
    return canvas.png()


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name, colours in (("toolbar-140.png", LIGHT), ("toolbar-144.png", DARK)):
        with open(os.path.join(here, name), "wb") as out:
            out.write(strip(colours))
