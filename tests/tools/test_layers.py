"""The layers of src/ point one way.

Each folder of src/ is a layer; a file may include headers of its own layer and of the
layers below it, never of a layer above. main.cpp is the only file that includes driver/
from outside it, and format/ includes nothing of the program's own but itself.
"""
import pathlib
import re
import unittest

SRC = pathlib.Path(__file__).resolve().parents[2] / "src"

# Bottom to top.
LAYERS = ["format", "base", "thermo", "solver", "phases", "path", "output", "driver"]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def include_edges():
    """(file, its layer, included header, the header's layer) for every quoted include."""
    for path in sorted(SRC.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        rel = path.relative_to(SRC)
        layer = rel.parts[0] if len(rel.parts) > 1 else None
        for header in INCLUDE.findall(path.read_text()):
            target = header.split("/")[0] if "/" in header else layer
            yield str(rel), layer, header, target


class LayerTest(unittest.TestCase):
    def test_every_folder_is_a_known_layer(self):
        folders = {p.name for p in SRC.iterdir() if p.is_dir()}
        self.assertEqual(folders, set(LAYERS))

    def test_includes_point_down(self):
        rank = {name: i for i, name in enumerate(LAYERS)}
        upward = [f"{f} includes {h}" for f, layer, h, target in include_edges()
                  if layer is not None and rank[target] > rank[layer]]
        self.assertEqual(upward, [])

    def test_only_main_includes_the_driver(self):
        outside = [f"{f} includes {h}" for f, layer, h, target in include_edges()
                   if target == "driver" and layer not in ("driver", None)]
        self.assertEqual(outside, [])

    def test_format_stands_alone(self):
        others = [f"{f} includes {h}" for f, layer, h, target in include_edges()
                  if layer == "format" and target != "format"]
        self.assertEqual(others, [])


if __name__ == "__main__":
    unittest.main()
