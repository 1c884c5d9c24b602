#!/usr/bin/env python3
"""Builds the scene's two talking heads. Usage: make_heads.py MODELS_DIR LIPSYNC_DIR

- MODELS_DIR/diverhead.x: the diver, a skinned text .x head whose mouth and eyes hang on control
  frames: CP_Skull (the whole head, turned by the head gestures), CP_Jaw (chin and lower lip),
  CP_LipUpper, CP_MouthLeft and CP_MouthRight (the mouth corners), CP_EyeLeft and CP_EyeRight.
- LIPSYNC_DIR/diverhead.cpa: the diver's viseme file, one pose of the mouth frames per viseme, each
  the frame's whole local matrix (the engine keeps what differs from "Neutral").
- LIPSYNC_DIR/dwellerhead.dmk: the dweller, a deep-sea creature in the face-model format, with its
  own poses (the neutral "DEFT" first, then one per viseme) on the frames SKBA (the head), JAWB,
  LIPU, LCRL, LCRR, EYEL and EYER.

Both heads face -z (towards a camera looking along +z); a head's left is at +x. Their viseme names
are those of the lip-sync tracks that data/art/make_voices.py writes."""

import math
import os
import sys

from make_meshes import cross, dot, normalise, sub

# Mouth shapes: jaw opening, upper lip raise, mouth width (negative narrows) and pucker, each
# about 0..1. The names are the viseme tracks' names.
VISEMES = {
    "BUMP": (0.00, -0.30, 0.00, 0.20),
    "FAVE": (0.20, 0.40, 0.10, 0.00),
    "THOUGH": (0.25, 0.30, 0.20, 0.00),
    "TOLD": (0.25, 0.20, 0.20, 0.00),
    "SIZE": (0.12, 0.30, 0.60, 0.00),
    "CHURCH": (0.30, 0.50, -0.40, 0.80),
    "EAT": (0.30, 0.30, 0.80, 0.00),
    "IF": (0.55, 0.30, 0.50, 0.00),
    "OX": (1.00, 0.60, 0.20, 0.00),
    "OAT": (0.65, 0.40, -0.50, 0.60),
    "NEW": (0.35, 0.30, -0.70, 1.00),
    "ROAR": (0.40, 0.40, -0.30, 0.50),
    "WET": (0.30, 0.30, -0.80, 1.00),
    "EARTH": (0.50, 0.30, 0.10, 0.20),
}

# The face model names its poses by codes of up to four characters; the engine turns these codes
# into the viseme names above.
POSE_CODES = {"CHURCH": "CHUR", "EARTH": "ERTH", "THOUGH": "THOU"}


def smoothstep(e0, e1, x):
    t = min(1.0, max(0.0, (x - e0) / (e1 - e0)))
    return t * t * (3.0 - 2.0 * t)


class Skin:
    """One skinned mesh: vertices with normals, texture coordinates and up to four (bone, weight)
    pairs, and triangles with a material each, their face normal pointing out of the part."""

    def __init__(self):
        self.positions, self.normals, self.uvs, self.weights = [], [], [], []
        self.faces, self.materials = [], []

    def vertex(self, p, n, uv, weights):
        total = sum(w for _, w in weights)
        merged = {}
        for bone, w in weights:
            if w > 0.0:
                merged[bone] = merged.get(bone, 0.0) + w / total
        self.positions.append(p)
        self.normals.append(normalise(n))
        self.uvs.append(uv)
        self.weights.append(sorted(merged.items(), key=lambda item: -item[1])[:4])
        return len(self.positions) - 1

    def triangle(self, a, b, c, material, outward):
        pa, pb, pc = self.positions[a], self.positions[b], self.positions[c]
        if dot(cross(sub(pb, pa), sub(pc, pa)), outward) < 0.0:
            b, c = c, b
        self.faces.append((a, b, c))
        self.materials.append(material)

    def bones(self):
        names = []
        for weights in self.weights:
            for bone, _ in weights:
                if bone not in names:
                    names.append(bone)
        return names


def ellipsoid(skin, centre, radii, rings, sides, shade, weigh, front_cap=None):
    """An ellipsoid of rings x sides quads. shade(point, normal) gives (material, uv) of a vertex,
    weigh(point) its bones. front_cap, when given, is a function of a face's centre that answers a
    material for it instead of its vertices' first one."""
    grid = []
    for r in range(rings + 1):
        theta = math.pi * r / rings
        row = []
        for s in range(sides + 1):
            phi = 2.0 * math.pi * s / sides
            unit = (math.sin(theta) * math.sin(phi), math.cos(theta), -math.sin(theta) * math.cos(phi))
            p = tuple(centre[k] + radii[k] * unit[k] for k in range(3))
            n = normalise(tuple(unit[k] / radii[k] for k in range(3)))
            material, uv = shade(p, n)
            row.append((skin.vertex(p, n, uv, weigh(p)), material))
        grid.append(row)
    for r in range(rings):
        for s in range(sides):
            a, b = grid[r][s], grid[r][s + 1]
            c, d = grid[r + 1][s + 1], grid[r + 1][s]
            quad = [a[0], b[0], c[0], d[0]]
            mid = tuple(sum(skin.positions[i][k] for i in quad) / 4.0 for k in range(3))
            outward = sub(mid, centre)
            material = front_cap(mid) if front_cap else a[1]
            if r > 0:
                skin.triangle(a[0], b[0], c[0], material, outward)
            if r < rings - 1:
                skin.triangle(a[0], c[0], d[0], material, outward)


def lip_ring(skin, centre, half_width, half_height, tube, material, uv, weigh, radii):
    """The lips: a flattened ring around the mouth lying on the face of the head of the given
    radii, its upper half on the upper lip's frame and its lower half on the jaw's, the ends on the
    corners' frames (weigh(angle) answers them)."""
    sides, around = 28, 8
    grid = []
    for i in range(sides):
        angle = 2.0 * math.pi * i / sides
        x, y = centre[0] + half_width * math.cos(angle), centre[1] + half_height * math.sin(angle)
        inside = max(0.0, 1.0 - (x / radii[0]) ** 2 - (y / radii[1]) ** 2)
        c = (x, y, -radii[2] * math.sqrt(inside) - tube * 0.35)
        radial = normalise((math.cos(angle) / half_width, math.sin(angle) / half_height, 0.0))
        row = []
        for j in range(around):
            beta = 2.0 * math.pi * j / around
            n = normalise(tuple(radial[k] * math.cos(beta) for k in range(3)))
            n = (n[0], n[1], -math.sin(beta))
            p = (c[0] + tube * n[0], c[1] + tube * n[1] * 0.8, c[2] + tube * n[2] * 0.7)
            row.append(skin.vertex(p, n, uv, weigh(angle)))
        grid.append((c, row))
    for i in range(sides):
        c0, r0 = grid[i]
        c1, r1 = grid[(i + 1) % sides]
        for j in range(around):
            a, b = r0[j], r0[(j + 1) % around]
            c, d = r1[(j + 1) % around], r1[j]
            mid = tuple((c0[k] + c1[k]) / 2.0 for k in range(3))
            face = tuple(sum(skin.positions[v][k] for v in (a, b, c, d)) / 4.0 for k in range(3))
            skin.triangle(a, b, c, material, sub(face, mid))
            skin.triangle(a, c, d, material, sub(face, mid))


def tube_along(skin, points, radius, sides, material, uv, weigh):
    """A capped tube through points, of one radius."""
    rings = []
    for i, p in enumerate(points):
        ahead = points[min(i + 1, len(points) - 1)]
        behind = points[max(i - 1, 0)]
        axis = normalise(sub(ahead, behind))
        u = normalise(cross(axis, (0.0, 0.0, 1.0) if abs(axis[2]) < 0.9 else (1.0, 0.0, 0.0)))
        v = cross(axis, u)
        ring = []
        for s in range(sides):
            a = 2.0 * math.pi * s / sides
            n = tuple(math.cos(a) * u[k] + math.sin(a) * v[k] for k in range(3))
            ring.append(skin.vertex(tuple(p[k] + radius * n[k] for k in range(3)), n, uv, weigh(p)))
        rings.append(ring)
    for i in range(len(points) - 1):
        mid = tuple((points[i][k] + points[i + 1][k]) / 2.0 for k in range(3))
        for s in range(sides):
            a, b = rings[i][s], rings[i][(s + 1) % sides]
            c, d = rings[i + 1][(s + 1) % sides], rings[i + 1][s]
            face = skin.positions[a]
            skin.triangle(a, b, c, material, sub(face, mid))
            skin.triangle(a, c, d, material, sub(face, mid))
    for end, step in ((0, 1), (len(points) - 1, -1)):
        axis = normalise(sub(points[end], points[end + step]))
        tip = skin.vertex(points[end], axis, uv, weigh(points[end]))
        for s in range(sides):
            skin.triangle(tip, rings[end][s], rings[end][(s + 1) % sides], material, axis)


# ---------------------------------------------------------------------------------------------
# The diver: a round human head about 22 units tall with a yellow mask rim round the eyes and a
# snorkel, centred on the model's origin.

DIVER_PIVOTS = {
    "DiverHead": (0.0, 0.0, 0.0),
    "CP_Skull": (0.0, -9.0, 1.0),
    "CP_Jaw": (0.0, -1.5, 1.0),
    "CP_LipUpper": (0.0, -4.6, -9.2),
    "CP_MouthLeft": (2.9, -5.4, -8.6),
    "CP_MouthRight": (-2.9, -5.4, -8.6),
    "CP_EyeLeft": (3.3, 2.6, -7.6),
    "CP_EyeRight": (-3.3, 2.6, -7.6),
}
DIVER_PARENTS = {"CP_Skull": "DiverHead", "CP_Jaw": "CP_Skull", "CP_LipUpper": "CP_Skull",
                 "CP_MouthLeft": "CP_Skull", "CP_MouthRight": "CP_Skull", "CP_EyeLeft": "CP_Skull",
                 "CP_EyeRight": "CP_Skull"}
DIVER_MOUTH = (0.0, -5.4, -9.0)
DIVER_RADII = (8.6, 11.0, 9.6)
DIVER_MATERIALS = [("DiverSkin", (0.80, 0.58, 0.45, 1.0), 12.0, (0.08, 0.05, 0.03)),
                   ("DiverMouth", (0.25, 0.05, 0.07, 1.0), 4.0, (0.06, 0.0, 0.0)),
                   ("DiverLips", (0.80, 0.38, 0.38, 1.0), 16.0, (0.16, 0.06, 0.06)),
                   ("DiverEyeWhite", (0.95, 0.95, 0.92, 1.0), 32.0, (0.30, 0.30, 0.30)),
                   ("DiverPupil", (0.05, 0.12, 0.30, 1.0), 32.0, (0.0, 0.0, 0.0)),
                   ("DiverMask", (0.98, 0.80, 0.10, 1.0), 24.0, (0.25, 0.20, 0.02)),
                   ("DiverHair", (0.30, 0.18, 0.10, 1.0), 4.0, (0.04, 0.02, 0.0))]


def diver_head_weights(p):
    """Skin of the skull, the chin going with the jaw below the mouth, the cheeks beside the
    mouth partly with its corners."""
    jaw = smoothstep(-4.8, -7.5, p[1]) * smoothstep(2.0, -5.0, p[2])
    weights = [("CP_Skull", 1.0 - jaw), ("CP_Jaw", jaw)]
    near = math.sqrt((p[0] - DIVER_MOUTH[0]) ** 2 + (p[1] - DIVER_MOUTH[1]) ** 2 * 2.0) if p[2] < -4.0 else 99.0
    if near < 5.5:
        corner = (1.0 - near / 5.5) * smoothstep(0.5, 3.5, abs(p[0])) * 0.6
        side = "CP_MouthLeft" if p[0] > 0.0 else "CP_MouthRight"
        weights = [(b, w * (1.0 - corner)) for b, w in weights] + [(side, corner)]
    return weights


def diver():
    skin = Skin()

    def head_shade(p, n):
        if p[1] > 6.0 and p[2] > -7.0:
            return 6, (0.0, 0.0)
        return 0, (0.0, 0.0)

    def mouth_cap(mid):
        if mid[2] < -6.0 and abs(mid[0]) < 3.3 and -7.2 < mid[1] < -3.9:
            return 1
        return 6 if mid[1] > 6.0 and mid[2] > -7.0 else 0

    ellipsoid(skin, (0.0, 0.0, 0.0), DIVER_RADII, 18, 28, head_shade, diver_head_weights, mouth_cap)

    def lip_weights(angle):
        upper = smoothstep(-0.35, 0.35, math.sin(angle))
        corner = abs(math.cos(angle)) ** 6
        side = "CP_MouthLeft" if math.cos(angle) > 0.0 else "CP_MouthRight"
        rest = 1.0 - corner
        return [("CP_LipUpper", upper * rest), ("CP_Jaw", (1.0 - upper) * rest), (side, corner)]

    lip_ring(skin, (0.0, -5.4), 2.9, 0.75, 0.75, 2, (0.0, 0.0), lip_weights, DIVER_RADII)
    for side, frame in ((1.0, "CP_EyeLeft"), (-1.0, "CP_EyeRight")):
        centre = (3.3 * side, 2.6, -7.6)

        def eye_shade(p, n):
            return (4 if n[2] < -0.93 else 3), (0.0, 0.0)

        ellipsoid(skin, centre, (1.8, 1.8, 1.8), 10, 14, eye_shade, lambda p, f=frame: [(f, 1.0)])
        rim = [(centre[0] + 2.6 * math.cos(a * math.pi / 8.0), centre[1] + 2.3 * math.sin(a * math.pi / 8.0),
                -8.4 - 0.3 * abs(math.cos(a * math.pi / 8.0))) for a in range(17)]
        tube_along(skin, rim, 0.45, 6, 5, (0.0, 0.0), lambda p: [("CP_Skull", 1.0)])
    # The mask's strap, round the back of the head at eye level.
    strap = [(9.0 * math.sin(math.radians(a)), 2.6, -10.0 * math.cos(math.radians(a))) for a in range(40, 330, 15)]
    tube_along(skin, strap, 0.5, 6, 5, (0.0, 0.0), lambda p: [("CP_Skull", 1.0)])
    snorkel = [(-8.8, -3.0, -3.0), (-9.6, 2.0, -1.0), (-9.8, 9.0, 0.0), (-9.2, 14.0, 0.5)]
    tube_along(skin, snorkel, 0.9, 8, 5, (0.0, 0.0), lambda p: [("CP_Skull", 1.0)])
    neck = [(0.0, -16.0, 1.0), (0.0, -9.5, 1.0)]
    tube_along(skin, neck, 5.0, 12, 0, (0.0, 0.0), lambda p: [("DiverHead", 1.0)] if p[1] < -12.0
               else [("DiverHead", 0.5), ("CP_Skull", 0.5)])
    return skin


def number(value):
    return "%.4f" % value


def local_translation(pivots, parents, frame):
    parent = parents.get(frame)
    if parent is None:
        return pivots[frame]
    return sub(pivots[frame], pivots[parent])


def translation_matrix(t):
    return [1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, t[0], t[1], t[2], 1.0]


def write_x(path, skin, materials, pivots, parents, root, mesh_name):
    bones = skin.bones()
    out = ["xof 0302txt 0032",
           "template XSkinMeshHeader {", " <3CF169CE-FF7C-44ab-93C0-F78F62D172E2>",
           " WORD nMaxSkinWeightsPerVertex;", " WORD nMaxSkinWeightsPerFace;", " WORD nBones;", "}",
           "template SkinWeights {", " <6F0D123B-BAD2-4167-A0D0-80224F25FABB>", " STRING transformNodeName;",
           " DWORD nWeights;", " array DWORD vertexIndices[nWeights];", " array FLOAT weights[nWeights];",
           " Matrix4x4 matrixOffset;", "}"]

    def matrix(values):
        return ",".join(number(v) for v in values) + ";;"

    def frame(name, depth):
        pad = " " * depth
        out.append("%sFrame %s {" % (pad, name))
        out.append("%s FrameTransformMatrix { %s }" % (pad, matrix(translation_matrix(
            local_translation(pivots, parents, name)))))
        if name == root:
            mesh(depth + 1)
        for child in sorted(c for c, p in parents.items() if p == name):
            frame(child, depth + 1)
        out.append("%s}" % pad)

    def listed(items, last=";"):
        return ", ".join(items) + last

    def mesh(depth):
        pad = " " * depth
        out.append("%sMesh %s {" % (pad, mesh_name))
        out.append("%s %d; %s" % (pad, len(skin.positions), listed(
            ["%s;%s;%s;" % tuple(number(c) for c in p) for p in skin.positions], ";")))
        faces = ["3;%d,%d,%d;" % f for f in skin.faces]
        out.append("%s %d; %s" % (pad, len(faces), listed(faces, ";")))
        out.append("%s MeshNormals { %d; %s %d; %s }" % (pad, len(skin.normals), listed(
            ["%s;%s;%s;" % tuple(number(c) for c in n) for n in skin.normals], ";"), len(faces), listed(faces, ";")))
        # Each vertex also carries the diffuse colour of the darkest material among its triangles
        # (so the mouth, the pupils and the hair keep their edges): a renderer that lights the
        # vertex colour instead of the material's shows the same colours.
        colours = [None] * len(skin.positions)
        for face, m in zip(skin.faces, skin.materials):
            rgba = materials[m][1]
            for v in face:
                if colours[v] is None or sum(rgba[:3]) < sum(colours[v][:3]):
                    colours[v] = rgba
        colours = [c or (1.0, 1.0, 1.0, 1.0) for c in colours]
        out.append("%s MeshVertexColors { %d; %s }" % (pad, len(colours), listed(
            ["%d; %s;%s;%s;%s;;" % ((i,) + tuple(number(c) for c in rgba)) for i, rgba in enumerate(colours)], ";")))
        out.append("%s MeshMaterialList { %d; %d; %s" % (pad, len(materials), len(skin.materials),
                                                         listed([str(m) for m in skin.materials], ";;")))
        for name, (r, g, b, a), power, (er, eg, eb) in materials:
            out.append("%s  Material %s { %s;%s;%s;%s;; %s; 0.25;0.25;0.25;; %s;%s;%s;; }" % (
                pad, name, number(r), number(g), number(b), number(a), number(power), number(er), number(eg),
                number(eb)))
        out.append("%s }" % pad)
        most = max(len(w) for w in skin.weights)
        out.append("%s XSkinMeshHeader { %d; %d; %d; }" % (pad, most, min(most * 3, 12), len(bones)))
        for bone in bones:
            entries = [(i, w) for i, weights in enumerate(skin.weights) for b, w in weights if b == bone]
            offset = translation_matrix(tuple(-c for c in pivots[bone]))
            out.append("%s SkinWeights { \"%s\"; %d; %s %s %s }" % (
                pad, bone, len(entries), listed([str(i) for i, _ in entries]),
                listed([number(w) for _, w in entries]), matrix(offset)))
        out.append("%s}" % pad)

    frame(root, 0)
    out.append("")
    with open(path, "w", newline="\r\n") as f:
        f.write("\n".join(out))


def mouth_offsets(shape, scale):
    """Where each mouth frame moves, in its parent's units, for a viseme's shape."""
    opening, raise_, width, pucker = shape
    return {
        "jaw": (0.0, -2.6 * opening * scale, 0.5 * opening * scale),
        "upper": (0.0, 0.8 * raise_ * scale, -0.5 * pucker * scale),
        "left": (1.1 * width * scale, -0.4 * opening * scale, -0.6 * pucker * scale),
        "right": (-1.1 * width * scale, -0.4 * opening * scale, -0.6 * pucker * scale),
    }


def write_cpa(path):
    """Neutral first, with every frame the head animates; then one block per viseme over the mouth
    frames. The head and eye frames also carry a pose named after the head-turn track, which puts
    them under the turning gestures."""
    mouth = {"jaw": "CP_Jaw", "upper": "CP_LipUpper", "left": "CP_MouthLeft", "right": "CP_MouthRight"}

    def point(frame, delta):
        t = local_translation(DIVER_PIVOTS, DIVER_PARENTS, frame)
        t = tuple(t[k] + delta[k] for k in range(3))
        return [frame, "(matrix1 [1.000000,0.000000,0.000000] [0.000000,1.000000,0.000000] "
                       "[0.000000,0.000000,1.000000] [%.6f,%.6f,%.6f])" % t]

    blocks = []
    everything = ["CP_Skull", "CP_EyeLeft", "CP_EyeRight"] + list(mouth.values())
    blocks.append(("Neutral", [point(f, (0.0, 0.0, 0.0)) for f in everything]))
    blocks.append(("HEAD_TWIST", [point(f, (0.0, 0.0, 0.0)) for f in everything[:3]]))
    for name, shape in VISEMES.items():
        offsets = mouth_offsets(shape, 1.0)
        blocks.append((name, [point(mouth[key], offsets[key]) for key in ("jaw", "upper", "left", "right")]))
    lines = [str(len(blocks))]
    for name, points in blocks:
        lines.append(str(1 + 2 * len(points)))
        lines.append(name)
        for frame, matrix in points:
            lines += [frame, matrix]
    lines.append("")
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines))


# ---------------------------------------------------------------------------------------------
# The dweller: a wide, flat, sea-green creature with a big mouth, bulging eyes on top and a
# glowing lure on a stalk over its brow. About 24 units wide.

DWELLER_PIVOTS = {
    "ROOT": (0.0, 0.0, 0.0),
    "SKBA": (0.0, -7.0, 3.0),
    "JAWB": (0.0, -1.0, 5.0),
    "LIPU": (0.0, -2.4, -10.4),
    "LCRL": (6.0, -3.2, -8.6),
    "LCRR": (-6.0, -3.2, -8.6),
    "EYEL": (5.2, 6.2, -4.6),
    "EYER": (-5.2, 6.2, -4.6),
}
DWELLER_PARENTS = {"SKBA": "ROOT", "JAWB": "SKBA", "LIPU": "SKBA", "LCRL": "SKBA", "LCRR": "SKBA",
                   "EYEL": "SKBA", "EYER": "SKBA"}
DWELLER_MOUTH = (0.0, -3.2, -10.0)
DWELLER_RADII = (12.0, 7.5, 10.5)
# Texture rows: a stripes texture of 8 rows shows its first colour in rows 0..3 and its second in
# 4..7, so a v of 0.25 picks the first and 0.75 the second.
FIRST, SECOND = (0.5, 0.25), (0.5, 0.75)


def dweller_head_weights(p):
    jaw = smoothstep(-2.6, -5.0, p[1]) * smoothstep(4.0, -4.0, p[2])
    weights = [("SKBA", 1.0 - jaw), ("JAWB", jaw)]
    if p[2] < -3.0:
        near = math.sqrt((p[0] - DWELLER_MOUTH[0]) ** 2 * 0.5 + (p[1] - DWELLER_MOUTH[1]) ** 2 * 2.0)
        if near < 6.0:
            corner = (1.0 - near / 6.0) * smoothstep(1.0, 6.0, abs(p[0])) * 0.6
            side = "LCRL" if p[0] > 0.0 else "LCRR"
            weights = [(b, w * (1.0 - corner)) for b, w in weights] + [(side, corner)]
    return weights


def dweller():
    """Three skins: SKIN (head, lips and mouth, on a two-colour stripes texture), EYES (white with
    black pupils) and LURE (the glowing stalk)."""
    head = Skin()

    def head_shade(p, n):
        return 0, FIRST

    def mouth_cap(mid):
        return 1 if mid[2] < -6.0 and abs(mid[0]) < 6.0 and -4.4 < mid[1] < -2.0 else 0

    ellipsoid(head, (0.0, 0.0, 0.0), DWELLER_RADII, 18, 30, head_shade, dweller_head_weights, mouth_cap)
    for i, face in enumerate(head.faces):
        if head.materials[i] == 1:
            for v in face:
                head.uvs[v] = SECOND

    def lip_weights(angle):
        upper = smoothstep(-0.35, 0.35, math.sin(angle))
        corner = abs(math.cos(angle)) ** 6
        side = "LCRL" if math.cos(angle) > 0.0 else "LCRR"
        rest = 1.0 - corner
        return [("LIPU", upper * rest), ("JAWB", (1.0 - upper) * rest), (side, corner)]

    lip_ring(head, (0.0, -3.2), 6.0, 0.7, 0.9, 0, SECOND, lip_weights, DWELLER_RADII)
    # Fins at the cheeks.
    for side in (1.0, -1.0):
        fin = [(11.0 * side, -1.0, 0.0), (14.5 * side, 1.5, 2.0), (16.0 * side, 3.0, 4.0)]
        tube_along(head, fin, 1.1, 6, 0, FIRST, lambda p: [("SKBA", 1.0)])
    eyes = Skin()
    for side, frame in ((1.0, "EYEL"), (-1.0, "EYER")):
        centre = DWELLER_PIVOTS[frame]

        def eye_shade(p, n):
            return 0, (SECOND if n[2] < -0.85 else FIRST)

        ellipsoid(eyes, centre, (2.8, 2.8, 2.8), 10, 14, eye_shade, lambda p, f=frame: [(f, 1.0)])
    lure = Skin()
    stalk = [(0.0, 6.0, -3.0), (0.0, 11.0, -5.0), (0.0, 13.0, -9.0), (0.0, 11.5, -12.0)]
    tube_along(lure, stalk, 0.45, 6, 0, FIRST, lambda p: [("SKBA", 1.0)])
    ellipsoid(lure, (0.0, 10.6, -12.6), (1.3, 1.3, 1.3), 8, 10, lambda p, n: (0, FIRST), lambda p: [("SKBA", 1.0)])
    return [("SKIN", head, 1, 1), ("EYES", eyes, 2, 2), ("LURE", lure, 3, 3)]


def write_dmk(path):
    def code_matrix(t):
        return "1 0 0 %s  0 1 0 %s  0 0 1 %s  0 0 0 1" % tuple(number(c) for c in t)

    lines = ["DMSDK 1", "# The dweller: made by make_heads.py."]
    lines.append("texture 1 8 8 1 stripes FF2E8C78 FF2A0812")
    lines.append("texture 2 8 8 1 stripes FFF4F0C8 FF0A0A10")
    lines.append("texture 3 8 8 1 solid FFFFE680 FFFFE680")
    # diffuse, ambient, specular, emissive (alpha first), power
    lines.append("material 1  1 1 1 1  1 0.8 0.8 0.8  1 0.12 0.12 0.12  1 0.05 0.10 0.10  8")
    lines.append("material 2  1 1 1 1  1 0.9 0.9 0.9  1 0.6 0.6 0.6  1 0.15 0.15 0.15  40")
    lines.append("material 3  1 1 1 1  1 1 1 1  1 0 0 0  1 0.9 0.8 0.4  1")
    order = ["ROOT", "SKBA", "JAWB", "LIPU", "LCRL", "LCRR", "EYEL", "EYER"]
    for frame in order:
        lines.append("frame %s %s %s" % (frame, DWELLER_PARENTS.get(frame, "-"),
                                        code_matrix(local_translation(DWELLER_PIVOTS, DWELLER_PARENTS, frame))))
    for name, skin, material, texture in dweller():
        palette = skin.bones()
        lines.append("mesh %s SKBA %d %d %d %s" % (name, material, texture, len(palette), " ".join(palette)))
        for p, n, uv, weights in zip(skin.positions, skin.normals, skin.uvs, skin.weights):
            w = [x for _, x in weights] + [0.0] * 4
            slots = [palette.index(b) for b, _ in weights] + [0] * 4
            lines.append("v %s %s %s  %s %s %s  %d %d %d %d  %s %s %s  %s %s" % (
                number(p[0]), number(p[1]), number(p[2]), number(w[0]), number(w[1]), number(w[2]),
                slots[0], slots[1], slots[2], slots[3], number(n[0]), number(n[1]), number(n[2]),
                number(uv[0]), number(uv[1])))
        # The face model's triangles are wound the other way round from the .x files'.
        for a, b, c in skin.faces:
            lines.append("f %d %d %d" % (a, c, b))
    posed = ["SKBA", "JAWB", "LIPU", "LCRL", "LCRR", "EYEL", "EYER"]
    lines.append("poseframes %d %s" % (len(posed), " ".join(posed)))
    mouth = {"jaw": "JAWB", "upper": "LIPU", "left": "LCRL", "right": "LCRR"}

    def pose(code, offsets):
        lines.append("pose %s" % code)
        for frame in posed:
            t = local_translation(DWELLER_PIVOTS, DWELLER_PARENTS, frame)
            d = next((offsets.get(k, (0.0, 0.0, 0.0)) for k, f in mouth.items() if f == frame), (0.0, 0.0, 0.0))
            lines.append("k %s %s %s  0 0 0 1  1 1 1" % tuple(number(t[k] + d[k]) for k in range(3)))

    pose("DEFT", {})
    for name, shape in VISEMES.items():
        pose(POSE_CODES.get(name, name), mouth_offsets(shape, 1.5))
    lines.append("")
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines))


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: make_heads.py MODELS_DIR LIPSYNC_DIR\n")
        return 1
    models, lipsync = sys.argv[1], sys.argv[2]
    os.makedirs(models, exist_ok=True)
    os.makedirs(lipsync, exist_ok=True)
    write_x(os.path.join(models, "diverhead.x"), diver(), DIVER_MATERIALS, DIVER_PIVOTS, DIVER_PARENTS,
            "DiverHead", "DiverFace")
    write_cpa(os.path.join(lipsync, "diverhead.cpa"))
    write_dmk(os.path.join(lipsync, "dwellerhead.dmk"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
