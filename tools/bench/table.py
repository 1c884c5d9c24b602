#!/usr/bin/env python3
"""Prints the bench's table from the raw results of tools/bench/run: files NAME.ROUND (NAME one of
gl, baseline, dx8, dx8dump, baseline_dx8, skin) of "bench.<key> <value>" lines. Each figure is the
median over the rounds. Each renderer is set against the bare baseline that draws its own frame.
Usage: table.py RESULTS_DIR ROUNDS"""

import os
import statistics
import sys


def read(path):
    values = {}
    with open(path) as lines:
        for line in lines:
            parts = line.split()
            if len(parts) == 2 and parts[0].startswith("bench."):
                try:
                    values[parts[0][6:]] = float(parts[1])
                except ValueError:
                    values[parts[0][6:]] = parts[1]
    return values


def median(results, name, key):
    values = [r[key] for r in results[name] if isinstance(r.get(key), float)]
    if not values:
        sys.exit("table: no %s figure in the %s results" % (key, name))
    return statistics.median(values)


def main():
    folder, rounds = sys.argv[1], int(sys.argv[2])
    results = {name: [read(os.path.join(folder, "%s.%d" % (name, r))) for r in range(1, rounds + 1)]
               for name in ("gl", "dx8", "dx8dump", "baseline", "baseline_dx8", "skin")}

    def m(name, key):
        return median(results, name, key)

    base_fps = m("baseline", "fps")
    base_dx8_fps = m("baseline_dx8", "fps")
    rows = [("Frames", "OpenGL %d triangles in %d draws; Direct3D 8 %d triangles in %d draws (%d calls, "
             "%d of them in a baseline frame after the first)"
             % (m("gl", "dump_triangles"), m("gl", "dump_draws"), m("dx8dump", "dump_triangles"),
                m("dx8dump", "dump_draws"), m("dx8dump", "dump_calls"), m("baseline_dx8", "calls_per_frame"))),
            ("Stretch", "%d frames of world time at a fixed step, 1024x768, frame limiter off, median of %d rounds"
             % (m("gl", "frames"), rounds))]
    print()
    for label, text in rows:
        print("%-8s %s" % (label + ":", text))
    print()
    header = ("", "OpenGL", "baseline", "Direct3D 8", "baseline")
    print("| %-40s | %10s | %10s | %10s | %10s |" % header)
    print("|%s|%s|%s|%s|%s|" % ("-" * 42, "-" * 12, "-" * 12, "-" * 12, "-" * 12))

    def row(label, gl, base, dx8, base_dx8):
        print("| %-40s | %10s | %10s | %10s | %10s |" % (label, gl, base, dx8, base_dx8))

    def ms(name, key):
        return "%.2f" % m(name, key)

    row("stretch: frames per second", "%.1f" % m("gl", "fps"), "-", "%.1f" % m("dx8", "fps"), "-")
    row("stretch: frame (ms)", ms("gl", "frame_ms"), "-", ms("dx8", "frame_ms"), "-")
    row("stretch: engine update (ms)", ms("gl", "update_ms"), "-", ms("dx8", "update_ms"), "-")
    row("stretch: render submission (ms)", ms("gl", "submit_ms"), "-", ms("dx8", "submit_ms"), "-")
    row("stretch: present / buffer swap (ms)", ms("gl", "present_ms"), "-", ms("dx8", "present_ms"), "-")
    row("stretch: main-thread CPU (ms)", ms("gl", "main_thread_cpu_ms"), "-", ms("dx8", "main_thread_cpu_ms"), "-")
    row("dumped frame held: frames per second", "%.1f" % m("gl", "held_fps"), "%.1f" % base_fps,
        "%.1f" % m("dx8", "held_fps"), "%.1f" % base_dx8_fps)
    row("dumped frame held: frame (ms)", ms("gl", "held_frame_ms"), ms("baseline", "frame_ms"),
        ms("dx8", "held_frame_ms"), ms("baseline_dx8", "frame_ms"))
    row("dumped frame held: submission (ms)", ms("gl", "held_submit_ms"), ms("baseline", "submit_ms"),
        ms("dx8", "held_submit_ms"), ms("baseline_dx8", "submit_ms"))
    row("dumped frame held: present (ms)", ms("gl", "held_present_ms"), ms("baseline", "present_ms"),
        ms("dx8", "held_present_ms"), ms("baseline_dx8", "present_ms"))
    row("world load (s)", "%.3f" % m("gl", "load_seconds"), "-", "%.3f" % m("dx8", "load_seconds"), "-")
    row("first frame (s)", "%.3f" % m("gl", "first_frame_seconds"), "-", "%.3f" % m("dx8", "first_frame_seconds"),
        "-")

    def share(name):
        return (m(name, "update_ms") + m(name, "submit_ms")) / m(name, "frame_ms")

    print()
    print("| %-56s | %10s |" % ("ratio", "value"))
    print("|%s|%s|" % ("-" * 58, "-" * 12))
    ratios = [
        ("OpenGL frame rate / OpenGL baseline frame rate", m("gl", "held_fps") / base_fps),
        ("Direct3D 8 frame rate / Direct3D 8 baseline frame rate", m("dx8", "held_fps") / base_dx8_fps),
        ("OpenGL engine CPU share of the frame (update+submit)", share("gl")),
        ("Direct3D 8 engine CPU share of the frame", share("dx8")),
        ("OpenGL swap share of the frame", m("gl", "present_ms") / m("gl", "frame_ms")),
        ("Direct3D 8 present share of the frame", m("dx8", "present_ms") / m("dx8", "frame_ms")),
        ("skinning: engine blend rate / plain loop rate", m("skin", "skin_engine_rate") / m("skin", "skin_plain_rate")),
    ]
    for label, value in ratios:
        print("| %-56s | %10.2f |" % (label, value))
    source = results["skin"][0].get("skin_source", "?")
    print()
    print("Skinning: %d vertices (%s), engine blend %.2f M vertices/s, plain loop %.2f M vertices/s, "
          "largest difference %.2g" % (m("skin", "skin_vertices"), source, m("skin", "skin_engine_rate") / 1e6,
                                       m("skin", "skin_plain_rate") / 1e6, m("skin", "skin_largest_difference")))


if __name__ == "__main__":
    main()
