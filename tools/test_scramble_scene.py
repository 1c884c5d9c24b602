#!/usr/bin/env python3
"""Tests of scramble_scene.py: the byte sum rules, the round trip and the files and header it
writes. Run by CTest on the build machine."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import scramble_scene  # noqa: E402

TOOL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "scramble_scene.py")


class ByteSumTest(unittest.TestCase):
    def test_rules(self):
        cases = [
            (b"", 0),
            # The only byte is the last one, which is cleared.
            (b"A", 0),
            (b"AB", 65),
            # Signed bytes.
            (b"\xff\x80\x01", -1 - 128),
            # A carriage return before a line feed drops out, so the last byte read counts.
            (b"A\r\nB", 65 + 10 + 66),
            # A lone carriage return stays.
            (b"A\rB", 65 + 13),
            # The byte 26 ends the input; the rest of the buffer stays zero.
            (b"AB\x1aCD", 65 + 66),
        ]
        for data, expected in cases:
            with self.subTest(data=data):
                self.assertEqual(scramble_scene.byte_sum(data), expected)

    def test_round_trip(self):
        data = bytes(range(256)) * 3
        scrambled = scramble_scene.scramble(data, "Key!")
        self.assertNotEqual(scrambled, data)
        self.assertEqual(scramble_scene.unscramble(scrambled, "Key!"), data)
        # Wrapping at 256: 0xFF plus 'K' (75) is 74.
        self.assertEqual(scramble_scene.scramble(b"\xff", "K"), bytes([74]))


class ToolTest(unittest.TestCase):
    def test_writes_scrambled_files_and_header(self):
        with tempfile.TemporaryDirectory() as folder:
            world = os.path.join(folder, "plain.w")
            shader = os.path.join(folder, "plain.s")
            with open(world, "wb") as f:
                f.write(b"qirn_world_version2.0\r\n{\r\n}\r\n")
            with open(shader, "wb") as f:
                f.write(b"")
            header = os.path.join(folder, "inc", "values.h")
            out = os.path.join(folder, "Scenes")
            subprocess.run([sys.executable, TOOL, "--world", world, "--shader", shader, "--world-key", "Abc",
                            "--shader-key", "Defg", "--out-dir", out, "--header", header], check=True)
            with open(os.path.join(out, "AmbrevoScene.w"), "rb") as f:
                scrambled = f.read()
            with open(os.path.join(out, "AmbrevoScene.s"), "rb") as f:
                self.assertEqual(f.read(), b"")
            self.assertEqual(scramble_scene.unscramble(scrambled, "Abc"), open(world, "rb").read())
            text = open(header).read()
            self.assertIn('SCENE_WORLD_KEY = "Abc";', text)
            self.assertIn('SCENE_SHADER_KEY = "Defg";', text)
            self.assertIn("SCENE_WORLD_SUM = %d;" % scramble_scene.byte_sum(scrambled), text)
            self.assertIn("SCENE_WORLD_SIZE = %du;" % len(scrambled), text)
            self.assertIn("SCENE_SHADER_SUM = 0;", text)
            self.assertIn("SCENE_SHADER_SIZE = 0u;", text)

    def test_refuses_a_key_that_cannot_be_written_into_the_header(self):
        result = subprocess.run([sys.executable, TOOL, "--world", "x", "--shader", "y", "--world-key", 'a"b',
                                 "--shader-key", "c", "--out-dir", ".", "--header", "h"],
                                stderr=subprocess.PIPE)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn(b"key", result.stderr)


if __name__ == "__main__":
    unittest.main()
