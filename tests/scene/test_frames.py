#!/usr/bin/env python3
"""Checks of the frame comparison (frames.py) on small synthetic images."""

import io
import os
import struct
import sys
import tempfile
import unittest
import zlib
from contextlib import redirect_stdout

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import frames  # noqa: E402


def bmp(width, height, colour_at, bits=24, top_down=False):
    """A BMP file as the screen dumps write it: BGR(X) rows padded to four bytes."""
    step = bits // 8
    row = (width * step + 3) & ~3
    body = bytearray()
    for y in (range(height) if top_down else range(height - 1, -1, -1)):
        line = bytearray()
        for x in range(width):
            r, g, b = colour_at(x, y)
            line += bytes((b, g, r)) + (b"\x00" if step == 4 else b"")
        body += line + bytes(row - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits, 0, len(body), 0, 0, 0, 0)
    return header + info + bytes(body)


def filtered_png(image, kinds):
    """A PNG whose rows use the given filter kinds in turn (0 none, 1 sub, 2 up, 3 average, 4 Paeth)."""
    stride = image.width * 3
    raw = bytearray()
    previous = bytearray(stride)
    for y in range(image.height):
        line = image.pixels[y * stride:(y + 1) * stride]
        kind = kinds[y % len(kinds)]
        out = bytearray(stride)
        for i in range(stride):
            left = line[i - 3] if i >= 3 else 0
            corner = previous[i - 3] if i >= 3 else 0
            predictor = [0, left, previous[i], (left + previous[i]) // 2, frames._paeth(left, previous[i], corner)][kind]
            out[i] = (line[i] - predictor) & 255
        raw += bytes((kind,)) + out
        previous = line

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", image.width, image.height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))


def flat(width, height, colour):
    return frames.Image(width, height, bytes(colour) * (width * height))


def gradient(x, y):
    return ((x * 37) % 256, (y * 53) % 256, (x * y) % 256)


class ReadingTest(unittest.TestCase):
    def test_bmp_layouts_read_as_the_same_image(self):
        for bits, top_down in [(24, False), (24, True), (32, False), (32, True)]:
            with self.subTest(bits=bits, top_down=top_down):
                image = frames.read_bmp(bmp(5, 3, gradient, bits, top_down))
                self.assertEqual((image.width, image.height), (5, 3))
                for y in range(3):
                    for x in range(5):
                        self.assertEqual(image.pixel(x, y), gradient(x, y))

    def test_png_filters_decode_to_the_written_pixels(self):
        source = frames.read_bmp(bmp(7, 10, gradient))
        for kinds in ([0], [1], [2], [3], [4], [0, 1, 2, 3, 4]):
            with self.subTest(kinds=kinds):
                self.assertEqual(frames.read_png(filtered_png(source, kinds)).pixels, source.pixels)

    def test_written_png_reads_back(self):
        source = frames.read_bmp(bmp(9, 4, gradient))
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "a.png")
            frames.write_png(path, source)
            self.assertEqual(frames.read_image(path).pixels, source.pixels)

    def test_damaged_files_are_refused(self):
        good = bmp(4, 4, gradient)
        for data in (good[:40], good[:-10], b"GIF89a" + bytes(60), good[:28] + struct.pack("<H", 8) + good[30:]):
            with self.subTest(size=len(data)):
                with self.assertRaises((ValueError, zlib.error)):
                    (frames.read_bmp if data[:2] == b"BM" else frames.read_png)(data)


class ReduceTest(unittest.TestCase):
    def test_blocks_are_averaged(self):
        # 2x2 blocks of 10, 20, 30, 41 average to 25.25 and round to 25; a 4x4 frame to 2x2.
        values = [[10, 20, 0, 0], [30, 41, 0, 0], [255, 255, 7, 7], [255, 255, 7, 9]]
        image = frames.Image(4, 4, bytes(v for row in values for v in row for _ in range(3)))
        small = frames.reduce(image, 2, 2)
        self.assertEqual([small.pixel(x, y)[0] for y in range(2) for x in range(2)], [25, 0, 255, 8])

    def test_sizes_that_do_not_divide_are_refused(self):
        for width, height in [(1024, 768), (640, 400), (330, 240)]:
            with self.subTest(size=(width, height)):
                with self.assertRaises(ValueError):
                    frames.reduce(flat(width, height, (0, 0, 0)))

    def test_a_frame_of_the_test_size_reduces_to_the_reference_size(self):
        small = frames.reduce(flat(640, 480, (1, 2, 3)))
        self.assertEqual((small.width, small.height, small.pixel(319, 239)), (320, 240, (1, 2, 3)))


class CompareTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.reference = os.path.join(self.folder.name, "ref.png")
        frames.write_png(self.reference, flat(320, 240, (100, 100, 100)))

    def run_compare(self, image):
        actual = os.path.join(self.folder.name, "actual.png")
        frames.write_png(actual, image)
        out = os.path.join(self.folder.name, "out")
        with redirect_stdout(io.StringIO()) as text:
            result = frames.compare(actual, self.reference, out, "view")
        return result, text.getvalue(), out

    def test_tolerance_and_cap(self):
        # (changed pixels, change on one channel, expected to match)
        cases = [
            (0, 0, True),
            (76800, 24, True),            # every pixel within the tolerance
            (frames.CAP, 155, True),      # as many differing pixels as the cap allows
            (frames.CAP + 1, 25, False),  # one more, just over the tolerance
            (76800, -25, False),
        ]
        for count, change, expected in cases:
            with self.subTest(count=count, change=change):
                image = flat(320, 240, (100, 100, 100))
                for i in range(count):
                    image.pixels[i * 3 + 2] = 100 + change
                result, text, out = self.run_compare(image)
                self.assertEqual(result, expected, text)
                self.assertEqual(os.path.exists(os.path.join(out, "view.diff.png")), not expected)

    def test_a_failure_keeps_the_frame_and_marks_the_differences(self):
        image = flat(640, 480, (100, 100, 100))
        for y in range(100, 300):
            for x in range(200, 400):
                image.pixels[(y * 640 + x) * 3:(y * 640 + x) * 3 + 3] = b"\xff\xff\xff"
        result, text, out = self.run_compare(image)
        self.assertFalse(result)
        self.assertIn(os.path.join(out, "view.diff.png"), text)
        kept = frames.read_image(os.path.join(out, "view.actual.png"))
        self.assertEqual((kept.width, kept.height, kept.pixel(150, 100)), (320, 240, (255, 255, 255)))
        diff = frames.read_image(os.path.join(out, "view.diff.png"))
        self.assertEqual(diff.pixel(150, 100), (255, 0, 0))
        self.assertEqual(diff.pixel(10, 10), (33, 33, 33))

    def test_a_missing_reference_fails_and_keeps_the_frame(self):
        os.remove(self.reference)
        result, text, out = self.run_compare(flat(320, 240, (1, 1, 1)))
        self.assertFalse(result)
        self.assertTrue(os.path.exists(os.path.join(out, "view.actual.png")), text)

    def test_command_line_exit_codes(self):
        actual = os.path.join(self.folder.name, "a.bmp")
        with open(actual, "wb") as f:
            f.write(bmp(640, 480, lambda x, y: (100, 100, 100)))
        out = os.path.join(self.folder.name, "out")
        broken = os.path.join(self.folder.name, "broken.bmp")
        with open(broken, "wb") as f:
            f.write(b"BM" + bytes(10))
        with redirect_stdout(io.StringIO()):
            self.assertEqual(frames.main(["compare", actual, self.reference, out, "v"]), 0)
            self.assertEqual(frames.main(["compare", broken, self.reference, out, "v"]), 2)
            self.assertEqual(frames.main(["compare", actual]), 2)
            # A cap given for one view: a frame of which every pixel differs passes only a cap of all.
            other = os.path.join(self.folder.name, "other.png")
            frames.write_png(other, flat(320, 240, (0, 0, 0)))
            self.assertEqual(frames.main(["compare", other, self.reference, out, "v", "76799"]), 1)
            self.assertEqual(frames.main(["compare", other, self.reference, out, "v", "76800"]), 0)
            self.assertEqual(frames.main(["compare", other, self.reference, out, "v", "-1"]), 2)
            self.assertEqual(frames.main(["compare", other, self.reference, out, "v", "many"]), 2)
            self.assertEqual(frames.main(["ink", actual]), 0)

    def test_regions_are_counted_on_their_own(self):
        # A 10x10 region at (0, 0) and a 20x5 one at (100, 100): each may differ in half its pixels
        # whatever the cap, and pixels outside them keep the cap. (pixels per region, outside, passes)
        regions = [(0, 0, 10, 10), (100, 100, 120, 105)]
        cases = [
            ((50, 50), 0, True),
            ((51, 0), 0, False),
            ((0, 51), 0, False),
            ((50, 50), frames.CAP, True),
            ((0, 0), frames.CAP + 1, False),
        ]
        for (first, second), outside, expected in cases:
            with self.subTest(first=first, second=second, outside=outside):
                image = flat(320, 240, (100, 100, 100))
                changed = ([(i % 10, i // 10) for i in range(first)] +
                           [(100 + i % 20, 100 + i // 20) for i in range(second)] +
                           [(i % 320, 200 + i // 320) for i in range(outside)])
                for x, y in changed:
                    image.pixels[(y * 320 + x) * 3] = 0
                actual = os.path.join(self.folder.name, "actual.png")
                frames.write_png(actual, image)
                with redirect_stdout(io.StringIO()) as text:
                    result = frames.compare(actual, self.reference, os.path.join(self.folder.name, "out"),
                                            "view", regions=regions)
                self.assertEqual(result, expected, text.getvalue())

    def test_regions_on_the_command_line(self):
        other = os.path.join(self.folder.name, "other.png")
        frames.write_png(other, flat(320, 240, (0, 0, 0)))
        out = os.path.join(self.folder.name, "out")
        with redirect_stdout(io.StringIO()):
            # Every pixel differs: a region over the whole frame still allows only half of it.
            self.assertEqual(frames.main(["compare", other, self.reference, out, "v", "0", "0,0,320,240"]), 1)
            for bad in ["0,0,320", "0,0,321,240", "5,5,5,9", "a,b,c,d", "0,0,10,10/"]:
                with self.subTest(regions=bad):
                    self.assertEqual(frames.main(["compare", other, self.reference, out, "v", "768", bad]), 2)

    def test_ink_of_flat_and_drawn_frames(self):
        self.assertEqual(frames.ink(flat(8, 8, (3, 3, 3))), 0.0)
        image = flat(8, 8, (3, 3, 3))
        image.pixels[0:6] = b"\x09" * 6
        self.assertAlmostEqual(frames.ink(image), 2 / 64)


if __name__ == "__main__":
    unittest.main()
