"""zarn-plot on the bundled examples: every figure is drawn, and the numbers it plotted (the
data file beside each figure) are the tables' own."""

import csv
import math
import os
import shutil
import subprocess
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PROGRAM = os.environ.get("ZQ_PROGRAM", os.path.join(ROOT, "build", "release", "zarn-qvd"))
PLOT = os.path.join(ROOT, "tools", "zarn-plot")


def rows(path):
    with open(path, newline="") as f:
        return [r for r in csv.DictReader(f) if r.get("kind") != "resume"]


def same(a, b):
    x, y = float(a), float(b)
    return (math.isnan(x) and math.isnan(y)) or x == y


@unittest.skipUnless(os.path.exists(PROGRAM), "the program is not built")
class ZarnPlot(unittest.TestCase):
    def run_example(self, name, tmp):
        folder = os.path.join(tmp, name)
        os.makedirs(folder)
        shutil.copy(os.path.join(ROOT, "examples", name, "ZARNRUN.DAT"), folder)
        for f in ("DORNEVAL.QVD", "MINOX.DAT"):
            shutil.copy(os.path.join(ROOT, "data", f), folder)
        subprocess.run([PROGRAM, "-C", folder, "--answer", "yes"], stdout=subprocess.DEVNULL, check=True)
        return folder

    def test_every_example_plotted_from_its_tables(self):
        examples = sorted(d for d in os.listdir(os.path.join(ROOT, "examples"))
                          if os.path.exists(os.path.join(ROOT, "examples", d, "ZARNRUN.DAT")))
        with tempfile.TemporaryDirectory() as tmp:
            for name in examples:
                with self.subTest(example=name):
                    folder = self.run_example(name, tmp)
                    out = subprocess.run(["/usr/bin/python3", PLOT, folder, "--format", "png"], check=True,
                                         capture_output=True, text=True).stdout.split()
                    steps = rows(os.path.join(folder, "ZARNSTEP.CSV"))
                    first = "species" if len(steps) == 1 else "conditions"
                    self.assertIn(os.path.join(folder, "figures", first + ".png"), out)
                    long = {}
                    for r in rows(os.path.join(folder, "ZARNSPEC.CSV")):
                        long[(r["step"], r["name"])] = r
                    for png in out:
                        self.assertGreater(os.path.getsize(png), 5000, png)
                        data = list(csv.reader(open(png[:-4] + ".csv", newline="")))
                        head, body = data[0], data[1:]
                        figure = os.path.basename(png)[:-4]
                        if len(steps) == 1:  # bars of one equilibrium: name, value
                            self.assertGreater(len(body), 0, png)
                            for name, value in body:
                                self.assertTrue(same(value, long[(steps[0]["step"], name)][head[1]]), png)
                            continue
                        self.assertEqual(len(body), len(steps), png)
                        for r, s in zip(body, steps):
                            self.assertTrue(same(r[0], s["path_value"]), png)
                            for column, cell in zip(head[1:], r[1:]):
                                if column in s:
                                    expected = s[column]
                                elif figure == "species":
                                    expected = long[(s["step"], column)]["molality_mol_per_kg"]
                                elif figure == "saturation":
                                    expected = long[(s["step"], column)]["log_Q_K"]
                                else:
                                    continue  # the boiling figure's fractions are derived
                                self.assertTrue(same(cell, expected or "nan"), f"{png} {column} step {s['step']}")

    def test_no_tables_is_an_error_that_says_so(self):
        with tempfile.TemporaryDirectory() as tmp:
            r = subprocess.run(["/usr/bin/python3", PLOT, tmp], capture_output=True, text=True)
            self.assertEqual(r.returncode, 1)
            self.assertIn("no ZARNSTEP.CSV", r.stderr)


if __name__ == "__main__":
    unittest.main()
