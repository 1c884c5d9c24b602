#!/usr/bin/env python3
"""Makes the installed form of the scene: scrambles the plain world and shader files into
AmbrevoScene.w and AmbrevoScene.s and writes the header the client compiles in, which holds the
two keys and the sizes and byte sums its installation check accepts.

Scrambling adds to each byte the key byte at the same position modulo the key's length (wrapping
at 256). The byte sum is the client's: the file read as text (a carriage return before a line
feed drops out, the byte 26 ends the input) into a zero-filled buffer of the file's size whose last
byte is then cleared, summed as signed 8-bit values in 32-bit arithmetic.

Usage: scramble_scene.py --world PLAIN.w --shader PLAIN.s --world-key KEY --shader-key KEY
                         --out-dir DIR --header FILE
"""
import argparse
import os
import sys


def scramble(data, key):
    k = key.encode("ascii")
    return bytes((b + k[i % len(k)]) & 0xFF for i, b in enumerate(data))


def unscramble(data, key):
    k = key.encode("ascii")
    return bytes((b - k[i % len(k)]) & 0xFF for i, b in enumerate(data))


def byte_sum(data):
    if not data:
        return 0
    buf = bytearray(len(data))
    n = 0
    i = 0
    while i < len(data):
        c = data[i]
        if c == 26:
            break
        if c == 13 and i + 1 < len(data) and data[i + 1] == 10:
            i += 1
            continue
        buf[n] = c
        n += 1
        i += 1
    buf[-1] = 0
    total = sum(b - 256 if b > 127 else b for b in buf)
    # 32-bit arithmetic, as the client adds.
    total &= 0xFFFFFFFF
    return total - (1 << 32) if total >= (1 << 31) else total


def check_key(name, key):
    if not key or not all(32 < ord(c) < 127 and c not in '"\\' for c in key):
        sys.exit("scramble_scene.py: the %s key must be printable ASCII without blanks, quotes or "
                 "backslashes" % name)


def write_if_changed(path, data):
    if os.path.exists(path):
        with open(path, "rb") as f:
            if f.read() == data:
                return
    with open(path, "wb") as f:
        f.write(data)


HEADER = """#pragma once
// Made by tools/scramble_scene.py from the plain scene files; made again by every build.

#include <cstdint>

const char* const SCENE_WORLD_KEY = "{world_key}";
const char* const SCENE_SHADER_KEY = "{shader_key}";
const int32_t SCENE_WORLD_SUM = {world_sum};
const uint32_t SCENE_WORLD_SIZE = {world_size}u;
const int32_t SCENE_SHADER_SUM = {shader_sum};
const uint32_t SCENE_SHADER_SIZE = {shader_size}u;
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--world", required=True)
    parser.add_argument("--shader", required=True)
    parser.add_argument("--world-key", required=True)
    parser.add_argument("--shader-key", required=True)
    parser.add_argument("--out-dir", required=True)
    parser.add_argument("--header", required=True)
    args = parser.parse_args()
    check_key("world", args.world_key)
    check_key("shader", args.shader_key)

    values = {"world_key": args.world_key, "shader_key": args.shader_key}
    os.makedirs(args.out_dir, exist_ok=True)
    for kind, plain_path, key, out_name in (("world", args.world, args.world_key, "AmbrevoScene.w"),
                                            ("shader", args.shader, args.shader_key, "AmbrevoScene.s")):
        with open(plain_path, "rb") as f:
            scrambled = scramble(f.read(), key)
        write_if_changed(os.path.join(args.out_dir, out_name), scrambled)
        values[kind + "_sum"] = byte_sum(scrambled)
        values[kind + "_size"] = len(scrambled)
    header_dir = os.path.dirname(args.header)
    if header_dir:
        os.makedirs(header_dir, exist_ok=True)
    write_if_changed(args.header, HEADER.format(**values).encode("ascii"))


if __name__ == "__main__":
    main()
