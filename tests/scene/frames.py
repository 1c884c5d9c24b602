#!/usr/bin/env python3
"""Frames of the scene, compared with the reference frames kept beside this script.

A frame (a BMP screen dump of the client, or a PNG) is first reduced to the reference size,
320x240, by averaging blocks of pixels (a 640x480 frame: 2x2 blocks). Two reduced frames then
differ at a pixel when any of its three channels differs by more than the tolerance (24 levels of
255), and the comparison fails when more pixels differ than the cap (1% of the frame, 768 pixels).
Averaging first lets the two frames disagree on single pixels along edges (rasterisation and
filtering rounding) without counting; the cap keeps a moved or missing object from passing.

On a failure the reduced actual frame and a difference image (the reference dimmed to grey, each
differing pixel in red, the others that differ at all in dark yellow) are written as PNG files
into the output folder, and the message says where.

  frames.py compare ACTUAL REFERENCE OUT_FOLDER NAME [CAP [REGIONS]]
                                                       exit 0 alike, 1 different, 2 unreadable;
                                                       CAP replaces the cap of differing pixels;
                                                       REGIONS ("x0,y0,x1,y1/..." in the reduced
                                                       frame, x1 and y1 excluded) are counted on
                                                       their own, each allowed to differ in up to
                                                       half its pixels

A region is for what moves with real time rather than world time (the talking heads follow their
voices as they play): its pose may differ, but a missing or misplaced object still changes most of
its region, and everything outside the regions keeps the cap.
  frames.py reduce SOURCE DESTINATION.png              the reference of a frame
  frames.py ink IMAGE                                  the share of the frame that is not its
                                                       commonest colour (0 for a flat fill)

Only the standard library: no imaging package is needed where the tests run.
"""

import os
import struct
import sys
import zlib

WIDTH = 320
HEIGHT = 240
TOLERANCE = 24
CAP = WIDTH * HEIGHT // 100


class Image:
    """Rows of RGB bytes, top row first."""

    def __init__(self, width, height, pixels):
        if len(pixels) != width * height * 3:
            raise ValueError("%dx%d image with %d bytes of pixels" % (width, height, len(pixels)))
        self.width = width
        self.height = height
        self.pixels = bytearray(pixels)

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])


def read_bmp(data):
    if len(data) < 54:
        raise ValueError("too short for a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits, compression = struct.unpack_from("<HI", data, 28)
    if bits not in (24, 32) or compression not in (0, 3) or width <= 0 or height == 0:
        raise ValueError("unsupported BMP (%d bits, compression %d, %dx%d)" % (bits, compression, width, height))
    step = bits // 8
    row = (width * step + 3) & ~3
    rows = abs(height)
    if offset + row * rows > len(data):
        raise ValueError("BMP pixel data is cut short")
    out = bytearray(width * rows * 3)
    for y in range(rows):
        source = offset + (rows - 1 - y if height > 0 else y) * row
        line = data[source:source + width * step]
        target = y * width * 3
        # Stored blue, green, red (and a fourth byte at 32 bits).
        out[target + 0:target + width * 3:3] = line[2::step]
        out[target + 1:target + width * 3:3] = line[1::step]
        out[target + 2:target + width * 3:3] = line[0::step]
    return Image(width, rows, out)


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read_png(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    pos = 8
    header = None
    compressed = bytearray()
    while pos + 8 <= len(data):
        length, kind = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
        elif kind == b"IEND":
            break
    if header is None:
        raise ValueError("PNG without a header")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError("unsupported PNG (depth %d, colour type %d, interlace %d)" % (depth, colour, interlace))
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(bytes(compressed))
    stride = width * step
    previous = bytearray(stride)
    out = bytearray(width * height * 3)
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        line = bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up = previous[i]
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                corner = previous[i - step] if i >= step else 0
                line[i] = (line[i] + _paeth(left, up, corner)) & 255
        target = y * width * 3
        for c in range(3):
            out[target + c:target + width * 3:3] = line[c::step]
        previous = line
    return Image(width, height, out)


def read_image(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] == b"BM":
        return read_bmp(data)
    return read_png(data)


def write_png(path, image):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    stride = image.width * 3
    raw = bytearray()
    for y in range(image.height):
        raw.append(0)
        raw += image.pixels[y * stride:(y + 1) * stride]
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", image.width, image.height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


def reduce(image, width=WIDTH, height=HEIGHT):
    """The image averaged down to width x height; its size must be a whole multiple of that."""
    if image.width % width or image.height % height or image.width // width != image.height // height:
        raise ValueError("a %dx%d frame does not reduce evenly to %dx%d" % (image.width, image.height, width, height))
    k = image.width // width
    if k == 1:
        return Image(width, height, image.pixels)
    out = bytearray(width * height * 3)
    count = k * k
    src = image.pixels
    stride = image.width * 3
    for y in range(height):
        sums = [0] * (width * 3)
        for dy in range(k):
            line = src[(y * k + dy) * stride:(y * k + dy + 1) * stride]
            for dx in range(k):
                for c in range(3):
                    part = line[dx * 3 + c::k * 3]
                    for x in range(width):
                        sums[x * 3 + c] += part[x]
        out[y * width * 3:(y + 1) * width * 3] = bytes((s + count // 2) // count for s in sums)
    return Image(width, height, out)


def differences(actual, reference, tolerance=TOLERANCE):
    """The list of largest channel differences per pixel, and how many exceed the tolerance."""
    if (actual.width, actual.height) != (reference.width, reference.height):
        raise ValueError("frames of %dx%d and %dx%d" % (actual.width, actual.height, reference.width, reference.height))
    a, r = actual.pixels, reference.pixels
    channel = [abs(p - q) for p, q in zip(a, r)]
    largest = [max(channel[i], channel[i + 1], channel[i + 2]) for i in range(0, len(channel), 3)]
    return largest, sum(1 for d in largest if d > tolerance)


def difference_image(reference, largest, tolerance=TOLERANCE):
    out = bytearray(len(reference.pixels))
    for i, d in enumerate(largest):
        p = reference.pixels[i * 3:i * 3 + 3]
        grey = (p[0] + p[1] + p[2]) // 9
        if d > tolerance:
            out[i * 3:i * 3 + 3] = b"\xff\x00\x00"
        elif d > 0:
            out[i * 3:i * 3 + 3] = bytes((96 + grey // 2, 96 + grey // 2, 0))
        else:
            out[i * 3:i * 3 + 3] = bytes((grey, grey, grey))
    return Image(reference.width, reference.height, out)


def parse_regions(text):
    """Regions "x0,y0,x1,y1/..." as tuples; ValueError for anything else."""
    regions = []
    for part in text.split("/"):
        numbers = [int(n) for n in part.split(",")]
        if len(numbers) != 4:
            raise ValueError("a region is x0,y0,x1,y1, not %r" % part)
        x0, y0, x1, y1 = numbers
        if not (0 <= x0 < x1 <= WIDTH and 0 <= y0 < y1 <= HEIGHT):
            raise ValueError("the region %r is not inside the %dx%d frame" % (part, WIDTH, HEIGHT))
        regions.append((x0, y0, x1, y1))
    return regions


def region_counts(largest, width, regions, tolerance=TOLERANCE):
    """Pixels over the tolerance inside each region, and outside all of them."""
    inside = [0] * len(regions)
    outside = 0
    for i, d in enumerate(largest):
        if d <= tolerance:
            continue
        x, y = i % width, i // width
        hit = [k for k, (x0, y0, x1, y1) in enumerate(regions) if x0 <= x < x1 and y0 <= y < y1]
        if hit:
            inside[hit[0]] += 1
        else:
            outside += 1
    return inside, outside


def compare(actual_path, reference_path, out_folder, name, tolerance=TOLERANCE, cap=CAP, regions=()):
    """True when the frame matches its reference; prints one line either way."""
    actual = reduce(read_image(actual_path))
    if not os.path.exists(reference_path):
        os.makedirs(out_folder, exist_ok=True)
        kept = os.path.join(out_folder, name + ".actual.png")
        write_png(kept, actual)
        print("%s: no reference %s (the frame is %s)" % (name, reference_path, kept))
        return False
    reference = read_image(reference_path)
    largest, count = differences(actual, reference, tolerance)
    inside, outside = region_counts(largest, reference.width, regions, tolerance)
    halves = [(x1 - x0) * (y1 - y0) // 2 for x0, y0, x1, y1 in regions]
    in_regions = "".join(", %d of %d in region %d" % (n, h * 2, k + 1)
                         for k, (n, h) in enumerate(zip(inside, halves)))
    if outside <= cap and all(n <= h for n, h in zip(inside, halves)):
        print("%s: %d of %d pixels differ by more than %d levels (at most %d may)%s" %
              (name, outside, len(largest) - sum(h * 2 for h in halves), tolerance, cap, in_regions))
        return True
    os.makedirs(out_folder, exist_ok=True)
    kept = os.path.join(out_folder, name + ".actual.png")
    diff = os.path.join(out_folder, name + ".diff.png")
    write_png(kept, actual)
    write_png(diff, difference_image(reference, largest, tolerance))
    print("%s: %d of %d pixels differ by more than %d levels%s, more than the %d allowed (a region: half of "
          "it); the frame is %s, the differences (red) %s" %
          (name, outside, len(largest) - sum(h * 2 for h in halves), tolerance, in_regions, cap, kept, diff))
    return False


def ink(image):
    """The share of pixels that are not the commonest colour."""
    counts = {}
    p = image.pixels
    for i in range(0, len(p), 3):
        key = bytes(p[i:i + 3])
        counts[key] = counts.get(key, 0) + 1
    return 1.0 - max(counts.values()) / float(image.width * image.height)


def main(argv):
    try:
        if len(argv) in (5, 6, 7) and argv[0] == "compare":
            cap = int(argv[5]) if len(argv) >= 6 else CAP
            if cap < 0:
                raise ValueError("a negative cap")
            regions = parse_regions(argv[6]) if len(argv) == 7 else ()
            return 0 if compare(*argv[1:5], cap=cap, regions=regions) else 1
        if len(argv) == 3 and argv[0] == "reduce":
            write_png(argv[2], reduce(read_image(argv[1])))
            return 0
        if len(argv) == 2 and argv[0] == "ink":
            print("%.4f" % ink(read_image(argv[1])))
            return 0
    except (OSError, ValueError, zlib.error) as error:
        print("frames.py: %s" % error)
        return 2
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
