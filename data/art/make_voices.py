#!/usr/bin/env python3
"""Speaks the two talking heads' dialogue with espeak-ng and writes, per head, its voice and its
lip-sync track. Usage: make_voices.py SOUNDS_DIR LIPSYNC_DIR

- SOUNDS_DIR/diver.wav, SOUNDS_DIR/dweller.wav: 22050 Hz, 16-bit mono. Both last VOICE_SECONDS,
  the scene's loop, and start together, so the two voices stay in turn as they loop: while one
  head speaks, the other is silent.
- LIPSYNC_DIR/diver.sync, LIPSYNC_DIR/dweller.sync: the words with their times, one weight track
  per viseme (in percent) made from the phoneme timings that the synthesiser reports, and the head
  and eye gestures (degrees): a nod at each stressed word while speaking, the head turned towards
  the other speaker while listening, and the eyes following.

The speech library (libespeak-ng) is driven through ctypes, so the sound and the phoneme timings
come from one synthesis."""

import ctypes
import ctypes.util
import math
import os
import struct
import sys
import wave

RATE = 22050
VOICE_SECONDS = 95.0

# Who says what, in turn; each line starts a little after the one before ends. The voices start
# playing when the scene has loaded and run on their own clock, whatever the world's time; the
# heads rest, mouths shut and facing ahead, for the first half minute (while a viewer looks round
# the reef, and while the scene's frame tests take their pictures) and talk in the middle of the
# loop.
DIALOGUE = [
    ("diver", "Hello down there! Is anyone living in these dark waters?"),
    ("dweller", "Welcome, traveller from the bright surface. We have watched your bubbles rise."),
    ("diver", "The reef is beautiful. What is that shark looking for?"),
    ("dweller", "He circles the coral every evening. He means you no harm."),
    ("diver", "Then I will stay a little longer, and listen to the sea."),
    ("dweller", "Stay as long as your air allows. The deep keeps its stories for patient friends."),
    ("diver", "Look, our bubbles are drifting up towards the light."),
    ("dweller", "Everything rises in the end. Come back soon, little diver."),
]
FIRST_LINE_AT = 30.0
PAUSE = 0.8

# The voices: espeak-ng voice name, words per minute, pitch and pitch range (0..100), and an echo
# (delay in seconds, level) that puts the dweller further down.
VOICES = {
    "diver": ("en-us+m3", 160, 55, 60, None),
    "dweller": ("en+m7", 130, 22, 35, (0.11, 0.35)),
}

# espeak-ng's phoneme names to the heads' visemes; a phoneme not listed keeps the mouth where it
# is (pauses and stress marks close it).
PHONEME_VISEMES = {
    "p": "BUMP", "b": "BUMP", "m": "BUMP",
    "f": "FAVE", "v": "FAVE",
    "T": "THOUGH", "D": "THOUGH",
    "t": "TOLD", "d": "TOLD", "n": "TOLD", "l": "TOLD", "t#": "TOLD", "n-": "TOLD", "l-": "TOLD",
    "s": "SIZE", "z": "SIZE",
    "S": "CHURCH", "Z": "CHURCH", "tS": "CHURCH", "dZ": "CHURCH",
    "k": "EAT", "g": "EAT", "N": "EAT", "h": "EAT", "j": "EAT",
    "r": "ROAR", "r-": "ROAR", "3:": "EARTH", "3": "EARTH", "@": "EARTH", "@2": "EARTH", "@5": "EARTH",
    "w": "WET",
    "i": "EAT", "i:": "EAT", "I": "IF", "I2": "IF", "I#": "IF", "e": "IF", "E": "IF", "eI": "IF", "e@": "IF",
    "a": "OX", "a#": "OX", "A:": "OX", "A@": "OX", "aI": "OX", "aU": "OX", "V": "OX", "0": "OX", "aa": "OX",
    "O:": "OAT", "O@": "OAT", "oU": "OAT", "OI": "OAT", "o@": "OAT",
    "u:": "NEW", "U": "NEW", "U@": "NEW", "I@": "IF", "i@": "IF",
}
RAMP = 0.03


class EventId(ctypes.Union):
    _fields_ = [("number", ctypes.c_int), ("name", ctypes.c_char_p), ("string", ctypes.c_char * 8)]


class Event(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("unique_identifier", ctypes.c_uint), ("text_position", ctypes.c_int),
                ("length", ctypes.c_int), ("audio_position", ctypes.c_int), ("sample", ctypes.c_int),
                ("user_data", ctypes.c_void_p), ("id", EventId)]


EVENT_WORD, EVENT_PHONEME = 1, 7
SYNTH_CALLBACK = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.POINTER(ctypes.c_short), ctypes.c_int, ctypes.POINTER(Event))


class Speaker:
    """libespeak-ng in synchronous mode with phoneme events."""

    def __init__(self):
        name = ctypes.util.find_library("espeak-ng") or "libespeak-ng.so.1"
        self.lib = ctypes.CDLL(name)
        # Synchronous output, phoneme events, and no exit on a data error.
        rate = self.lib.espeak_Initialize(2, 200, None, 0x8001)
        if rate != RATE:
            raise RuntimeError("espeak-ng answered sample rate %d" % rate)
        self.samples, self.events = [], []
        self.callback = SYNTH_CALLBACK(self.collect)
        self.lib.espeak_SetSynthCallback(self.callback)

    def collect(self, wav, count, events):
        if wav and count > 0:
            self.samples.extend(wav[:count])
        i = 0
        while events[i].type != 0:
            e = events[i]
            if e.type == EVENT_PHONEME:
                self.events.append(("phoneme", e.sample, bytes(e.id.string).split(b"\0")[0].decode("ascii")))
            elif e.type == EVENT_WORD:
                self.events.append(("word", e.sample, (e.text_position, e.length)))
            i += 1
        return 0

    def say(self, voice, text):
        name, speed, pitch, spread, _ = voice
        if self.lib.espeak_SetVoiceByName(name.encode("ascii")) != 0:
            raise RuntimeError("espeak-ng has no voice %s" % name)
        for parameter, value in ((1, speed), (3, pitch), (4, spread)):
            self.lib.espeak_SetParameter(parameter, value, 0)
        self.samples, self.events = [], []
        data = text.encode("utf-8")
        # Character positions, UTF-8 text.
        if self.lib.espeak_Synth(data, len(data) + 1, 0, 1, 0, 1, None, None) != 0:
            raise RuntimeError("espeak-ng could not speak: %s" % text)
        self.lib.espeak_Synchronize()
        return list(self.samples), list(self.events)


def words_of(text, events, start, length):
    """(start, end, word) in seconds on the voice's clock; a word ends where the next begins."""
    marks = [(sample, pos) for kind, sample, pos in events if kind == "word"]
    words = []
    for i, (sample, (position, size)) in enumerate(marks):
        end = marks[i + 1][0] if i + 1 < len(marks) else length
        word = "".join(c for c in text[position - 1:position - 1 + size] if c.isalnum() or c == "'")
        if word:
            words.append((start + sample / RATE, start + end / RATE, word))
    return words


def phonemes_of(events, start, length):
    """(start, end, viseme or None) for every phoneme."""
    marks = [(sample, name) for kind, sample, name in events if kind == "phoneme"]
    spans = []
    for i, (sample, name) in enumerate(marks):
        end = marks[i + 1][0] if i + 1 < len(marks) else length
        if end > sample:
            spans.append((start + sample / RATE, start + end / RATE, PHONEME_VISEMES.get(name.strip("',"))))
    return spans


def envelope(bumps):
    """Keys (time, weight) of the upper envelope of trapezoids (rise, top from, top to, fall)."""
    times = sorted({t for bump in bumps for t in bump[:4]})

    def at(t):
        best = 0.0
        for a, b, c, d, height in bumps:
            if a < t < b:
                best = max(best, height * (t - a) / (b - a))
            elif b <= t <= c:
                best = max(best, height)
            elif c < t < d:
                best = max(best, height * (d - t) / (d - c))
        return best

    keys = [(t, at(t)) for t in times]
    # Keep a zero only where the weight leaves or reaches zero, and never two keys at one time.
    kept = []
    for i, (t, w) in enumerate(keys):
        before = keys[i - 1][1] if i > 0 else 0.0
        after = keys[i + 1][1] if i + 1 < len(keys) else 0.0
        if w == 0.0 and before == 0.0 and after == 0.0:
            continue
        if kept and t - kept[-1][0] < 0.001:
            continue
        kept.append((t, w))
    return kept


def viseme_tracks(spans):
    bumps = {}
    for start, end, viseme in spans:
        if viseme is None:
            continue
        middle = (start + end) / 2.0
        height = 100.0 if end - start > 0.05 else 80.0
        bumps.setdefault(viseme, []).append((start - RAMP, min(middle, start + 0.02), max(middle, end - 0.02),
                                             end + RAMP, height))
    return {name: envelope(b) for name, b in bumps.items()}


def gesture_tracks(own_words, other_words, side):
    """Degrees: HEAD_BEND nods on the own words, HEAD_TWIST and the eyes turn towards the other
    head (side +1 or -1) while it speaks, HEAD_SIDE_SIDE tilts a little while listening."""
    def hold(spans, height, rise):
        return [(a - rise, a, b, b + rise, height) for a, b in spans]

    nods = []
    for i, (a, b, word) in enumerate(own_words):
        if len(word) > 3:
            nods.append((a - 0.1, a + 0.05, a + 0.12, b + 0.2, 6.0 if i % 2 else 4.0))
    listening = merge_spans([(a, b) for a, b, _ in other_words])
    speaking = merge_spans([(a, b) for a, b, _ in own_words])
    tracks = {
        "HEAD_BEND": envelope(nods) or [(0.0, 0.0), (VOICE_SECONDS, 0.0)],
        "HEAD_TWIST": signed(envelope(hold(listening, 14.0, 0.5)), side),
        "HEAD_SIDE_SIDE": signed(envelope(hold(listening, 5.0, 0.7)), -side),
        "EYE_SIDE_SIDE_LEFT": signed(envelope(hold(listening, 12.0, 0.25)), side),
        "EYE_SIDE_SIDE_RIGHT": signed(envelope(hold(listening, 12.0, 0.25)), side),
        "EYE_UP_DOWN_LEFT": envelope(hold(speaking, 4.0, 0.3)),
        "EYE_UP_DOWN_RIGHT": envelope(hold(speaking, 4.0, 0.3)),
    }
    return {name: keys for name, keys in tracks.items() if keys}


def signed(keys, sign):
    return [(t, w * sign) for t, w in keys]


def merge_spans(spans, gap=0.6):
    """Runs of words with pauses shorter than gap between them become one span."""
    merged = []
    for a, b in sorted(spans):
        if merged and a - merged[-1][1] < gap:
            merged[-1] = (merged[-1][0], max(b, merged[-1][1]))
        else:
            merged.append((a, b))
    return merged


def write_sync(path, words, visemes, gestures):
    lines = ["<txt>"]
    lines += ["%.3f %.3f %s" % w for w in words]
    lines.append("</txt>")
    lines.append("<visemes>")
    for name in sorted(visemes):
        keys = visemes[name]
        lines.append("%s %d" % (name, len(keys)))
        lines += ["%.3f %.2f 0 0" % key for key in keys]
    lines.append("</visemes>")
    lines.append("<gestures>")
    for name in sorted(gestures):
        keys = gestures[name]
        lines.append("%s %d" % (name, len(keys)))
        lines += ["%.3f %.2f 0 0" % key for key in keys]
    lines.append("</gestures>")
    lines.append("")
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines))


def write_wav(path, samples):
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(struct.pack("<%dh" % len(samples), *samples))


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: make_voices.py SOUNDS_DIR LIPSYNC_DIR\n")
        return 1
    sounds, lipsync = sys.argv[1], sys.argv[2]
    os.makedirs(sounds, exist_ok=True)
    os.makedirs(lipsync, exist_ok=True)
    speaker = Speaker()
    total = int(VOICE_SECONDS * RATE)
    tracks = {name: [0.0] * total for name in VOICES}
    words = {name: [] for name in VOICES}
    spans = {name: [] for name in VOICES}
    at = FIRST_LINE_AT
    for who, text in DIALOGUE:
        voice = VOICES[who]
        samples, events = speaker.say(voice, text)
        first = int(at * RATE)
        if first + len(samples) > total:
            raise RuntimeError("the dialogue does not fit in %.1f seconds" % VOICE_SECONDS)
        out = tracks[who]
        for i, s in enumerate(samples):
            out[first + i] += s
        if voice[4]:
            delay, level = voice[4]
            shift = int(delay * RATE)
            for i in range(len(samples) + shift * 3):
                j = first + i
                if shift <= i and j < total:
                    out[j] += level * out[j - shift]
        words[who] += words_of(text, events, at, len(samples))
        spans[who] += phonemes_of(events, at, len(samples))
        at += len(samples) / RATE + PAUSE
    for who, out in tracks.items():
        peak = max(1.0, max(abs(s) for s in out))
        gain = min(1.0, 30000.0 / peak)
        write_wav(os.path.join(sounds, who + ".wav"), [int(round(s * gain)) for s in out])
        other = [w for name, ws in words.items() if name != who for w in ws]
        side = 1.0 if who == "diver" else -1.0
        write_sync(os.path.join(lipsync, who + ".sync"), words[who], viseme_tracks(spans[who]),
                   gesture_tracks(words[who], other, side))
    return 0


if __name__ == "__main__":
    sys.exit(main())
