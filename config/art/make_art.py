#!/usr/bin/env python3
"""Draws AmbrevoConfig's program icon and banner: a sea-blue tile with an amber fish, and an
underwater view with light shafts, kelp, a small shoal and the program's name.

Writes ../res/ambrevoconfig.ico (16, 32 and 48 pixels, 32-bit with alpha) and ../res/banner.bmp
(256 x 226, 24-bit: the banner control's 171 x 139 dialog units at the dialog's font).
Only the standard library is used. Run it again after changing the drawing.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "res")


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def smooth(edge0, edge1, x):
    t = max(0.0, min(1.0, (x - edge0) / (edge1 - edge0)))
    return t * t * (3 - 2 * t)


# ---------------------------------------------------------------- shapes (unit coordinates)

def in_fish(x, y, cx, cy, size, facing=1.0):
    """Fish of length ~2*size centred on (cx, cy): an ellipse body and a forked tail."""
    dx = (x - cx) * facing
    dy = y - cy
    body = (dx / size) ** 2 + (dy / (size * 0.55)) ** 2 <= 1.0
    tx = -dx - size * 0.8
    tail = 0.0 <= tx <= size * 0.7 and abs(dy) <= tx * 0.85 and not (tx < size * 0.35 and abs(dy) < (size * 0.35 - tx) * 0.6)
    return body or tail


def fish_eye(x, y, cx, cy, size, facing=1.0):
    ex = cx + facing * size * 0.5
    ey = cy - size * 0.12
    return (x - ex) ** 2 + (y - ey) ** 2 <= (size * 0.11) ** 2


def bubble(x, y, cx, cy, r):
    d = math.hypot(x - cx, y - cy)
    if d > r:
        return 0.0
    # Bright rim, clear middle, a highlight up-left.
    rim = smooth(r * 0.6, r, d)
    hl = 1.0 if math.hypot(x - (cx - r * 0.35), y - (cy - r * 0.35)) < r * 0.25 else 0.0
    return max(rim * 0.8, hl)


# ---------------------------------------------------------------- icon

def icon_pixel(u, v):
    """RGBA in 0..1 for a point of the unit square (u right, v down)."""
    # Rounded tile.
    r = 0.18
    qx = max(abs(u - 0.5) - (0.5 - r), 0.0)
    qy = max(abs(v - 0.5) - (0.5 - r), 0.0)
    if math.hypot(qx, qy) > r:
        return (0, 0, 0, 0)
    deep = (0.02, 0.12, 0.30)
    shallow = (0.10, 0.55, 0.70)
    col = mix(shallow, deep, v)
    # A soft shaft of light from the top left.
    shaft = math.exp(-((u - 0.25 - v * 0.3) ** 2) / 0.01) * (1 - v) * 0.35
    col = mix(col, (0.8, 0.95, 1.0), shaft)
    if in_fish(u, v, 0.52, 0.56, 0.28):
        body = mix((1.0, 0.78, 0.25), (0.95, 0.45, 0.10), (v - 0.4) / 0.35)
        col = body
        if fish_eye(u, v, 0.52, 0.56, 0.28):
            col = (0.05, 0.05, 0.1)
    b = max(bubble(u, v, 0.80, 0.28, 0.07), bubble(u, v, 0.70, 0.14, 0.045))
    col = mix(col, (0.9, 1.0, 1.0), b)
    return (col[0], col[1], col[2], 1.0)


def render(width, height, fn, samples):
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    u = (x + (sx + 0.5) / samples) / width
                    v = (y + (sy + 0.5) / samples) / height
                    p = fn(u, v)
                    a = p[3] if len(p) > 3 else 1.0
                    for i in range(3):
                        acc[i] += p[i] * a
                    acc[3] += a
            n = samples * samples
            a = acc[3] / n
            if a > 0:
                row.append((acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], a))
            else:
                row.append((0.0, 0.0, 0.0, 0.0))
        rows.append(row)
    return rows


def to_byte(c):
    return max(0, min(255, int(round(c * 255))))


def icon_image(size):
    rows = render(size, size, icon_pixel, 4)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((to_byte(b), to_byte(g), to_byte(r), to_byte(a)))
    # The AND mask: set where the icon is transparent; rows padded to 32 bits.
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] < 0.5:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + bytes(mask)


def write_icon(path, sizes):
    images = [icon_image(s) for s in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        data += img
    with open(path, "wb") as f:
        f.write(data)


# ---------------------------------------------------------------- banner

# A 5 x 7 block font for the letters of the title, drawn by hand.
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    " ": ["00000"] * 7,
}


def text_mask(text, x0, y0, cell):
    """Set of banner pixels covered by the text, each font dot a cell x cell square."""
    dots = set()
    for i, ch in enumerate(text):
        glyph = FONT[ch]
        for gy, line in enumerate(glyph):
            for gx, bit in enumerate(line):
                if bit == "1":
                    for py in range(cell):
                        for px in range(cell):
                            dots.add((x0 + (i * 6 + gx) * cell + px, y0 + gy * cell + py))
    return dots


BANNER_W, BANNER_H = 256, 226
SHOAL = [(0.18 + 0.09 * i + 0.03 * math.sin(i * 2.1), 0.52 + 0.06 * math.sin(i * 1.7), 0.028 + 0.006 * (i % 3))
         for i in range(7)]
BUBBLES = [(0.86, 0.62, 0.018), (0.83, 0.52, 0.012), (0.88, 0.44, 0.009), (0.12, 0.70, 0.014),
           (0.15, 0.62, 0.009)]


def seabed(u):
    return 0.84 + 0.04 * math.sin(u * 7.0 + 0.5) + 0.02 * math.sin(u * 19.0)


def kelp(u, v):
    """Coverage of the kelp stalks at (u, v)."""
    for base, height, phase in ((0.07, 0.45, 0.0), (0.11, 0.35, 1.3), (0.93, 0.5, 2.2), (0.89, 0.3, 0.7)):
        top = seabed(base) - height
        if v < top or v > seabed(base) + 0.02:
            continue
        t = (seabed(base) - v) / height
        cx = base + 0.025 * math.sin(t * 6.0 + phase) * t
        if abs(u - cx) < 0.008 + 0.004 * (1 - t):
            return 1.0
    return 0.0


def banner_pixel(u, v):
    surface = (0.55, 0.88, 0.92)
    mid = (0.07, 0.42, 0.62)
    deep = (0.01, 0.08, 0.22)
    col = mix(surface, mid, v / 0.35) if v < 0.35 else mix(mid, deep, (v - 0.35) / 0.6)
    # Ripples of the surface seen from below.
    if v < 0.06:
        col = mix(col, (0.9, 1.0, 1.0), 0.25 * (0.5 + 0.5 * math.sin(u * 60 + math.sin(u * 13) * 3)))
    # Light shafts fanning down from above.
    shafts = 0.0
    for k, (x0, w) in enumerate(((0.2, 0.05), (0.42, 0.08), (0.63, 0.04), (0.8, 0.06))):
        cx = x0 + (v * (0.15 if k % 2 else -0.1))
        shafts += math.exp(-((u - cx) ** 2) / (w * w * (1 + v * 2))) * (1 - v) ** 1.5
    col = mix(col, (0.85, 0.97, 1.0), min(shafts, 1.0) * 0.35)
    # Sand, darker where the light fails.
    floor = seabed(u)
    if v > floor:
        grain = 0.05 * math.sin(u * 300 + v * 170) * math.sin(u * 97 - v * 230)
        sand = mix((0.62, 0.56, 0.40), (0.30, 0.27, 0.22), (v - floor) / 0.15)
        col = tuple(c + grain for c in sand)
    k = kelp(u, v)
    if k:
        col = mix((0.10, 0.40, 0.18), (0.05, 0.22, 0.10), v)
    for fx, fy, size in SHOAL:
        if in_fish(u, v * BANNER_H / BANNER_W, fx, fy * BANNER_H / BANNER_W, size):
            col = mix((1.0, 0.80, 0.30), (0.90, 0.40, 0.10), (v - fy + size) / (2 * size))
            if fish_eye(u, v * BANNER_H / BANNER_W, fx, fy * BANNER_H / BANNER_W, size):
                col = (0.05, 0.05, 0.1)
    for bx, by, r in BUBBLES:
        b = bubble(u, v * BANNER_H / BANNER_W, bx, by * BANNER_H / BANNER_W, r)
        col = mix(col, (0.9, 1.0, 1.0), b)
    return col


def write_banner(path):
    rows = render(BANNER_W, BANNER_H, banner_pixel, 2)
    title = "AMBREVO"
    cell = 5
    title_w = (len(title) * 6 - 1) * cell
    tx = (BANNER_W - title_w) // 2
    ty = 22
    sub = "SETUP"
    sub_cell = 3
    sx = (BANNER_W - (len(sub) * 6 - 1) * sub_cell) // 2
    sy = ty + 7 * cell + 8
    shadow = text_mask(title, tx + 2, ty + 2, cell) | text_mask(sub, sx + 1, sy + 1, sub_cell)
    letters = text_mask(title, tx, ty, cell) | text_mask(sub, sx, sy, sub_cell)
    for x, y in shadow:
        if 0 <= x < BANNER_W and 0 <= y < BANNER_H:
            r, g, b, a = rows[y][x]
            rows[y][x] = (r * 0.35, g * 0.35, b * 0.45, a)
    for x, y in letters:
        if 0 <= x < BANNER_W and 0 <= y < BANNER_H:
            t = (y - ty) / (7 * cell)
            c = mix((1.0, 0.95, 0.75), (1.0, 0.70, 0.25), t)
            rows[y][x] = (c[0], c[1], c[2], 1.0)
    stride = (BANNER_W * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, _ in row:
            line += bytes((to_byte(b), to_byte(g), to_byte(r)))
        line += bytes(stride - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, BANNER_W, BANNER_H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + bytes(pixels))


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    write_icon(os.path.join(OUT, "ambrevoconfig.ico"), [16, 32, 48])
    write_banner(os.path.join(OUT, "banner.bmp"))
