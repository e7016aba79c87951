"""The example run files: the pickup writer's layout, a neutral starting solution, and
components, minerals and reactants that the bundled files provide in the run's basis."""
import os
import sys
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))

from qvdconv import reader  # noqa: E402

EXAMPLES = ("seawater", "reservoir-250c", "cooling-250-to-100c", "basalt-seawater-250c", "ph-path",
            "pressure-path", "boiling-300c", "mixing-hot-cold", "electrum", "flushing-calcite-co2")
CAPTIONS = {
    3: "<  erpc  ><   pH   >< pfluid ><  temp  ><  tempc ><  volbox-1  ><rhofresh>< rhorock>",
    6: "< step increm >< step limit  >< total mixer >",
    9: "<  enth   ><  senth  ><  denth  ><  totwat >< solmin ><   rm   ><  aqgrm >< suprnt >",
    12: "l/v:0  chg    i    i    n    i  lim         i   it    i    i   in incr  min         a  min",
    13: "hiP:1  bal frac punc loop step  sol looc enth  ref deal psat crem    P solv neut watr  chg",
    16: " saq> <   name   ><   total moles   >< trial molality  ><       gamma     ><mixer total moles>",
}


def parse_run(path):
    with open(path) as f:
        lines = f.read().split("\n")
    run = {"lines": lines, "options": [int(v) for v in lines[14].split()]}
    rows, i = [], 17
    while lines[i][:5].strip():
        l = lines[i]
        rows.append((int(l[:5]), l[6:18].strip(), *(float(l[18 + 19 * k:37 + 19 * k]) for k in range(4))))
        i += 1
    run["rows"] = rows
    blocks = []
    for _ in range(4):
        i += 2                               # terminator line, caption
        names = []
        while i < len(lines) and lines[i][:20].strip():
            names.append((lines[i][:20].rstrip(), lines[i][22:40]))
            i += 1
        blocks.append(names)
    run["minerals"], run["reactants"], run["suppressed"], _ = blocks
    return run


class Examples(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.qvd = reader.read(os.path.join(ROOT, "data", "DORNEVAL.QVD"))
        cls.runs = {ex: parse_run(os.path.join(ROOT, "examples", ex, "ZARNRUN.DAT")) for ex in EXAMPLES}
        with open(os.path.join(ROOT, "data", "MINOX.DAT")) as f:
            lines = f.read().split("\n")
        start = next(i for i, l in enumerate(lines) if l[12:20] == "********") + 1
        cls.minox = {l[:20].rstrip(): [int(l[43 + 12 * j:45 + 12 * j]) for j in range(int(l[30:32]))]
                     for l in lines[start:] if l.strip()}

    def test_layout_of_the_pickup_writer(self):
        for ex, run in self.runs.items():
            lines = run["lines"]
            self.assertEqual((len(lines[0]), len(lines[1])), (120, 120), ex)
            for number, caption in CAPTIONS.items():
                self.assertEqual(lines[number], caption, (ex, number))
            self.assertEqual(len(lines[14]), 90, ex)
            self.assertEqual(len(run["options"]), 18)
            self.assertGreater(run["options"][4], 0, f"{ex}: NLOOP")
            self.assertTrue(all(len(l) == 94 for l in lines[17:17 + len(run["rows"])]), ex)
            last = "   250.000    50.000" if ex == "cooling-250-to-100c" else "<  T-P curve data  >"
            self.assertEqual(lines[-2:], [last, ""], ex)

    def test_starting_solution_is_neutral_and_in_one_redox_basis(self):
        comp = self.qvd.components
        for ex, run in self.runs.items():
            numbers = [r[0] for r in run["rows"]]
            self.assertEqual(numbers[:2], [1, 2], ex)
            self.assertFalse({6, 31} <= set(numbers), ex)
            self.assertTrue(set(numbers) <= set(comp), ex)
            c = run["options"][1]
            charge = sum(comp[n][1] * total for n, _, total, *_ in run["rows"] if n != 2)
            t_c = next(total for n, _, total, *_ in run["rows"] if n == c)
            self.assertLessEqual(abs(charge), 1e-4 * t_c, ex)
            mixer = sum(comp[r[0]][1] * r[5] for r in run["rows"] if r[0] != 2)
            self.assertLessEqual(abs(mixer), 1e-9, ex)               # the mixing solution too

    def test_minerals_and_reactants_exist_for_the_run_components(self):
        for ex, run in self.runs.items():
            numbers = {r[0] for r in run["rows"]}
            for name, _ in run["minerals"]:
                forms = [m for m in self.qvd.minerals if m.name.strip() == name]
                self.assertTrue(any({n for _, n in m.pairs} <= numbers for m in forms), (ex, name))
            for name, _ in run["reactants"]:
                self.assertIn(name, self.minox, ex)
                self.assertTrue(set(self.minox[name]) <= numbers, (ex, name))
            names = {m.name.strip() for m in self.qvd.minerals}
            for name, _ in run["suppressed"]:
                self.assertIn(name, names, (ex, name))
        self.assertEqual(self.runs["basalt-seawater-250c"]["options"][14], 1)       # MINSOL
        self.assertEqual(self.runs["boiling-300c"]["options"][8], 1)               # IENTH
        self.assertNotEqual(float(self.runs["mixing-hot-cold"]["lines"][4].split()[4]), 0.0)    # TEMPC
        self.assertEqual(self.runs["flushing-calcite-co2"]["options"][2], 5)       # IFRAC

    def test_solids_volume_of_the_reference_listings_uses_the_densities(self):
        rows = 0
        minerals = {m.name.strip(): m for m in self.qvd.minerals}
        for ex in EXAMPLES:
            with open(os.path.join(ROOT, "examples", ex, "ZARNOUT.ref")) as f:
                lines = f.read().split("\n")
            for i, line in enumerate(lines):
                if not line.startswith(" Gas or mineral") or "(cm3)" not in line:
                    continue
                for row in lines[i + 2:]:
                    if not row.strip():
                        break
                    m = minerals[row[1:21].strip()]
                    if m.flag != "GAS ":
                        grams, volume = float(row[43:53]), float(row[75:85])
                        rows += 1
                        self.assertAlmostEqual(volume, grams / (m.density or 2.5), delta=2e-3 * abs(volume), msg=(ex, row))
        self.assertGreater(rows, 100)


if __name__ == "__main__":
    unittest.main()
