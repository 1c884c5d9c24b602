#!/usr/bin/env python3
"""Paints the scene's textures: rippled sand, the wandering web of caustic light (with two smaller
mip levels), rock, kelp blades, fish scales, a vertical gradient for the sky box's walls and the
logo badge with its alpha. Every texture tiles where it repeats.

Usage: make_textures.py OUT_DIR
Writes sand.bmp, caustics_M00.bmp to caustics_M02.bmp, rock.bmp, kelp.bmp, scales.bmp, skygrad.bmp,
ReefView.bmp (the still picture of the slate's screen for renderers without render targets; 24-bit
BMP, bottom row first) and logo.tga (32-bit uncompressed TGA, bottom row first). Only the
standard library is used; the build runs it."""

import math
import os
import random
import struct
import sys


def clamp(value):
    return max(0, min(255, int(round(value * 255.0))))


def write_bmp(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b) in 0..1, y counted down from the top row."""
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((clamp(b), clamp(g), clamp(r)))
        data += row + bytes(stride - len(row))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + data)


def write_tga(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b, a) in 0..1, y counted down from the top row."""
    data = bytearray()
    for y in range(height - 1, -1, -1):
        for x in range(width):
            r, g, b, a = pixel(x, y)
            data += bytes((clamp(b), clamp(g), clamp(r), clamp(a)))
    header = struct.pack("<BBB5sHHHHBB", 0, 0, 2, bytes(5), 0, 0, width, height, 32, 8)
    with open(path, "wb") as out:
        out.write(header + data)


class TileNoise:
    """Value noise on a grid of cells that wraps, so that the texture tiles."""

    def __init__(self, cells, seed):
        rng = random.Random(seed)
        self.cells = cells
        self.values = [[rng.random() for _ in range(cells)] for _ in range(cells)]

    def at(self, u, v):
        """u, v in 0..1 (wrapping)."""
        x, y = (u % 1.0) * self.cells, (v % 1.0) * self.cells
        x0, y0 = int(x), int(y)
        fx, fy = x - x0, y - y0
        fx, fy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
        c = self.cells
        a = self.values[y0 % c][x0 % c]
        b = self.values[y0 % c][(x0 + 1) % c]
        d = self.values[(y0 + 1) % c][x0 % c]
        e = self.values[(y0 + 1) % c][(x0 + 1) % c]
        return (a + (b - a) * fx) * (1 - fy) + (d + (e - d) * fx) * fy


def fractal(layers, u, v):
    total, weight = 0.0, 0.0
    for k, noise in enumerate(layers):
        w = 0.5 ** k
        total += w * noise.at(u, v)
        weight += w
    return total / weight


def sand(size=128):
    layers = [TileNoise(4, 11), TileNoise(8, 12), TileNoise(16, 13), TileNoise(32, 14)]

    def pixel(x, y):
        u, v = x / size, y / size
        grain = fractal(layers, u, v)
        ripple = 0.5 + 0.5 * math.sin(2 * math.pi * (3 * v + 1 * u) + 2.5 * layers[0].at(u, v))
        shade = 0.72 + 0.18 * grain + 0.10 * ripple
        return (0.95 * shade, 0.86 * shade, 0.66 * shade)

    return pixel


def caustics(size):
    """Bright thin lines where light folds: the inverted distance to the nearest cell edge of a
    wrapping cell pattern, softened."""
    rng = random.Random(21)
    cells = 6
    points = [[(rng.random(), rng.random()) for _ in range(cells)] for _ in range(cells)]

    def pixel(x, y):
        u, v = x / size * cells, y / size * cells
        cx, cy = int(u), int(v)
        nearest = [9.0, 9.0]
        for dy in (-1, 0, 1):
            for dx in (-1, 0, 1):
                px, py = points[(cy + dy) % cells][(cx + dx) % cells]
                d = math.hypot(cx + dx + px - u, cy + dy + py - v)
                if d < nearest[0]:
                    nearest = [d, nearest[0]]
                elif d < nearest[1]:
                    nearest[1] = d
        edge = nearest[1] - nearest[0]
        light = max(0.0, 1.0 - edge * 5.0) ** 2.5
        # Half grey is no change where the layer is added signed: the cells shade a little, the
        # lines brighten.
        return (0.44 + 0.40 * light, 0.45 + 0.40 * light, 0.46 + 0.38 * light)

    return pixel


def rock(size=128):
    layers = [TileNoise(4, 31), TileNoise(8, 32), TileNoise(16, 33), TileNoise(32, 34)]

    def pixel(x, y):
        u, v = x / size, y / size
        n = fractal(layers, u, v)
        vein = 1.0 - min(1.0, abs(layers[1].at(u * 1.0, v) - 0.5) * 8.0)
        shade = 0.45 + 0.45 * n - 0.12 * vein
        return (shade * 0.95, shade * 0.92, shade * 0.88)

    return pixel


def kelp(size=64):
    def pixel(x, y):
        u, v = x / size, y / size
        rib = 0.5 + 0.5 * math.cos(2 * math.pi * (u - 0.5))
        vein = math.exp(-((u - 0.5) * 14.0) ** 2)
        band = 0.9 + 0.1 * math.sin(2 * math.pi * 4 * v)
        g = (0.35 + 0.45 * rib) * band + 0.15 * vein
        return (0.25 * g, g, 0.30 * g)

    return pixel


def scales(size=64):
    def pixel(x, y):
        u, v = x / size * 8, y / size * 8
        row = int(v)
        shift = 0.5 if row % 2 else 0.0
        fu, fv = (u + shift) % 1.0, v % 1.0
        d = math.hypot(fu - 0.5, fv - 0.2)
        rim = min(1.0, max(0.0, (d - 0.35) * 6.0))
        shade = 0.85 - 0.25 * rim
        return (shade, shade, shade)

    return pixel


def sky_gradient(height=128):
    """Pale near the surface (top), deep blue below; the sky box's walls stretch it."""
    top, middle, bottom = (0.50, 0.78, 0.90), (0.08, 0.30, 0.50), (0.03, 0.12, 0.26)

    def pixel(x, y):
        t = y / (height - 1)
        if t < 0.5:
            s = t / 0.5
            return tuple(top[i] + (middle[i] - top[i]) * s for i in range(3))
        s = (t - 0.5) / 0.5
        return tuple(middle[i] + (bottom[i] - middle[i]) * s for i in range(3))

    return pixel


def logo(size=128):
    """An amber disc with a darker ring and a pale fish; outside the disc the texture is clear."""

    def inside_fish(u, v):
        body = ((u - 0.05) / 0.55) ** 2 + (v / 0.30) ** 2 <= 1.0
        tail = -0.85 <= u <= -0.45 and abs(v) <= (-0.45 - u) * 0.9
        return body or tail

    def pixel(x, y):
        u, v = (x + 0.5) / size * 2 - 1, 1 - (y + 0.5) / size * 2
        r = math.hypot(u, v)
        if r > 1.0:
            return (0.0, 0.0, 0.0, 0.0)
        edge = min(1.0, (1.0 - r) * size * 0.5)
        if inside_fish(u, v):
            return (0.97, 0.95, 0.86, edge)
        ring = 0.8 if 0.82 < r < 0.9 else 1.0
        return (0.95 * ring, 0.62 * ring, 0.18 * ring, edge)

    return pixel


def reef_from_above(size=128):
    """What the slate's screen shows where the renderer draws no render targets: a still picture of
    the reef from above, sand with the caustic web, three rocks and the kelp clump."""
    sand_pixel, web = sand(size), caustics(size)
    rocks = [(0.42, 0.46, 0.10), (0.62, 0.53, 0.07), (0.49, 0.33, 0.12)]
    kelp_spots = [(0.27 + 0.05 * math.cos(n * 2.4), 0.35 + 0.04 * math.sin(n * 1.7)) for n in range(9)]

    def pixel(x, y):
        u, v = x / size, y / size
        r, g, b = sand_pixel(x, y)
        light = web((x * 2) % size, (y * 2) % size)[0] - 0.45
        r, g, b = r + light, g + light, b + light
        for cx, cy, radius in rocks:
            if math.hypot(u - cx, v - cy) < radius:
                return (0.40, 0.40, 0.42)
        for cx, cy in kelp_spots:
            if math.hypot(u - cx, v - cy) < 0.02:
                return (0.15, 0.45, 0.18)
        return (r * 0.9, g * 0.95, b)

    return pixel


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_textures.py OUT_DIR\n")
        return 1
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "sand.bmp"), 128, 128, sand())
    for level, size in enumerate((128, 64, 32)):
        write_bmp(os.path.join(out, "caustics_M%02d.bmp" % level), size, size, caustics(size))
    write_bmp(os.path.join(out, "rock.bmp"), 128, 128, rock())
    write_bmp(os.path.join(out, "kelp.bmp"), 64, 64, kelp())
    write_bmp(os.path.join(out, "scales.bmp"), 64, 64, scales())
    write_bmp(os.path.join(out, "skygrad.bmp"), 8, 128, sky_gradient())
    write_tga(os.path.join(out, "logo.tga"), 128, 128, logo())
    write_bmp(os.path.join(out, "ReefView.bmp"), 128, 128, reef_from_above())
    return 0


if __name__ == "__main__":
    sys.exit(main())
