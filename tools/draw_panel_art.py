#!/usr/bin/env python3
"""Draws the control panel's button art: bitmaps 180 (wizard) and 182 (web site) and the POWER
lamp icons 158 (lit) and 159 (dark).

Usage: tools/draw_panel_art.py SRC_RESOURCES_DIR
Writes panel/180.bmp, 182.bmp, 158.png and 159.png below the given folder. Standard library
only. In the bitmaps pure white (255, 255, 255) is the transparent colour, so nothing else in
them is pure white.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from art_files import write_bmp24, write_png  # noqa: E402

WHITE = (255, 255, 255)

# 5 x 7 capitals, one string per row, '#' set.
GLYPHS = {
    "W": ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"],
    "I": ["###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"],
    "Z": ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
}


class Canvas:
    def __init__(self, width, height, fill=WHITE):
        self.width, self.height = width, height
        self.px = [fill] * (width * height)

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y * self.width + x] = colour

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.set(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), colour)

    def text(self, x, y, word, colour, shadow):
        for ch in word:
            rows = GLYPHS[ch]
            for dy, row in enumerate(rows):
                for dx, c in enumerate(row):
                    if c == "#":
                        self.set(x + dx + 1, y + dy + 1, shadow)
            for dy, row in enumerate(rows):
                for dx, c in enumerate(row):
                    if c == "#":
                        self.set(x + dx, y + dy, colour)
            x += len(rows[0]) + 1
        return x


def sparkle(c, x, y, colour):
    for dx, dy in ((0, 0), (-1, 0), (1, 0), (0, -1), (0, 1)):
        c.set(x + dx, y + dy, colour)


def wizard_bitmap():
    c = Canvas(54, 18)
    # A wand from lower left to upper right, dark with a bright tip, and a few sparks.
    for off in (0, 1):
        c.line(1 + off, 16, 9 + off, 6, (40, 30, 20))
    c.line(9, 6, 10, 5, (250, 250, 240))
    c.line(10, 6, 11, 5, (250, 250, 240))
    sparkle(c, 12, 2, (230, 180, 0))
    sparkle(c, 5, 3, (230, 180, 0))
    sparkle(c, 14, 9, (230, 120, 0))
    c.text(17, 6, "WIZARD", (0, 64, 128), (170, 170, 170))
    return c


def web_bitmap():
    c = Canvas(48, 18)
    cx, cy, r = 8, 9, 7.5
    ocean, land, grid = (40, 110, 200), (50, 150, 60), (20, 50, 120)
    for y in range(18):
        for x in range(17):
            dx, dy = x - cx, y - cy
            d = math.hypot(dx, dy)
            if d > r:
                continue
            colour = ocean
            # Two blobs of land.
            if math.hypot(dx + 2.5, dy + 2) < 3.2 or math.hypot(dx - 2.5, dy - 2.5) < 2.6:
                colour = land
            if abs(dx) < 0.5 or abs(dy) < 0.5 or abs(math.hypot(dx * 2.2, dy) - r) < 0.8:
                colour = grid
            if d > r - 1:
                colour = (10, 30, 80)
            # Lit from the upper left.
            if math.hypot(dx + 3, dy + 3) < 1.6:
                colour = (200, 220, 250)
            c.set(x, y, colour)
    c.text(19, 6, "WEB", (0, 64, 128), (170, 170, 170))
    return c


def lamp_icon(lit):
    size = 20
    rgba = bytearray(size * size * 4)
    cx = cy = 9.5
    for y in range(size):
        for x in range(size):
            d = math.hypot(x - cx, y - cy)
            i = (y * size + x) * 4
            if d > 8.5:
                continue
            if d > 7.0:  # the bezel, lit from the upper left
                t = ((x - cx) + (y - cy)) / 14 + 0.5
                v = int(200 - 130 * max(0, min(1, t)))
                rgba[i:i + 4] = bytes((v, v, v, 255))
                continue
            t = d / 7.0
            if lit:
                colour = (int(60 + 150 * (1 - t)), int(220 + 35 * (1 - t)) if t < 1 else 220, int(60 + 100 * (1 - t)))
            else:
                colour = (int(20 + 30 * (1 - t)), int(60 + 30 * (1 - t)), int(20 + 30 * (1 - t)))
            if math.hypot(x - 7, y - 7) < 1.8:
                colour = (240, 250, 240) if lit else (120, 140, 120)
            rgba[i:i + 4] = bytes(colour + (255,))
    return size, rgba


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    out = os.path.join(sys.argv[1], "panel")
    os.makedirs(out, exist_ok=True)
    for name, canvas in (("180.bmp", wizard_bitmap()), ("182.bmp", web_bitmap())):
        write_bmp24(os.path.join(out, name), canvas.width, canvas.height, canvas.px)
    for name, lit in (("158.png", True), ("159.png", False)):
        size, rgba = lamp_icon(lit)
        write_png(os.path.join(out, name), size, size, rgba)
    return 0


if __name__ == "__main__":
    sys.exit(main())
