#!/usr/bin/env python3
"""Builds the scene's two small models as text .x files: a shark (a spindle body with dorsal,
pectoral and tail fins) and a pink branching coral. Usage: make_meshes.py OUT_DIR

Every FLOAT value is written with a decimal point (the .x reader refuses "1" where it expects a
float). Triangles are ordered so that their face normal points away from the part they belong to,
which makes them front faces in Direct3D's clockwise order."""

import math
import os
import sys


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def normalise(v):
    length = math.sqrt(dot(v, v)) or 1.0
    return (v[0] / length, v[1] / length, v[2] / length)


class Part:
    """Vertices and triangles of one mesh, with one material index per triangle."""

    def __init__(self):
        self.vertices = []
        self.faces = []
        self.materials = []

    def vertex(self, v):
        self.vertices.append(v)
        return len(self.vertices) - 1

    def triangle(self, a, b, c, material, inside):
        """Adds a triangle facing away from the point inside."""
        va, vb, vc = self.vertices[a], self.vertices[b], self.vertices[c]
        normal = cross(sub(vb, va), sub(vc, va))
        centre = ((va[0] + vb[0] + vc[0]) / 3.0, (va[1] + vb[1] + vc[1]) / 3.0, (va[2] + vb[2] + vc[2]) / 3.0)
        if dot(normal, sub(centre, inside)) < 0.0:
            b, c = c, b
        self.faces.append((a, b, c))
        self.materials.append(material)

    def fin(self, points, material, inside):
        """A flat fin seen from both sides: each side has vertices of its own, so that its normals
        are not averaged away."""
        first = [self.vertex(p) for p in points]
        back = {f: self.vertex(p) for f, p in zip(first, points)}
        for i in range(1, len(points) - 1):
            self.triangle(first[0], first[i], first[i + 1], material, inside)
            a, b, c = self.faces[-1]
            self.faces.append((back[a], back[c], back[b]))
            self.materials.append(material)

    def normals(self):
        sums = [(0.0, 0.0, 0.0)] * len(self.vertices)
        for a, b, c in self.faces:
            n = cross(sub(self.vertices[b], self.vertices[a]), sub(self.vertices[c], self.vertices[a]))
            for i in (a, b, c):
                sums[i] = (sums[i][0] + n[0], sums[i][1] + n[1], sums[i][2] + n[2])
        return [normalise(s) for s in sums]


def tube(part, rings, sides, material):
    """A closed tube through rings of (centre, radius, axis u, axis v); the ends are capped."""
    indices = []
    for centre, radius, u, v in rings:
        ring = []
        for s in range(sides):
            angle = 2.0 * math.pi * s / sides
            ring.append(part.vertex(tuple(centre[k] + radius * (math.cos(angle) * u[k] + math.sin(angle) * v[k])
                                          for k in range(3))))
        indices.append(ring)
    for r in range(len(rings) - 1):
        inside = tuple((rings[r][0][k] + rings[r + 1][0][k]) / 2.0 for k in range(3))
        for s in range(sides):
            a, b = indices[r][s], indices[r][(s + 1) % sides]
            c, d = indices[r + 1][(s + 1) % sides], indices[r + 1][s]
            part.triangle(a, b, c, material, inside)
            part.triangle(a, c, d, material, inside)
    for end, step in ((0, 1), (len(rings) - 1, -1)):
        tip = part.vertex(rings[end][0])
        inside = rings[end + step][0]
        for s in range(sides):
            part.triangle(tip, indices[end][s], indices[end][(s + 1) % sides], material, inside)


def shark():
    """About 90 units from snout (+x) to tail (-x), grey above and pale below."""
    part = Part()
    profile = [(45.0, 0.5), (40.0, 5.0), (30.0, 9.0), (15.0, 11.0), (0.0, 10.0), (-15.0, 7.5), (-28.0, 4.0),
               (-36.0, 2.0)]
    rings = [((x, 0.0, 0.0), r, (0.0, 1.0, 0.0), (0.0, 0.0, 1.0)) for x, r in profile]
    tube(part, rings, 10, 0)
    part.fin([(12.0, 9.0, 0.0), (-2.0, 9.0, 0.0), (-4.0, 24.0, 0.0)], 0, (4.0, 0.0, 0.0))
    part.fin([(-34.0, 1.0, 0.0), (-50.0, 16.0, 0.0), (-44.0, 0.0, 0.0)], 0, (-38.0, 0.0, 0.0))
    part.fin([(-34.0, -1.0, 0.0), (-48.0, -10.0, 0.0), (-44.0, 0.0, 0.0)], 0, (-38.0, 0.0, 0.0))
    for side in (1.0, -1.0):
        part.fin([(18.0, -5.0, 8.0 * side), (8.0, -6.0, 8.0 * side), (2.0, -12.0, 22.0 * side)], 1,
                 (12.0, -5.0, 0.0))
    return part, [("SharkSkin", (0.42, 0.47, 0.52, 1.0), 16.0), ("SharkBelly", (0.82, 0.84, 0.86, 1.0), 8.0)]


def coral():
    """Pink branches about 60 units high, rising from a common foot and forking once each."""
    part = Part()
    branches = [(0.0, 0.0), (20.0, 0.35), (140.0, 0.45), (250.0, 0.4)]
    for bearing, lean in branches:
        heading = math.radians(bearing)
        direction = normalise((math.sin(lean) * math.cos(heading), math.cos(lean), math.sin(lean) * math.sin(heading)))
        u = normalise(cross(direction, (0.0, 0.0, 1.0) if abs(direction[2]) < 0.9 else (1.0, 0.0, 0.0)))
        v = cross(direction, u)
        length = 34.0 if lean == 0.0 else 26.0
        rings = [(tuple(direction[k] * length * t for k in range(3)), 4.0 - 2.5 * t, u, v) for t in (0.0, 0.5, 1.0)]
        tube(part, rings, 6, 0)
        top = rings[-1][0]
        for fork in (-0.5, 0.5):
            twig = normalise((direction[0] + fork * u[0], direction[1] + 0.3, direction[2] + fork * u[2]))
            tu = normalise(cross(twig, (0.0, 0.0, 1.0) if abs(twig[2]) < 0.9 else (1.0, 0.0, 0.0)))
            tv = cross(twig, tu)
            tube(part, [(top, 1.6, tu, tv), (tuple(top[k] + twig[k] * 18.0 for k in range(3)), 0.8, tu, tv)], 6, 0)
    return part, [("CoralPink", (0.96, 0.52, 0.70, 1.0), 24.0)]


def number(value):
    return "%.4f" % value


def write(path, frame, mesh, part, materials):
    lines = ["xof 0302txt 0032", "Frame %s {" % frame,
             " FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }",
             " Mesh %s {" % mesh, "  %d;" % len(part.vertices)]
    lines += ["  %s;%s;%s;%s" % (number(x), number(y), number(z), "," if i + 1 < len(part.vertices) else ";")
              for i, (x, y, z) in enumerate(part.vertices)]
    faces = ["  3;%d,%d,%d;%s" % (a, b, c, "," if i + 1 < len(part.faces) else ";")
             for i, (a, b, c) in enumerate(part.faces)]
    lines += ["  %d;" % len(part.faces)] + faces
    normals = part.normals()
    lines += ["  MeshNormals {", "   %d;" % len(normals)]
    lines += ["   %s;%s;%s;%s" % (number(x), number(y), number(z), "," if i + 1 < len(normals) else ";")
              for i, (x, y, z) in enumerate(normals)]
    lines += ["   %d;" % len(part.faces)] + [" " + face for face in faces] + ["  }"]
    lines += ["  MeshMaterialList {", "   %d;" % len(materials), "   %d;" % len(part.materials)]
    lines += ["   %d%s" % (m, "," if i + 1 < len(part.materials) else ";;") for i, m in enumerate(part.materials)]
    for name, (r, g, b, a), power in materials:
        lines.append("   Material %s { %s;%s;%s;%s;; %s; 0.3;0.3;0.3;; 0.0;0.0;0.0;; }"
                     % (name, number(r), number(g), number(b), number(a), number(power)))
    lines += ["  }", " }", "}", ""]
    with open(path, "w", newline="\r\n") as out:
        out.write("\n".join(lines))


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_meshes.py OUT_DIR\n")
        return 1
    os.makedirs(sys.argv[1], exist_ok=True)
    part, materials = shark()
    write(os.path.join(sys.argv[1], "shark.x"), "Shark", "SharkBody", part, materials)
    part, materials = coral()
    write(os.path.join(sys.argv[1], "coral.x"), "Coral", "CoralBranches", part, materials)
    return 0


if __name__ == "__main__":
    sys.exit(main())
