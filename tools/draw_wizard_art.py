#!/usr/bin/env python3
"""Draws the wizard picture (bitmap 106) and the rotary switch cursors (129, 130, 131).

Usage: tools/draw_wizard_art.py SRC_RESOURCES_DIR
Writes wizard/106.bmp and switch/129.png, 130.png, 131.png below the given folder. Standard
library only: the pictures are computed pixel by pixel and written by the small writers below.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from art_files import write_bmp24, write_png  # noqa: E402


def clamp(v):
    return max(0, min(255, int(v)))


def mix(c1, c2, t):
    return tuple(clamp(a + (b - a) * t) for a, b in zip(c1, c2))


def wizard_picture():
    w, h = 90, 254
    px = [(0, 0, 0)] * (w * h)
    top, bottom = (18, 60, 84), (6, 16, 40)
    for y in range(h):
        for x in range(w):
            px[y * w + x] = mix(top, bottom, y / (h - 1))

    def put(x, y, c):
        if 0 <= x < w and 0 <= y < h:
            px[y * w + x] = c

    # The instrument's screen: a dark square with a dotted grid and two traces.
    sx0, sy0, sx1, sy1 = 10, 16, 80, 86
    for y in range(sy0, sy1 + 1):
        for x in range(sx0, sx1 + 1):
            edge = x in (sx0, sx1) or y in (sy0, sy1)
            put(x, y, (160, 170, 176) if edge else (8, 28, 14))
    for gx in range(sx0 + 7, sx1, 7):
        for y in range(sy0 + 2, sy1, 2):
            put(gx, y, (30, 70, 40))
    for gy in range(sy0 + 7, sy1, 7):
        for x in range(sx0 + 2, sx1, 2):
            put(x, gy, (30, 70, 40))
    mid = (sy0 + sy1) / 2
    prev = None
    for x in range(sx0 + 1, sx1):
        t = (x - sx0) / (sx1 - sx0)
        y = int(round(mid - 22 * math.sin(2 * math.pi * 2 * t)))
        if prev is not None:
            for yy in range(min(prev, y), max(prev, y) + 1):
                put(x, yy, (90, 255, 120))
        prev = y
        y2 = int(round(mid + 14 * math.sin(2 * math.pi * 3 * t + 1.0)))
        put(x, y2, (255, 220, 60))

    # A spectrum of bars below the screen.
    for i in range(10):
        height = int(40 * math.exp(-((i - 3) ** 2) / 6.0)) + 4
        x0 = 10 + i * 7
        for y in range(150 - height, 150):
            for x in range(x0, x0 + 5):
                put(x, y, mix((60, 200, 220), (20, 90, 160), (150 - y) / 44))
    for x in range(8, 82):
        put(x, 151, (160, 170, 176))

    # A knob lit from the upper left with a red pointer and ticks around it.
    cx, cy, r = 45, 200, 20
    for y in range(cy - r - 10, cy + r + 11):
        for x in range(cx - r - 10, cx + r + 11):
            d = math.hypot(x - cx, y - cy)
            if d <= r:
                lit = ((cx - x) + (cy - y)) / (2 * r) * 0.5 + 0.5
                put(x, y, mix((40, 40, 48), (220, 220, 228), lit))
            elif d <= r + 1.2:
                ang = math.atan2(y - cy, x - cx)
                wgt = (math.cos(-2.356 - ang) + 1) / 2
                put(x, y, mix((0, 0, 0), (255, 255, 255), wgt))
    for k in range(7):
        ang = math.radians(225 - k * 45)
        for rr in range(r + 4, r + 9):
            put(int(round(cx + rr * math.cos(ang))), int(round(cy - rr * math.sin(ang))),
                (230, 230, 230))
    ang = math.radians(135)
    for rr in range(4, r - 2):
        put(int(round(cx + rr * math.cos(ang))), int(round(cy - rr * math.sin(ang))), (255, 0, 0))
    return w, h, px


def cursor(kind):
    size = 32
    rgba = bytearray(size * size * 4)
    ink = set()
    c = 15.5
    if kind == "idle":
        for y in range(size):
            for x in range(size):
                d = math.hypot(x - c, y - c)
                if 9.0 <= d <= 10.5:
                    ink.add((x, y))
        for k in range(-4, 5):
            ink.add((16 + k, 16))
            ink.add((16, 16 + k))
    else:
        clockwise = kind == "left"
        # An arc over the top from the lower left to the lower right (or back), with a head.
        for y in range(size):
            for x in range(size):
                d = math.hypot(x - c, y - c)
                ang = math.degrees(math.atan2(c - y, x - c)) % 360
                if 8.5 <= d <= 10.5 and (ang <= 20 or ang >= 160):
                    ink.add((x, y))
        end = math.radians(20 if clockwise else 160)
        ex, ey = c + 9.5 * math.cos(end), c - 9.5 * math.sin(end)
        # Tangent pointing along the travel direction.
        tx, ty = (math.sin(end), math.cos(end)) if clockwise else (-math.sin(end), -math.cos(end))
        nx, ny = -ty, tx
        tip = (ex + tx * 6, ey + ty * 6)
        b1 = (ex + nx * 5, ey + ny * 5)
        b2 = (ex - nx * 5, ey - ny * 5)

        def inside(px, py):
            def side(a, b):
                return (b[0] - a[0]) * (py - a[1]) - (b[1] - a[1]) * (px - a[0])
            s1, s2, s3 = side(tip, b1), side(b1, b2), side(b2, tip)
            return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)

        for y in range(size):
            for x in range(size):
                if inside(x + 0.5, y + 0.5):
                    ink.add((x, y))
        for k in range(-2, 3):
            ink.add((16 + k, 16))
            ink.add((16, 16 + k))
    halo = set()
    for (x, y) in ink:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                halo.add((x + dx, y + dy))
    for (x, y) in halo:
        if 0 <= x < size and 0 <= y < size:
            i = (y * size + x) * 4
            rgba[i:i + 4] = bytes((255, 255, 255, 255))
    for (x, y) in ink:
        if 0 <= x < size and 0 <= y < size:
            i = (y * size + x) * 4
            rgba[i:i + 4] = bytes((0, 0, 0, 255))
    return size, rgba


def main():
    root = sys.argv[1]
    os.makedirs(os.path.join(root, "wizard"), exist_ok=True)
    os.makedirs(os.path.join(root, "switch"), exist_ok=True)
    w, h, px = wizard_picture()
    write_bmp24(os.path.join(root, "wizard", "106.bmp"), w, h, px)
    for name, kind in (("129", "idle"), ("130", "left"), ("131", "right")):
        size, rgba = cursor(kind)
        write_png(os.path.join(root, "switch", name + ".png"), size, size, rgba)


if __name__ == "__main__":
    main()
