#!/usr/bin/env python3
"""Draws the scene client's loading screen: an underwater view with light shafts, a reef, a
passing shoal and the title, with a dark band where the progress strip runs; and the eight
progress frames, a row of bubbles with a bright one travelling along it.

Usage: make_loading_art.py OUTPUT_FOLDER
Writes LoadScreen.bmp (640 x 480; the client scales it to the screen) and Loader00.bmp to
Loader07.bmp (128 x 16), all 24-bit. Only the standard library is used; the build runs it.
"""
import math
import os
import struct
import sys

WIDTH, HEIGHT = 640, 480
FRAME_W, FRAME_H, FRAMES = 128, 16, 8
# Rows of the progress strip as fractions of the height (where the client draws the frames).
STRIP_TOP, STRIP_BOTTOM = 0.8385, 0.89


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def to_byte(c):
    return max(0, min(255, int(round(c * 255))))


def write_bmp(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b) in 0..1, y down."""
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((to_byte(b), to_byte(g), to_byte(r)))
        line += bytes(stride - len(line))
        data += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + bytes(data))


# A 5 x 7 block font for the title, drawn by hand.
FONT = {
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
}
TITLE = "TOLVAMIR"
CELL = 8
TITLE_X = (WIDTH - (len(TITLE) * 6 - 1) * CELL) // 2
TITLE_Y = 60


def title_dot(x, y):
    gx, gy = (x - TITLE_X) // CELL, (y - TITLE_Y) // CELL
    if gy < 0 or gy >= 7 or gx < 0:
        return False
    i, col = divmod(gx, 6)
    return i < len(TITLE) and col < 5 and FONT[TITLE[i]][gy][col] == "1"


def seabed(u):
    return 0.74 + 0.035 * math.sin(u * 6.0 + 0.4) + 0.015 * math.sin(u * 23.0)


def in_fish(u, v, cx, cy, size):
    dx, dy = u - cx, v - cy
    body = (dx / size) ** 2 + (dy / (size * 0.5)) ** 2 <= 1.0
    tx = -dx - size * 0.8
    tail = 0.0 <= tx <= size * 0.6 and abs(dy) <= tx * 0.9
    return body or tail


SHOAL = [(0.55 + 0.06 * i + 0.02 * math.sin(i * 2.3), 0.40 + 0.05 * math.sin(i * 1.9), 0.018 + 0.004 * (i % 3))
         for i in range(6)]
CORALS = [(0.12, 0.10, (0.95, 0.45, 0.55)), (0.30, 0.07, (0.98, 0.70, 0.30)), (0.82, 0.12, (0.70, 0.40, 0.85))]


def scene_pixel(x, y):
    u, v = x / WIDTH, y / HEIGHT
    aspect = HEIGHT / WIDTH
    col = mix((0.35, 0.75, 0.85), (0.03, 0.25, 0.45), v / 0.5) if v < 0.5 else \
        mix((0.03, 0.25, 0.45), (0.01, 0.07, 0.18), (v - 0.5) / 0.5)
    shafts = 0.0
    for k, (x0, w) in enumerate(((0.15, 0.05), (0.38, 0.07), (0.6, 0.04), (0.85, 0.06))):
        cx = x0 + v * (0.12 if k % 2 else -0.08)
        shafts += math.exp(-((u - cx) ** 2) / (w * w * (1 + 2 * v))) * (1 - v) ** 1.5
    col = mix(col, (0.85, 0.97, 1.0), min(shafts, 1.0) * 0.3)
    floor = seabed(u)
    if v > floor:
        grain = 0.04 * math.sin(u * 400 + v * 170) * math.sin(u * 97 - v * 260)
        col = tuple(c + grain for c in mix((0.55, 0.50, 0.36), (0.22, 0.20, 0.16), (v - floor) / 0.2))
    for cx, r, tint in CORALS:
        d = math.hypot((u - cx) / r, (v - seabed(cx)) / (r / aspect * 0.8))
        if d < 1.0 and v < seabed(cx) + 0.01:
            branch = 0.5 + 0.5 * math.sin(math.atan2(v - seabed(cx), u - cx) * 9)
            if branch > 0.35:
                col = mix(tint, (0.2, 0.1, 0.15), d * 0.6)
    for fx, fy, size in SHOAL:
        if in_fish(u, v * aspect, fx, fy * aspect, size):
            col = mix((1.0, 0.82, 0.35), (0.85, 0.40, 0.12), (v * aspect - fy * aspect + size) / (2 * size))
    if title_dot(x, y):
        col = mix((1.0, 0.96, 0.80), (1.0, 0.70, 0.25), (y - TITLE_Y) / (7 * CELL))
    elif title_dot(x - 3, y - 3):
        col = tuple(c * 0.35 for c in col)
    # The band under the progress strip.
    top, bottom = int(HEIGHT * STRIP_TOP), int(HEIGHT * STRIP_BOTTOM)
    if top - 3 <= y < bottom + 3:
        col = (0.02, 0.05, 0.10) if top <= y < bottom else (0.55, 0.75, 0.85)
    return col


def frame_pixel(frame):
    bubbles = 8
    spacing = FRAME_W / bubbles

    def pixel(x, y):
        col = (0.02, 0.05, 0.10)
        i = int(x // spacing)
        cx, cy = (i + 0.5) * spacing, FRAME_H / 2
        d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
        r = 5.5
        if d <= r:
            # Bubbles up to the current one are lit; the current one is the brightest.
            lit = 1.0 if i == frame else (0.55 if i < frame else 0.18)
            rim = 0.4 + 0.6 * (d / r) ** 2
            col = mix((0.02, 0.05, 0.10), (0.75, 0.95, 1.0), lit * rim)
            if i == frame and d < 2.0:
                col = (1.0, 0.85, 0.45)
        return col

    return pixel


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "LoadScreen.bmp"), WIDTH, HEIGHT, scene_pixel)
    for frame in range(FRAMES):
        write_bmp(os.path.join(out, "Loader%02d.bmp" % frame), FRAME_W, FRAME_H, frame_pixel(frame))


if __name__ == "__main__":
    main()
