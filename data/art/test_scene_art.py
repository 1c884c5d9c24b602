#!/usr/bin/env python3
"""Checks the shipped scene and the scripts that make its art.

The scene files: every kind of object the world registers (the class names the engine's world
lists) and every block kind of the shader file appears, the world names only shaders, fogs,
actors, data bunnies and files that exist, and each count in the shader file matches the blocks
that follow it. The art: the models, textures, loading pictures and music come out of their
scripts well-formed (.x text files whose braces balance and whose meshes hold what they announce,
BMP and TGA headers that match their sizes, mip levels that halve), and the shader programs open
with their version.

Usage: test_scene_art.py (run by CTest as scene_art_scripts)."""

import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ART = os.path.join(ROOT, "data", "art")
SCENE = os.path.join(ROOT, "data", "scene")
SHADERS = os.path.join(ROOT, "data", "shaders")

SHADER_FILE_BLOCKS = ["Shader", "Pass", "Layer", "DynamicLayer", "Material", "RenderTarget",
                      "VertexShaderConstants", "PixelShaderConstants", "DataBunnyAssignments"]
# What make_meshes.py writes (one vertex a line); make_heads.py writes the heads its own way.
MESH_SCRIPT_FILES = {"shark.x", "coral.x", "seabed.x", "rocks.x", "kelp.x", "kelpstalks.x", "fish.x", "skybox.x",
                     "logo.x", "slate.x", "sharkpath.x", "glidepath.x", "driftpath.x", "schoolpath.x", "pulse.x"}
WORLD_KEYWORDS = ["WorldName", "Gravity", "Wind", "ResetTime", "LoopWorld", "TimeScale", "Bookmarks",
                  "DataBunnyManager"]


def words(text, comments):
    """The file's words; with comments, ";" and "//" drop the rest of their line."""
    result = []
    for line in text.splitlines():
        for word in line.split():
            if comments and (word == ";" or word.startswith("//")):
                break
            result.append(word)
    return result


class Block:
    def __init__(self, name):
        self.name = name
        self.children = []

    def walk(self):
        yield self
        for child in self.children:
            if isinstance(child, Block):
                yield from child.walk()

    def blocks(self, name):
        return [c for c in self.children if isinstance(c, Block) and c.name == name]

    def value(self, name):
        """The words of the first child block of that name, joined."""
        found = self.blocks(name)
        return " ".join(w for w in found[0].children if isinstance(w, str)) if found else None


def parse(tokens):
    """A word followed by "{" opens a block of that name; other words are values."""
    root = Block("")
    stack = [root]
    i = 0
    while i < len(tokens):
        word = tokens[i]
        if i + 1 < len(tokens) and tokens[i + 1] == "{":
            block = Block(word)
            stack[-1].children.append(block)
            stack.append(block)
            i += 2
            continue
        if word == "}":
            stack.pop()
            if not stack:
                raise ValueError("a '}' closes more blocks than were opened")
        else:
            stack[-1].children.append(word)
        i += 1
    if len(stack) != 1:
        raise ValueError("%d blocks are not closed" % (len(stack) - 1))
    return root


def run_script(name, *args):
    subprocess.run([sys.executable, os.path.join(ART, name)] + list(args), check=True, stdout=subprocess.DEVNULL)


def registered_kinds():
    """The class names the world registers, from the engine's source."""
    with open(os.path.join(ROOT, "qirn_engine", "World", "qirn_world.cpp")) as source:
        return re.findall(r'QIRN_CLASS_[A-Z]+ = "([A-Za-z_]+)"', source.read())


class Outputs:
    """The art scripts run once into a scratch folder."""
    folder = None

    @classmethod
    def make(cls):
        if cls.folder is None:
            cls.tmp = tempfile.TemporaryDirectory()
            cls.folder = cls.tmp.name
            for sub in ("Models", "Textures", "System", "Loading"):
                os.makedirs(os.path.join(cls.folder, sub))
            run_script("make_meshes.py", os.path.join(cls.folder, "Models"))
            run_script("make_textures.py", os.path.join(cls.folder, "Textures"))
            run_script("make_heads.py", os.path.join(cls.folder, "Models"), os.path.join(cls.folder, "System"))
            run_script("make_loading_art.py", os.path.join(cls.folder, "Loading"))
            run_script("make_music.py", os.path.join(cls.folder, "music.wav"))
        return cls.folder

    @classmethod
    def files(cls, sub):
        return set(os.listdir(os.path.join(cls.make(), sub)))


class SceneFilesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(os.path.join(SCENE, "AmbrevoFull.w")) as f:
            cls.world_text = f.read()
        with open(os.path.join(SCENE, "AmbrevoFull.s")) as f:
            cls.shader_text = f.read()
        world_words = words(cls.world_text, comments=True)
        shader_words = words(cls.shader_text, comments=False)
        if world_words[0] != "qirn_world_version2.0" or shader_words[0] != "qirn_shader_version2.0":
            raise AssertionError("a scene file does not start with its version")
        cls.world = parse(["World"] + world_words[1:]).children[0]
        cls.shaders = parse(["Shaders"] + shader_words[1:]).children[0]
        cls.objects = [b for b in cls.world.children if isinstance(b, Block) and b.name.startswith("QIRN_")]

    def names(self, kind=None):
        return [o.value("Name") for o in self.objects if kind is None or o.name == kind]

    def test_every_registered_kind_and_world_keyword_appears(self):
        kinds = registered_kinds()
        self.assertGreaterEqual(len(kinds), 13)
        present = {o.name for o in self.objects}
        for kind in kinds:
            self.assertIn(kind, present, kind)
        top = {b.name for b in self.world.children if isinstance(b, Block)}
        for keyword in WORLD_KEYWORDS:
            self.assertIn(keyword, top, keyword)

    def test_every_light_type_and_an_animated_camera(self):
        types = {o.value("Type") for o in self.objects if o.name == "QIRN_LightActor"}
        self.assertEqual(types, {"1", "2", "3"})
        animated = [o for o in self.objects if o.name == "QIRN_CameraActor" and o.value("AnimationFilename")]
        self.assertGreaterEqual(len(animated), 2)
        self.assertIn("FreeCam01", self.names("QIRN_CameraActor"))

    def test_every_shader_file_block_kind_appears(self):
        present = {b.name for b in self.shaders.walk()}
        for kind in SHADER_FILE_BLOCKS:
            self.assertIn(kind, present, kind)

    def test_no_comment_where_a_reader_would_refuse_it(self):
        # The shader readers take any unknown word for a keyword; the data-bunny pass over the
        # world file takes every top-level word for a block's name.
        self.assertNotIn("//", self.shader_text)
        for word in self.world.children:
            self.assertNotIsInstance(word, str, "a loose word at the world's top level: %r" % word)

    def test_names_are_unique_and_references_resolve(self):
        names = self.names()
        self.assertEqual(len(names), len(set(names)), "two objects share a name")
        shaders = {s.value("Name") for s in self.shaders.blocks("Shader")}
        targets = {t.value("Name") for t in self.shaders.blocks("RenderTarget")}
        fogs = set(self.names("QIRN_Fog"))
        for obj in self.objects:
            for assignment in obj.blocks("ShaderAssignment"):
                for slot in assignment.children:
                    self.assertIsInstance(slot, Block)
                    self.assertIn(slot.children[0], shaders, "%s: %s" % (obj.value("Name"), slot.name))
            for keyword in ("DependantActorName", "LookAtTargetActorName", "PositionTargetActorName",
                            "Attractor"):
                if obj.value(keyword):
                    self.assertIn(obj.value(keyword), names, "%s: %s" % (obj.value("Name"), keyword))
        for block in self.shaders.walk():
            if block.name == "Pass" and block.value("FogActorName"):
                self.assertIn(block.value("FogActorName"), fogs)
            if block.name == "Layer":
                texture = block.value("TextureFileName")
                title, ext = os.path.splitext(texture)
                levels = int(block.value("NumMipmapLevels") or 1)
                candidates = {texture} if levels == 1 else {"%s_M%02d%s" % (title, m, ext) for m in range(levels)}
                if texture not in targets:
                    self.assertLessEqual(candidates, Outputs.files("Textures"), texture)
            for keyword in ("VertexShader", "PixelShader"):
                if block.name == "Pass" and block.value(keyword):
                    self.assertTrue(os.path.isfile(os.path.join(SHADERS, block.value(keyword))), block.value(keyword))

    def test_counts_match_their_blocks(self):
        for shader in self.shaders.blocks("Shader"):
            passes = shader.blocks("Pass")
            self.assertEqual(int(shader.value("NumPasses")), len(passes), shader.value("Name"))
            for p in passes:
                self.assertEqual(int(p.value("NumLayers") or 0), len(p.blocks("Layer")), shader.value("Name"))
                for table in p.blocks("VertexShaderConstants") + p.blocks("PixelShaderConstants"):
                    rows = int(table.value("NumRows"))
                    for constant in table.blocks("Constant"):
                        row, component = int(constant.children[0]), int(constant.children[1])
                        self.assertLess(row, rows, shader.value("Name"))
                        self.assertLessEqual(component, 3)

    def test_data_bunnies_named_are_made_by_the_bunny_file(self):
        xfiles = [b.children[0] for d in self.world.blocks("DataBunnyManager") for b in d.blocks("xfile")]
        bunnies = set()
        for xfile in xfiles:
            with open(os.path.join(Outputs.make(), "Models", xfile)) as f:
                for name, kind in re.findall(r"Frame DataBunny_([A-Za-z0-9]+)_([A-Za-z]+)", f.read()):
                    # Every group here is keyed by positions.
                    bunnies |= {"%s_%s_Translation_%s_%s" % (xfile, name, kind, c) for c in "xyzw"}
        named = set()
        for block in self.shaders.walk():
            if block.name == "Constant" and block.children[2] == "12":
                named.add(block.children[3])
            if block.name == "DataBunnyAssignments":
                named |= {" ".join(c.children) for c in block.children if isinstance(c, Block)}
        self.assertTrue(named)
        self.assertLessEqual(named, bunnies)

    def test_files_the_world_names_are_made(self):
        models = Outputs.files("Models")
        system = Outputs.files("System")
        for obj in self.objects:
            for keyword in ("MeshFilename", "AnimationFilename"):
                if obj.value(keyword):
                    self.assertIn(obj.value(keyword), models, obj.value("Name"))
            for keyword in ("DMKFilename", "VisemeFilename"):
                if obj.value(keyword):
                    self.assertIn(obj.value(keyword), system, obj.value("Name"))


class ArtOutputsTest(unittest.TestCase):
    def test_x_files_are_well_formed(self):
        folder = os.path.join(Outputs.make(), "Models")
        xfiles = sorted(f for f in os.listdir(folder) if f.endswith(".x"))
        self.assertLessEqual(MESH_SCRIPT_FILES, set(xfiles))
        self.assertGreaterEqual(len(xfiles), 10)
        for name in xfiles:
            with open(os.path.join(folder, name), newline="") as f:
                text = f.read()
            self.assertTrue(text.startswith("xof 0302txt 0032"), name)
            self.assertEqual(text.count("{"), text.count("}"), name)
            # Each mesh lists as many vertices as it announces, one a line, every coordinate with
            # its decimal point (the importer refuses "1" where it reads a float).
            lines = text.splitlines() if name in MESH_SCRIPT_FILES else []
            for i, line in enumerate(lines):
                if re.match(r"\s*Mesh \w+ \{$", line):
                    count = int(lines[i + 1].strip().rstrip(";"))
                    rows = [r.strip() for r in lines[i + 2:i + 2 + count]]
                    self.assertTrue(all(re.fullmatch(r"(-?\d+\.\d+;){3}[,;]", r) for r in rows), name)
                    self.assertTrue(rows[-1].endswith(";;") or rows[-1].endswith(";"), name)
                    self.assertRegex(lines[i + 2 + count].strip(), r"^\d+;$", name)
            for skin in re.finditer(r'SkinWeights \{\s*"(\w+)";\s*(\d+);\s*([\d,]*);\s*([\d.,]*);', text):
                count = int(skin.group(2))
                self.assertEqual(len(skin.group(3).split(",")), count, name)
                self.assertEqual(len(skin.group(4).split(",")), count, name)
                self.assertIn("Frame %s {" % skin.group(1), text, name)

    def image_size(self, path):
        with open(path, "rb") as f:
            data = f.read()
        if path.endswith(".bmp"):
            self.assertEqual(data[:2], b"BM", path)
            offset, = struct.unpack_from("<I", data, 10)
            width, height, planes, bits = struct.unpack_from("<iiHH", data, 18)
            self.assertEqual(bits, 24, path)
            self.assertEqual(len(data), offset + ((width * 3 + 3) & ~3) * abs(height), path)
        else:
            self.assertEqual(data[1:3], b"\x00\x02", path)
            width, height, bits = struct.unpack_from("<HHB", data, 12)
            self.assertEqual(bits, 32, path)
            self.assertEqual(len(data), 18 + data[0] + width * height * 4, path)
        return width, height

    def test_textures_and_pictures_are_well_formed(self):
        folder = os.path.join(Outputs.make(), "Textures")
        for name in sorted(os.listdir(folder)):
            self.image_size(os.path.join(folder, name))
        chain = [self.image_size(os.path.join(folder, "caustics_M%02d.bmp" % m)) for m in range(3)]
        self.assertEqual(chain, [(128, 128), (64, 64), (32, 32)])
        loading = os.path.join(Outputs.make(), "Loading")
        self.assertEqual(self.image_size(os.path.join(loading, "LoadScreen.bmp")), (640, 480))
        for frame in range(8):
            self.assertEqual(self.image_size(os.path.join(loading, "Loader%02d.bmp" % frame)), (128, 16))

    def test_music_is_a_whole_wave(self):
        with open(os.path.join(Outputs.make(), "music.wav"), "rb") as f:
            data = f.read()
        self.assertEqual((data[:4], data[8:12], data[36:40]), (b"RIFF", b"WAVE", b"data"))
        riff, = struct.unpack_from("<I", data, 4)
        size, = struct.unpack_from("<I", data, 40)
        self.assertEqual((riff, size), (len(data) - 8, len(data) - 44))
        self.assertGreater(size, 0)

    def test_shader_programs_open_with_their_version(self):
        for name in sorted(os.listdir(SHADERS)):
            with open(os.path.join(SHADERS, name)) as f:
                first = [w for w in words(f.read(), comments=True)][0]
            self.assertEqual(first, "vs.1.1" if name.endswith(".vsh") else "ps.1.1", name)


if __name__ == "__main__":
    unittest.main()
