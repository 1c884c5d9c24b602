#!/usr/bin/env python3
"""Builds the scene's models as text .x files: a shark (a spindle body with dorsal, pectoral and
tail fins), a pink branching coral, the seabed (a height field of sand), rocks, kelp ribbons, the
sky box (an inward-facing cube; its texture fades from pale blue above to deep blue below) and the
logo (a square facing the camera, its emblem painted by make_textures.py), and the shark's swim
across the reef, one 95-second loop; a stone slate with a screen; the paths of two cameras; and the
data bunnies' keys. Every mesh carries one set of texture coordinates.
Usage: make_meshes.py OUT_DIR

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
        self.uvs = []
        self.faces = []
        self.materials = []
        # The vertex each back-face vertex of fin_faces copies.
        self.copy_of = {}

    def vertex(self, v, uv=(0.0, 0.0)):
        self.vertices.append(v)
        self.uvs.append(uv)
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

    def fin(self, points, material, inside, uvs=None):
        """A flat fin seen from both sides: each side has vertices of its own, so that its normals
        are not averaged away."""
        first = [self.vertex(p, uv) for p, uv in zip(points, uvs or [(0.0, 0.0)] * len(points))]
        back = {f: self.vertex(p, self.uvs[f]) for f, p in zip(first, points)}
        for i in range(1, len(points) - 1):
            self.triangle(first[0], first[i], first[i + 1], material, inside)
            a, b, c = self.faces[-1]
            self.faces.append((back[a], back[c], back[b]))
            self.materials.append(material)

    def fin_faces(self, a, b, c, d, material, inside):
        """A quad of existing vertices seen from both sides; the back side gets copies of them
        (recorded in copy_of)."""
        copies = {}
        for v in (a, b, c, d):
            copies[v] = self.vertex(self.vertices[v], self.uvs[v])
            self.copy_of[copies[v]] = v
        for x, y, z in ((a, b, c), (a, c, d)):
            self.triangle(x, y, z, material, inside)
            f0, f1, f2 = self.faces[-1]
            self.faces.append((copies[f0], copies[f2], copies[f1]))
            self.materials.append(material)

    def normals(self):
        sums = [(0.0, 0.0, 0.0)] * len(self.vertices)
        for a, b, c in self.faces:
            n = cross(sub(self.vertices[b], self.vertices[a]), sub(self.vertices[c], self.vertices[a]))
            for i in (a, b, c):
                sums[i] = (sums[i][0] + n[0], sums[i][1] + n[1], sums[i][2] + n[2])
        return [normalise(s) for s in sums]


def tube(part, rings, sides, material):
    """A closed tube through rings of (centre, radius, axis u, axis v); the ends are capped. Its
    texture wraps once around it and runs along it ring by ring."""
    indices = []
    for r, (centre, radius, u, v) in enumerate(rings):
        ring = []
        for s in range(sides):
            angle = 2.0 * math.pi * s / sides
            ring.append(part.vertex(tuple(centre[k] + radius * (math.cos(angle) * u[k] + math.sin(angle) * v[k])
                                          for k in range(3)), (s / float(sides), r * 0.5)))
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
    """About 90 units from snout (+x) to tail (-x), grey above and pale below, skinned on its spine."""
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
    # Its spine: four bones from the head back to the tail fin, which swish about y, each further
    # and later than the one before it; one stroke takes 2.4 seconds.
    skeleton = Skeleton()
    skeleton.axis = 1
    chain = []
    parent = None
    for k, (offset, amplitude) in enumerate(((20.0, 0.03), (-20.0, 0.07), (-20.0, 0.14), (-18.0, 0.24))):
        parent = skeleton.bone("SharkSpine%d" % k, parent, (offset, 0.0, 0.0))
        skeleton.tracks[parent] = sway(2.4, amplitude, -0.8 * k, 24)
        chain.append(parent)
    weights = weights_along(part, skeleton, [chain[::-1]] * len(part.vertices), 0)
    return part, [("SharkSkin", (0.42, 0.47, 0.52, 1.0), 16.0), ("SharkBelly", (0.82, 0.84, 0.86, 1.0), 8.0)], \
        skeleton, weights


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


def seabed_height(x, z):
    """Gentle dunes with a few longer swells; the same everywhere the scene asks."""
    return (-40.0 + 6.0 * math.sin(x * 0.021) * math.cos(z * 0.017) + 3.0 * math.sin((x + z) * 0.05)
            + 9.0 * math.sin(z * 0.006 + 1.3) + 1.5 * math.cos(x * 0.11 - z * 0.07))


def seabed():
    """A square height field 1600 units across, 48 cells a side, its faces turned upwards."""
    part = Part()
    cells, size = 48, 1600.0
    step = size / cells
    # The sand repeats every four cells.
    grid = [[part.vertex((-size / 2 + i * step, seabed_height(-size / 2 + i * step, -size / 2 + j * step),
                          -size / 2 + j * step), (i / 4.0, j / 4.0)) for j in range(cells + 1)]
            for i in range(cells + 1)]
    for i in range(cells):
        for j in range(cells):
            a, b, c, d = grid[i][j], grid[i + 1][j], grid[i + 1][j + 1], grid[i][j + 1]
            below = part.vertices[a]
            below = (below[0] + step / 2, below[1] - 1000.0, below[2] + step / 2)
            part.triangle(a, b, c, 0, below)
            part.triangle(a, c, d, 0, below)
    return part, [("Sand", (0.86, 0.78, 0.58, 1.0), 4.0)]


def rocks():
    """Three lumpy boulders on the sand, each a tube of uneven rings."""
    part = Part()
    for cx, cz, r in ((-120.0, 60.0, 22.0), (90.0, -40.0, 16.0), (-30.0, 150.0, 28.0)):
        base = seabed_height(cx, cz) - 4.0
        rings = []
        for k, (h, w) in enumerate(((0.0, 0.8), (0.35, 1.0), (0.7, 0.85), (1.0, 0.45))):
            wobble = 1.0 + 0.12 * math.sin(cx + k * 2.1)
            rings.append(((cx, base + h * r * 1.3, cz), r * w * wobble, (1.0, 0.0, 0.0), (0.0, 0.0, 1.0)))
        tube(part, rings, 9, 0)
    return part, [("Rock", (0.38, 0.36, 0.34, 1.0), 8.0)]


def kelp():
    """Tall green ribbons rising from the seabed in a loose clump, each bending as it rises."""
    part = Part()
    for n in range(9):
        bx = -200.0 + 45.0 * math.cos(n * 2.4) + 14.0 * n
        bz = 80.0 + 40.0 * math.sin(n * 1.7)
        y0 = seabed_height(bx, bz) - 2.0
        height = 90.0 + 25.0 * math.sin(n * 3.3)
        lean = 0.35 * math.sin(n * 1.1)
        segments = 8
        points = []
        for k in range(segments + 1):
            t = k / float(segments)
            x = bx + lean * height * t * t + 4.0 * math.sin(t * 5.0 + n)
            width = 5.0 * (1.0 - 0.6 * t)
            points.append(((x - width, y0 + height * t, bz), (x + width, y0 + height * t, bz)))
        for k in range(segments):
            (l0, r0), (l1, r1) = points[k], points[k + 1]
            part.fin([l0, r0, r1, l1], 0, (l0[0], l0[1], bz + 1.0),
                     [(0.0, k / 2.0), (1.0, k / 2.0), (1.0, (k + 1) / 2.0), (0.0, (k + 1) / 2.0)])
    return part, [("Kelp", (0.20, 0.55, 0.24, 1.0), 4.0)]


def sky_box():
    """A cube 4000 units across seen from inside, one material: the shader file lays a gradient over
    its walls, paler towards the surface, the lid taking the palest end and the floor the deepest."""
    part = Part()
    h = 2000.0
    bands = [(-h, -h / 3.0), (-h / 3.0, h / 3.0), (h / 3.0, h)]
    corners = [(-h, -h), (h, -h), (h, h), (-h, h)]
    for side in range(4):
        (x0, z0), (x1, z1) = corners[side], corners[(side + 1) % 4]
        outside = ((x0 + x1) * 2.0, 0.0, (z0 + z1) * 2.0)
        for y0, y1 in bands:
            # Kept off the texture's first and last rows, which the wrapping filter blends.
            v0, v1 = 0.01 + 0.98 * (h - y0) / (2.0 * h), 0.01 + 0.98 * (h - y1) / (2.0 * h)
            a, b = part.vertex((x0, y0, z0), (0.0, v0)), part.vertex((x1, y0, z1), (1.0, v0))
            c, d = part.vertex((x1, y1, z1), (1.0, v1)), part.vertex((x0, y1, z0), (0.0, v1))
            part.triangle(a, b, c, 0, outside)
            part.triangle(a, c, d, 0, outside)
    for y in (h, -h):
        quad = [part.vertex((x, y, z), (0.5, 0.02 if y > 0 else 0.98)) for x, z in corners]
        outside = (0.0, y * 2.0, 0.0)
        part.triangle(quad[0], quad[1], quad[2], 0, outside)
        part.triangle(quad[0], quad[2], quad[3], 0, outside)
    black = (0.0, 0.0, 0.0, 1.0)
    return part, [("SkyWater", black, 1.0, (0.08, 0.30, 0.50))]


def logo():
    """The badge: a square about two units wide facing the camera (-z); its texture holds the round
    emblem and clears the corners."""
    part = Part()
    quad = [part.vertex((x, y, 0.0), (0.5 + 0.5 * x, 0.5 - 0.5 * y)) for x, y in
            ((-1.0, -1.0), (1.0, -1.0), (1.0, 1.0), (-1.0, 1.0))]
    part.triangle(quad[0], quad[1], quad[2], 0, (0.0, 0.0, 1.0))
    part.triangle(quad[0], quad[2], quad[3], 0, (0.0, 0.0, 1.0))
    return part, [("Badge", (1.0, 1.0, 1.0, 1.0), 1.0, (0.95, 0.62, 0.18))]


def slate():
    """A stone slab standing on the sand, 48 units wide, 34 high and 5 thick, its front (-z) a
    screen that shows the scene as the current camera sees it (the shader file draws a render target
    there)."""
    part = Part()
    w, h, t = 24.0, 34.0, 2.5
    inside = (0.0, h / 2.0, 0.0)

    def quad(points, material, uvs):
        idx = [part.vertex(p, uv) for p, uv in zip(points, uvs)]
        part.triangle(idx[0], idx[1], idx[2], material, inside)
        part.triangle(idx[0], idx[2], idx[3], material, inside)

    plain = [(0.0, 0.0), (1.0, 0.0), (1.0, 1.0), (0.0, 1.0)]
    # The screen, inset a little in front of the stone; its image's top edge at the slab's top.
    m = 2.5
    quad([(-w + m, h - m, -t - 0.2), (w - m, h - m, -t - 0.2), (w - m, m, -t - 0.2), (-w + m, m, -t - 0.2)], 1,
         [(0.0, 0.0), (1.0, 0.0), (1.0, 1.0), (0.0, 1.0)])
    faces = [((-w, 0.0, -t), (w, 0.0, -t), (w, h, -t), (-w, h, -t)),
             ((-w, 0.0, t), (w, 0.0, t), (w, h, t), (-w, h, t)),
             ((-w, 0.0, -t), (-w, h, -t), (-w, h, t), (-w, 0.0, t)),
             ((w, 0.0, -t), (w, h, -t), (w, h, t), (w, 0.0, t)),
             ((-w, h, -t), (w, h, -t), (w, h, t), (-w, h, t))]
    for face in faces:
        quad(list(face), 0, plain)
    return part, [("Stone", (0.45, 0.43, 0.40, 1.0), 8.0), ("Screen", (1.0, 1.0, 1.0, 1.0), 1.0)]


def write_path(path, frame, offsets):
    """An animation .x file moving one frame through (seconds, world offset) keys. The engine reads
    key times in milliseconds and a translation key (x, y, z) as the world offset (-x, z, y), so the
    offsets are written back in that form."""
    keys = ["%d; 3; %s, %s, %s;;" % (int(round(t * 1000.0)), number(-x), number(z), number(y))
            for t, (x, y, z) in offsets]
    lines = ["xof 0302txt 0032",
             "Frame %s { FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, "
             "0.0,0.0,0.0,1.0;; } }" % frame,
             "AnimationSet %sPath {" % frame,
             " Animation { { %s } AnimationKey { 2; %d;" % (frame, len(keys))]
    lines += ["  %s%s" % (key, "," if i + 1 < len(keys) else ";") for i, key in enumerate(keys)]
    lines += [" } }", "}", ""]
    with open(path, "w", newline="\r\n") as out:
        out.write("\n".join(lines))


LOOP_SECONDS = 95.0


def shark_path():
    """The shark cruises nose first (+x) across the reef once per loop, rising and sinking a little."""
    steps = 19
    return [(LOOP_SECONDS * i / steps, (-260.0 + 520.0 * i / steps, 8.0 * math.sin(i * 1.3), 0.0))
            for i in range(steps + 1)]


def write_bunnies(path):
    """The data bunnies' .x file: one frame per bunny group, named DataBunny_name_type, animated by
    position keys whose x, y and z become the group's bunnies. Over the 95-second loop:
    Caustic (float) swells and ebbs the strength of the caustic light, twice a loop;
    Dim (bool) is true but for the middle third of the loop; the coral's glint pass is skipped
    while it is."""
    caustic = []
    steps = 38
    for i in range(steps + 1):
        t = LOOP_SECONDS * i / steps
        caustic.append((t, (0.75 + 0.3 * math.sin(2.0 * math.pi * 2.0 * t / LOOP_SECONDS), 0.0, 0.0)))
    third = LOOP_SECONDS / 3.0
    # A bool holds its key's value until the next key: a second key a millisecond later makes a step.
    dim = [(0.0, (1.0, 0.0, 0.0)), (third, (1.0, 0.0, 0.0)), (third + 0.001, (0.0, 0.0, 0.0)),
           (2.0 * third, (0.0, 0.0, 0.0)), (2.0 * third + 0.001, (1.0, 0.0, 0.0)), (LOOP_SECONDS, (1.0, 0.0, 0.0))]
    groups = [("DataBunny_Caustic_float", caustic), ("DataBunny_Dim_bool", dim)]
    identity = "1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;;"
    lines = ["xof 0302txt 0032"]
    lines += ["Frame %s { FrameTransformMatrix { %s } }" % (frame, identity) for frame, _ in groups]
    lines.append("AnimationSet Pulse {")
    for frame, keys in groups:
        lines.append(" Animation { { %s } AnimationKey { 2; %d;" % (frame, len(keys)))
        lines += ["  %d; 3; %s, %s, %s;;%s" % (int(round(t * 1000.0)), number(x), number(y), number(z),
                                                  "," if i + 1 < len(keys) else ";")
                  for i, (t, (x, y, z)) in enumerate(keys)]
        lines.append(" } }")
    lines += ["}", ""]
    with open(path, "w", newline="\r\n") as out:
        out.write("\n".join(lines))


def glide_path():
    """Cam02_Glide glides 440 units along the front of the reef and back once per loop, easing at
    the ends and rising a little in the middle."""
    steps = 24
    keys = []
    for i in range(steps + 1):
        s = 0.5 - 0.5 * math.cos(2.0 * math.pi * i / steps)
        keys.append((LOOP_SECONDS * i / steps, (-220.0 + 440.0 * s, 12.0 * math.sin(math.pi * s), 0.0)))
    return keys


def drift_path():
    """Cam03_Drift drifts forward low over the sand towards the kelp and back again."""
    steps = 12
    keys = []
    for i in range(steps + 1):
        s = 0.5 - 0.5 * math.cos(2.0 * math.pi * i / steps)
        keys.append((LOOP_SECONDS * i / steps, (10.0 * math.sin(math.pi * s), 4.0 * math.sin(math.pi * s), 170.0 * s)))
    return keys


def number(value):
    return "%.4f" % value


def write(path, frame, mesh, part, materials):
    lines = ["xof 0302txt 0032", "Frame %s {" % frame,
             " FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }"]
    lines += mesh_lines(mesh, part, materials, indent=1)
    lines += ["}", ""]
    with open(path, "w", newline="\r\n") as out:
        out.write("\n".join(lines))


def mesh_lines(mesh, part, materials, indent):
    """The Mesh data object's lines, its closing brace last."""
    lines = [" Mesh %s {" % mesh, "  %d;" % len(part.vertices)]
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
    lines += ["  MeshTextureCoords {", "   %d;" % len(part.uvs)]
    lines += ["   %s;%s;%s" % (number(u), number(v), "," if i + 1 < len(part.uvs) else ";")
              for i, (u, v) in enumerate(part.uvs)]
    lines += ["  }"]
    lines += ["  MeshMaterialList {", "   %d;" % len(materials), "   %d;" % len(part.materials)]
    lines += ["   %d%s" % (m, "," if i + 1 < len(part.materials) else ";;") for i, m in enumerate(part.materials)]
    # A material may name an emissive colour after its power: it then shows at that colour
    # whatever the lights do.
    for name, (r, g, b, a), power, *emissive in materials:
        er, eg, eb = emissive[0] if emissive else (0.0, 0.0, 0.0)
        lines.append("   Material %s { %s;%s;%s;%s;; %s; 0.3;0.3;0.3;; %s;%s;%s;; }"
                     % (name, number(r), number(g), number(b), number(a), number(power), number(er),
                        number(eg), number(eb)))
    lines += ["  }", " }"]
    pad = " " * (indent - 1)
    return [pad + line for line in lines]


IDENTITY = "1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;;"


def translation_matrix(x, y, z):
    return "1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, %s,%s,%s,1.0;;" % (number(x), number(y), number(z))


class Skeleton:
    """A bone hierarchy in its bind pose, bones placed by translations only: each bone is (name,
    parent index or None, offset from its parent). Its swim or sway is one rotation track per bone,
    keyed by (seconds, angle in radians about the bone's axis)."""

    def __init__(self):
        self.bones = []
        self.tracks = {}

    def bone(self, name, parent, offset):
        self.bones.append((name, parent, offset))
        return len(self.bones) - 1

    def position(self, index):
        """The bone's place in the model in its bind pose."""
        x = y = z = 0.0
        while index is not None:
            _, parent, (dx, dy, dz) = self.bones[index]
            x, y, z = x + dx, y + dy, z + dz
            index = parent
        return (x, y, z)

    def frames(self, index, indent):
        name, _, offset = self.bones[index]
        pad = " " * indent
        lines = ["%sFrame %s {" % (pad, name), "%s FrameTransformMatrix { %s }" % (pad, translation_matrix(*offset))]
        for child, (_, parent, _) in enumerate(self.bones):
            if parent == index:
                lines += self.frames(child, indent + 1)
        lines.append("%s}" % pad)
        return lines


def weights_along(part, skeleton, chains, axis):
    """Each vertex goes to the two bones of its chain nearest along the axis (0 x, 1 y), blended
    linearly between their places. chains: for each vertex, the list of bone indices of its chain
    in order along the axis."""
    weights = []
    for v, chain in zip(part.vertices, chains):
        places = [skeleton.position(b)[axis] for b in chain]
        c = v[axis]
        if c <= places[0]:
            weights.append([(chain[0], 1.0)])
            continue
        if c >= places[-1]:
            weights.append([(chain[-1], 1.0)])
            continue
        for k in range(len(places) - 1):
            a, b = places[k], places[k + 1]
            if a <= c <= b or b <= c <= a:
                t = (c - a) / (b - a) if b != a else 0.0
                weights.append([(chain[k], 1.0 - t), (chain[k + 1], t)])
                break
    return weights


def write_skinned(path, frame, mesh, part, materials, skeleton, weights):
    """A skinned mesh: the bones as nested frames under the root frame, the mesh beside them with
    its skin weights (each bone's offset matrix undoes its bind place), and the bones' animation:
    a rotation track, whose key replaces the bone's whole matrix, and a translation track that puts
    its bind offset back. A rotation key is a quaternion written w, x, y, z, as .x files have it."""
    lines = ["xof 0302txt 0032", "Frame %s {" % frame, " FrameTransformMatrix { %s }" % IDENTITY]
    body = mesh_lines(mesh, part, materials, indent=1)
    skin = [" XSkinMeshHeader { 2; 4; %d; }" % len(skeleton.bones)]
    for index, (name, _, _) in enumerate(skeleton.bones):
        members = [(v, w) for v, vw in enumerate(weights) for b, w in vw if b == index and w > 0.0]
        if not members:
            continue
        x, y, z = skeleton.position(index)
        skin += [" SkinWeights {", '  "%s";' % name, "  %d;" % len(members),
                 "  %s;" % ",".join(str(v) for v, _ in members),
                 "  %s;" % ",".join(number(w) for _, w in members),
                 "  %s" % translation_matrix(-x, -y, -z), " }"]
    # The skin goes inside the mesh, before its closing brace. The mesh comes before the bones, so
    # that its polygon groups are named after the root frame.
    lines += body[:-1] + [" " + line for line in skin] + [body[-1]]
    for index, (_, parent, _) in enumerate(skeleton.bones):
        if parent is None:
            lines += skeleton.frames(index, 1)
    lines.append("}")
    lines.append("AnimationSet %sMotion {" % frame)
    for index, (name, _, offset) in enumerate(skeleton.bones):
        keys = skeleton.tracks.get(index)
        if not keys:
            continue
        axis = skeleton.axis
        rotation = []
        for t, angle in keys:
            q = [0.0, 0.0, 0.0]
            q[axis] = math.sin(angle / 2.0)
            rotation.append("%d; 4; %s, %s, %s, %s;;" % (int(round(t * 1000.0)), number(math.cos(angle / 2.0)),
                                                           number(q[0]), number(q[1]), number(q[2])))
        first, last = keys[0][0], keys[-1][0]
        moves = ["%d; 3; %s, %s, %s;;" % (int(round(t * 1000.0)), number(offset[0]), number(offset[1]),
                                            number(offset[2])) for t in (first, last)]
        # One track per Animation object: the importer keeps only the last key of each.
        lines.append(" Animation { { %s } AnimationKey { 0; %d; %s; } }" % (name, len(rotation), ",".join(rotation)))
        lines.append(" Animation { { %s } AnimationKey { 2; 2; %s; } }" % (name, ",".join(moves)))
    lines += ["}", ""]
    with open(path, "w", newline="\r\n") as out:
        out.write("\n".join(lines))


def sway(period, amplitude, phase, steps):
    """Keys of one period of a sine sway, the last equal to the first so that it loops."""
    return [(period * i / steps, amplitude * math.sin(2.0 * math.pi * i / steps + phase)) for i in range(steps + 1)]


def kelp_stalks():
    """Three stalks of giant kelp beside the rocks, each a ribbon up a chain of five bones that sway
    about z, the upper bones further and later than the lower ones, so that a wave runs up the
    stalk. Bind pose upright. The stalks stand where they stand in the scene (beside the rocks), so
    that the model's space is the world's: a relationship can take a bone's place as a place in the
    world."""
    # Bones of a chain turn about z.
    part = Part()
    skeleton = Skeleton()
    skeleton.axis = 2
    chain_of = {}
    stalks = [(50.0, -20.0, 0.0), (82.0, -4.0, 1.7), (66.0, 12.0, 3.1)]
    foot = -30.0
    segment, count = 30.0, 5
    for n, (sx, sz, phase) in enumerate(stalks):
        chain = []
        parent = None
        for k in range(count):
            offset = (sx, foot, sz) if k == 0 else (0.0, segment, 0.0)
            index = skeleton.bone("Stalk%d_Bone%d" % (n, k), parent, offset)
            skeleton.tracks[index] = sway(7.0 + n, 0.03 + 0.02 * k, phase - 0.3 * k, 40)
            chain.append(index)
            parent = index
        height = segment * (count - 1)
        rows = 14
        first = len(part.vertices)
        for r in range(rows + 1):
            t = r / float(rows)
            y = foot + height * t
            width = 4.0 + 3.0 * math.sin(math.pi * min(1.0, t * 1.3))
            for side in (-1.0, 1.0):
                part.vertex((sx + side * width, y, sz), (0.5 + 0.5 * side, t * 3.0))
        for r in range(rows):
            a, b = first + 2 * r, first + 2 * r + 1
            c, d = first + 2 * r + 3, first + 2 * r + 2
            part.fin_faces(a, b, c, d, 0, (sx, foot + (r + 0.5) * height / rows, sz + 1.0))
        for v in range(first, first + 2 * (rows + 1)):
            chain_of[v] = chain
    # The back faces of the blades have vertices of their own, on the same bones.
    chains = [chain_of[part.copy_of.get(v, v)] for v in range(len(part.vertices))]
    weights = weights_along(part, skeleton, chains, 1)
    return part, [("GiantKelp", (0.30, 0.55, 0.22, 1.0), 4.0)], skeleton, weights


def fish():
    """A small reef fish about 14 units long, nose +x, its body and tail on a chain of three bones
    (head, body, tail) that swish about y: the swim cycle lasts a second."""
    part = Part()
    skeleton = Skeleton()
    # The fish's bones turn about y.
    skeleton.axis = 1
    head = skeleton.bone("FishHead", None, (3.0, 0.0, 0.0))
    body = skeleton.bone("FishBody", head, (-5.0, 0.0, 0.0))
    tail = skeleton.bone("FishTail", body, (-4.0, 0.0, 0.0))
    skeleton.tracks[head] = sway(1.0, 0.08, 0.0, 20)
    skeleton.tracks[body] = sway(1.0, 0.22, -0.9, 20)
    skeleton.tracks[tail] = sway(1.0, 0.45, -1.8, 20)
    profile = [(7.0, 0.3), (5.5, 1.6), (3.0, 2.6), (0.0, 2.8), (-3.0, 2.0), (-5.5, 0.9), (-6.5, 0.4)]
    tube(part, [((x, 0.0, 0.0), r, (0.0, 1.0, 0.0), (0.0, 0.0, 0.8)) for x, r in profile], 8, 0)
    part.fin([(-6.0, 0.0, 0.0), (-9.5, 3.2, 0.0), (-8.6, 0.0, 0.0), (-9.5, -3.2, 0.0)], 1, (-7.0, 0.0, 0.0),
             [(0.0, 0.5), (1.0, 0.0), (0.8, 0.5), (1.0, 1.0)])
    part.fin([(2.0, 2.4, 0.0), (-2.5, 2.2, 0.0), (-1.0, 4.2, 0.0)], 1, (0.0, 0.0, 0.0))
    chain = [tail, body, head]
    weights = weights_along(part, skeleton, [chain] * len(part.vertices), 0)
    return part, [("FishScales", (0.95, 0.70, 0.25, 1.0), 12.0), ("FishFins", (0.95, 0.45, 0.20, 1.0), 6.0)], \
        skeleton, weights


def school_path():
    """The school crosses behind the reef once per loop, -x to +x, weaving a little."""
    steps = 19
    return [(LOOP_SECONDS * i / steps, (-330.0 + 660.0 * i / steps, 6.0 * math.sin(i * 1.9), 10.0 * math.sin(i * 0.8)))
            for i in range(steps + 1)]


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_meshes.py OUT_DIR\n")
        return 1
    os.makedirs(sys.argv[1], exist_ok=True)
    part, materials, skeleton, weights = shark()
    write_skinned(os.path.join(sys.argv[1], "shark.x"), "Shark", "SharkBody", part, materials, skeleton, weights)
    part, materials = coral()
    write(os.path.join(sys.argv[1], "coral.x"), "Coral", "CoralBranches", part, materials)
    for name, frame, mesh, make in (("seabed.x", "Seabed", "SeabedSand", seabed), ("rocks.x", "Rocks", "RockPile", rocks),
                                    ("kelp.x", "Kelp", "KelpRibbons", kelp), ("skybox.x", "SkyBox", "SkyWalls", sky_box),
                                    ("logo.x", "Logo", "LogoBadge", logo)):
        part, materials = make()
        write(os.path.join(sys.argv[1], name), frame, mesh, part, materials)
    write_path(os.path.join(sys.argv[1], "sharkpath.x"), "SharkSwim", shark_path())
    write_bunnies(os.path.join(sys.argv[1], "pulse.x"))
    write_path(os.path.join(sys.argv[1], "glidepath.x"), "CameraGlide", glide_path())
    write_path(os.path.join(sys.argv[1], "driftpath.x"), "CameraDrift", drift_path())
    part, materials = slate()
    write(os.path.join(sys.argv[1], "slate.x"), "Slate", "SlateStone", part, materials)
    part, materials, skeleton, weights = kelp_stalks()
    write_skinned(os.path.join(sys.argv[1], "kelpstalks.x"), "KelpStalks", "KelpStalkBlades", part, materials,
                  skeleton, weights)
    part, materials, skeleton, weights = fish()
    write_skinned(os.path.join(sys.argv[1], "fish.x"), "Fish", "FishSkin", part, materials, skeleton, weights)
    write_path(os.path.join(sys.argv[1], "schoolpath.x"), "SchoolSwim", school_path())
    return 0


if __name__ == "__main__":
    sys.exit(main())
