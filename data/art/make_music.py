#!/usr/bin/env python3
"""Composes the scene's music: a slow, calm loop of 16 seconds in A minor pentatonic, soft pad
chords under a bell-like arpeggio, with a little echo, as a 22,050 Hz 16-bit stereo WAV file. The
build encodes it to music.wma with ffmpeg. Only the standard library is used.

Usage: make_music.py OUTPUT.wav
"""
import math
import struct
import sys
import wave

RATE = 22050
BEATS = 32
BEAT = 0.5
SECONDS = BEATS * BEAT

# MIDI notes: pad chords (one per four beats) and the arpeggio over them.
CHORDS = [(45, 52, 57, 60), (41, 48, 53, 57), (43, 50, 55, 59), (40, 47, 52, 55)] * 2
ARPEGGIO = [69, 72, 76, 79, 76, 72, 74, 76, 65, 69, 72, 76, 72, 69, 67, 69,
            67, 71, 74, 79, 74, 71, 72, 74, 64, 67, 71, 76, 74, 71, 69, 67]


def frequency(note):
    return 440.0 * 2 ** ((note - 69) / 12.0)


def render():
    n = int(SECONDS * RATE)
    left = [0.0] * n
    right = [0.0] * n
    # Pads: slow attack and release, two slightly detuned sines per note.
    chord_len = 4 * BEAT
    for c, chord in enumerate(CHORDS):
        start = int(c * chord_len * RATE)
        length = int(chord_len * RATE)
        for note in chord:
            f = frequency(note)
            w1 = 2 * math.pi * f / RATE
            w2 = 2 * math.pi * f * 1.003 / RATE
            for i in range(length):
                t = i / RATE
                env = min(1.0, t / 0.6) * min(1.0, (chord_len - t) / 0.6)
                v = 0.035 * env * (math.sin(w1 * (start + i)) + math.sin(w2 * (start + i)))
                left[start + i] += v
                right[start + i] += v
    # Bells: a quick attack and a long decay, panned from side to side.
    for b, note in enumerate(ARPEGGIO):
        start = int(b * BEAT * RATE)
        f = frequency(note)
        w = 2 * math.pi * f / RATE
        pan = 0.5 + 0.35 * math.sin(b * 0.7)
        length = min(int(1.5 * RATE), n - start)
        for i in range(length):
            t = i / RATE
            env = min(1.0, t / 0.005) * math.exp(-t * 3.0)
            v = 0.12 * env * (math.sin(w * i) + 0.3 * math.sin(2 * w * i) * math.exp(-t * 6.0))
            left[start + i] += v * (1 - pan)
            right[start + i] += v * pan
    # An echo that wraps round, so the loop joins without a seam.
    delay = int(0.75 * RATE)
    for channel in (left, right):
        dry = channel[:]
        for i in range(n):
            channel[i] = dry[i] + 0.35 * dry[i - delay]
    return left, right


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    left, right = render()
    peak = max(max(abs(v) for v in left), max(abs(v) for v in right), 1e-9)
    scale = 0.8 * 32767 / peak
    frames = bytearray()
    for l, r in zip(left, right):
        frames += struct.pack("<hh", int(l * scale), int(r * scale))
    with wave.open(sys.argv[1], "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(bytes(frames))


if __name__ == "__main__":
    main()
