#!/usr/bin/env python3
"""Writes the bench's skinned stand-in scene, used for the skinning rate while the shipped scene
has no skinned mesh: a tube (BenchSkin.x) of RINGS x SIDES vertices on a chain of four bones, each
vertex weighted between the two nearest bones, its bones bent away from the straight pose they
were bound in; and a world (BenchSkin.w, BenchSkin.s) with a camera and the tube.
Usage: make_skin_scene.py OUT_DIR"""

import math
import os
import sys

RINGS = 96
SIDES = 48
LENGTH = 48.0
RADIUS = 3.0
BONES = 4
BEND_DEGREES = 12.0


def number(value):
    return "%.6f" % value


def matrix(rows):
    return ",".join(number(v) for row in rows for v in row) + ";;"


def bent(step):
    """A bone's matrix relative to its parent: turned about z and moved one bone length along x."""
    angle = math.radians(BEND_DEGREES)
    c, s = math.cos(angle), math.sin(angle)
    return [(c, s, 0.0, 0.0), (-s, c, 0.0, 0.0), (0.0, 0.0, 1.0, 0.0), (step, 0.0, 0.0, 1.0)]


def translation(x):
    return [(1.0, 0.0, 0.0, 0.0), (0.0, 1.0, 0.0, 0.0), (0.0, 0.0, 1.0, 0.0), (x, 0.0, 0.0, 1.0)]


def tube():
    vertices, normals, uvs, faces = [], [], [], []
    for r in range(RINGS):
        x = LENGTH * r / (RINGS - 1)
        for s in range(SIDES):
            a = 2.0 * math.pi * s / SIDES
            vertices.append((x, RADIUS * math.cos(a), RADIUS * math.sin(a)))
            normals.append((0.0, math.cos(a), math.sin(a)))
            uvs.append((s / SIDES, r / (RINGS - 1)))
    for r in range(RINGS - 1):
        for s in range(SIDES):
            a, b = r * SIDES + s, r * SIDES + (s + 1) % SIDES
            c, d = a + SIDES, b + SIDES
            faces += [(a, c, b), (b, c, d)]
    return vertices, normals, uvs, faces


def weights(vertices):
    """Per bone: (vertex, weight) pairs, each vertex shared by the two bones around it."""
    step = LENGTH / BONES
    per_bone = [[] for _ in range(BONES)]
    for i, (x, _, _) in enumerate(vertices):
        t = min(max(x / step - 0.5, 0.0), BONES - 1.0)
        first = min(int(t), BONES - 2)
        w = t - first
        per_bone[first].append((i, 1.0 - w))
        per_bone[first + 1].append((i, w))
    return per_bone


def write_mesh(path):
    vertices, normals, uvs, faces = tube()
    step = LENGTH / BONES
    lines = ["xof 0302txt 0032",
             "template XSkinMeshHeader {", " <3CF169CE-FF7C-44ab-93C0-F78F62D172E2>",
             " WORD nMaxSkinWeightsPerVertex;", " WORD nMaxSkinWeightsPerFace;", " WORD nBones;", "}",
             "template SkinWeights {", " <6F0D123B-BAD2-4167-A0D0-80224F25FABB>",
             " STRING transformNodeName;", " DWORD nWeights;", " array DWORD vertexIndices[nWeights];",
             " array FLOAT weights[nWeights];", " Matrix4x4 matrixOffset;", "}"]
    for b in range(BONES):
        lines.append(" " * b + "Frame Bone%d {" % b)
        lines.append(" " * b + " FrameTransformMatrix { %s }" % matrix(translation(0.0) if b == 0 else bent(step)))
    lines += ["Mesh Tube {", " %d;" % len(vertices)]
    lines += [" %s;%s;%s;%s" % (number(v[0]), number(v[1]), number(v[2]), "," if i + 1 < len(vertices) else ";")
              for i, v in enumerate(vertices)]
    lines.append(" %d;" % len(faces))
    lines += [" 3; %d,%d,%d;%s" % (f[0], f[1], f[2], "," if i + 1 < len(faces) else ";") for i, f in enumerate(faces)]
    lines += [" MeshNormals {", "  %d;" % len(normals)]
    lines += ["  %s;%s;%s;%s" % (number(n[0]), number(n[1]), number(n[2]), "," if i + 1 < len(normals) else ";")
              for i, n in enumerate(normals)]
    lines.append("  %d;" % len(faces))
    lines += ["  3; %d,%d,%d;%s" % (f[0], f[1], f[2], "," if i + 1 < len(faces) else ";")
              for i, f in enumerate(faces)]
    lines += [" }", " MeshTextureCoords {", "  %d;" % len(uvs)]
    lines += ["  %s;%s;%s" % (number(u), number(v), "," if i + 1 < len(uvs) else ";") for i, (u, v) in enumerate(uvs)]
    lines += [" }", " MeshMaterialList { 1; %d;" % len(faces)]
    lines += ["  0%s" % ("," if i + 1 < len(faces) else ";") for i in range(len(faces))]
    lines += ["  Material Skin { 0.8;0.5;0.4;1.0;; 8.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }", " }",
              " XSkinMeshHeader { 2; 2; %d; }" % BONES]
    for b, pairs in enumerate(weights(vertices)):
        lines.append(" SkinWeights { \"Bone%d\"; %d;" % (b, len(pairs)))
        lines.append("  " + ",".join(str(i) for i, _ in pairs) + ";")
        lines.append("  " + ",".join(number(w) for _, w in pairs) + ";")
        # The bones were bound along the straight tube.
        lines.append("  %s }" % matrix(translation(-step * b)))
    lines.append("}")
    lines += ["}" for _ in range(BONES)]
    with open(path, "w", newline="\r\n") as out:
        out.write("\n".join(lines) + "\n")


WORLD = """qirn_world_version2.0
{
    WorldName { BenchSkin }
    QIRN_CameraActor
    {
        Name { Cam01_Bench }
        Position { 24 10 -90 1 }
        PrimaryOrientationMode { 2 }
        LookAt { 24 10 0 1 }
        FOV { 60 }
        Near { 1 }
        Far { 1000 }
    }
    QIRN_LightActor
    {
        Name { Light01_Bench }
        Type { 3 }
        Direction { 0.3 -1 0.2 1 }
        Diffuse { 255 255 255 255 }
    }
    QIRN_MeshActor
    {
        Name { Tube01_Skinned }
        Position { 0 0 0 1 }
        MeshFilename { BenchSkin.x }
    }
}
"""

SHADERS = """qirn_shader_version2.0
{
    Shader
    {
        Name { WorldShader }
        NumPasses { 1 }
        Pass
        {
            ClearColor { 1 }
            ColorClearValue { 20 76 128 255 }
            ClearZ { 1 }
            ZClearValue { 1.0 }
        }
    }
}
"""


def main():
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    write_mesh(os.path.join(out_dir, "BenchSkin.x"))
    for name, text in (("BenchSkin.w", WORLD), ("BenchSkin.s", SHADERS)):
        with open(os.path.join(out_dir, name), "w", newline="\r\n") as out:
            out.write(text)


if __name__ == "__main__":
    main()
