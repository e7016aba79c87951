"""Planning: numbers edited into the run file's columns as the program edits them, the run
file's values found where the program reads them, sweep descriptions expanded into cases,
and plans that refuse values their columns cannot hold."""
import os
import unittest

from sweep_support import TEMPLATE, load_tool, read_table, scratch, tool

Z = load_tool()

with open(os.path.join(TEMPLATE, "ZARNRUN.DAT")) as f:
    RESERVOIR = f.read()


class Editing(unittest.TestCase):
    def test_fields(self):
        cases = [  # value, (kind, width, decimals), text the program's editor writes
            (250.0, ("F", 9, 4), " 250.0000"),
            (-0.00004, ("F", 9, 4), "   0.0000"),  # negative rounding to zero: no sign
            (0.5, ("F", 5, 4), ".5000"),  # no room for the leading zero
            (2.675, ("F", 5, 2), " 2.67"),  # 2.67499999... exactly
            (0.125, ("F", 5, 2), " 0.13"),  # an exact tie rounds away from zero
            (9999.99996, ("F", 9, 4), "*"),  # rounds to 10000.0000
            (1e-12, ("E", 9, 3), "0.100E-11"),
            (-1e-12, ("E", 9, 3), "-.100E-11"),  # the 0 dropped for the sign
            (0.9996, ("E", 9, 3), "0.100E+01"),  # carry into the exponent
            (0.0, ("E", 9, 3), "0.000E+00"),
            (1e-120, ("E", 9, 3), "0.100-119"),  # three exponent digits take the E's place
            (-5.0, ("G", 14, 8), " -5.0000000    "[1:]),
            (250.0, ("G", 14, 8), "  250.00000    "[1:]),
            (0.0, ("G", 14, 8), "  0.0000000    "[1:]),
            (0.04, ("G", 19, 12), " 0.400000000000E-01"),
            (0.1, ("G", 19, 12), "  0.100000000000    "[1:]),
            (-0.379, ("G", 19, 12), " -0.379000000000    "[1:]),
            (1.0, ("G", 19, 12), "   1.00000000000    "[1:]),
            (0.09999999999999, ("G", 19, 12), "  0.100000000000    "[1:]),  # rounds up into F form
            (1e12, ("G", 19, 12), " 0.100000000000E+13"),
            (100, ("I", 5, 0), "  100"),
            (123456, ("I", 5, 0), "*"),
        ]
        for v, fmt, want in cases:
            with self.subTest(v=v, fmt=fmt):
                if want == "*":
                    self.assertRaises(Z.FieldError, Z.edit, fmt, v)
                else:
                    self.assertEqual(Z.edit(fmt, v), want)
                    self.assertEqual(len(want), fmt[1])

    def test_reading(self):
        cases = [  # text, implied decimals, value the program reads
            ("12.5", 0, 12.5), ("-.5", 0, -0.5), ("1.5E3", 0, 1500.0), ("1.5D3", 0, 1500.0),
            ("1.5+3", 0, 1500.0), ("15-2", 0, 0.15), ("0.100E-11", 0, 1e-12), ("  ", 13, 0.0),
            ("1", 13, 1e-13), ("12 345.", 0, 12345.0), ("1.2.3", 0, None), ("E5", 0, None),
            ("1e", 0, None), ("abc", 0, None),
        ]
        for text, implied, want in cases:
            with self.subTest(text=text):
                self.assertEqual(Z.parse_real(text, implied), want)


def with_lines(text, replace):
    lines = text.split("\n")
    for i, line in replace.items():
        lines[i] = line
    return "\n".join(lines)


class RunFileEdits(unittest.TestCase):
    def setUp(self):
        self.model = Z.RunFile(RESERVOIR)

    def test_values_found_where_the_program_reads_them(self):
        cases = [("TEMP", 250.0), ("pH", 0.0), ("SLIM", 250.0), ("NLOOP", 100), ("ITREF", 2), ("IPSAT", 1),
                 ("total:HCO3-", 0.04), ("total:13", 0.04), ("total:na+", 0.102), ("scale:H2O", 1.0)]
        for name, want in cases:
            with self.subTest(name):
                self.assertEqual(self.model.value(Z.parse_field(name)), want)

    def test_written_in_the_columns(self):
        text, written = self.model.with_values({("param", "TEMP"): 175.5, ("param", "NLOOP"): 40,
                                                ("total", "HCO3-"): 0.08, ("scale", "Na+"): 1.5})
        lines = text.split("\n")
        self.assertEqual(lines[4][31:40], " 175.5000")
        self.assertEqual(lines[4][:31], RESERVOIR.split("\n")[4][:31])  # ERPC .. PFLUID kept
        self.assertEqual(lines[14].split()[4], "40")
        self.assertEqual(lines[28][18:37], " 0.800000000000E-01")
        self.assertEqual(lines[21][18:37], " 0.153000000000    ")
        self.assertEqual(written, {("param", "TEMP"): 175.5, ("param", "NLOOP"): 40,
                                   ("total", "HCO3-"): 0.08, ("scale", "Na+"): 1.5})
        again = Z.RunFile(text)  # the written file reads back to the values set
        self.assertEqual(again.value(("param", "TEMP")), 175.5)
        self.assertEqual(again.value(("total", "Na+")), 0.153)
        self.assertEqual(len(lines), len(RESERVOIR.split("\n")))

    def test_free_form_template(self):
        # Values spread over two lines and a "/" that ends a list early: the group is
        # rewritten as one line in the pickup writer's columns, the lines after it move up.
        lines = RESERVOIR.split("\n")
        text = "\n".join(lines[:4] + [" 1e-12, 0 50", " 250 0 0 0 0"] + lines[5:7] + ["-5 250 /"] + lines[8:])
        model = Z.RunFile(text)
        self.assertEqual(model.value(("param", "TEMP")), 250.0)
        self.assertEqual(model.value(("param", "TOTMIX")), 0.0)
        out, _ = model.with_values({("param", "TEMP"): 200.0})
        self.assertEqual(out.split("\n")[4], lines[4].replace("250.0000", "200.0000"))
        self.assertEqual(out.split("\n")[7], "-5 250 /")
        self.assertEqual(Z.RunFile(out).value(("param", "SLIM")), 250.0)
        self.assertEqual(Z.RunFile(out).value(("total", "HCO3-")), 0.04)

    def test_values_that_do_not_fit(self):
        cases = [  # field, value, words of the message
            (("param", "TEMP"), 12345.0, "TEMP = 12345.0 does not fit its column (F9.4)"),
            (("param", "pH"), 0.00001, "pH = 1e-05 does not fit its column: it would be written as 0.0000"),
            (("param", "NLOOP"), 2.5, "NLOOP = 2.5 is not a whole number"),
            (("param", "NLOOP"), float("inf"), "NLOOP = inf is not a whole number"),
            (("param", "NLOOP"), 100000, "NLOOP = 100000 does not fit its column (I5)"),
            (("total", "HCO3-"), float("nan"), "total:HCO3- = nan does not fit"),
        ]
        for field, v, words in cases:
            with self.subTest(field=field, v=v):
                with self.assertRaises(Z.FieldError) as e:
                    self.model.with_values({field: v})
                self.assertIn(words, str(e.exception))

    def test_an_unchanged_value_that_the_rewrite_would_change(self):
        model = Z.RunFile(RESERVOIR.replace(" 250.0000 ", " 250.123456 ", 1))
        with self.assertRaises(Z.FieldError) as e:
            model.with_values({("param", "pH"): 7.0})
        self.assertIn("TEMP = 250.123456 of the template", str(e.exception))

    def test_unknown_names(self):
        self.assertRaises(Z.RunFileError, self.model.value, ("total", "Fe++"))
        self.assertRaises(Z.RunFileError, self.model.value, ("reactant", "MORB"))
        for bad in ("TEMPERATURE", "moles:Calcite", "total:"):
            self.assertRaises(ValueError, Z.parse_field, bad)

    def test_damaged_templates(self):
        lines = RESERVOIR.split("\n")
        cases = [
            ("\n".join(lines[:10]), "line 11: the file ends early"),
            (with_lines(RESERVOIR, {14: "    0    3    0    0  1.5"}), "line 15: '1.5' is not a whole number"),
            (with_lines(RESERVOIR, {7: " -5.0 25x 0"}), "line 8: '25x' is not a number"),
        ]
        for text, words in cases:
            with self.subTest(words):
                with self.assertRaises(Z.RunFileError) as e:
                    Z.RunFile(text)
                self.assertIn(words, str(e.exception))


class Descriptions(unittest.TestCase):
    def cases(self, doc, explicit=None):
        return Z.expand_cases(doc, explicit, "test")

    def test_grid_values(self):
        cases = [
            ({"values": [1, 2.5]}, [1.0, 2.5]),
            ([3, 4], [3.0, 4.0]),
            ({"range": [150, 300, 50]}, [150.0, 200.0, 250.0, 300.0]),
            ({"range": [0.1, 0.3, 0.1]}, [0.1, 0.2, 0.30000000000000004]),  # stop reached despite rounding
            ({"range": [300, 150, -75]}, [300.0, 225.0, 150.0]),
            ({"linspace": [0, 1, 3]}, [0.0, 0.5, 1.0]),
            ({"logspace": [0.01, 1, 3]}, [0.01, 0.1, 1.0]),
        ]
        for entry, want in cases:
            with self.subTest(entry=entry):
                got = Z.grid_values(entry, "t")
                self.assertEqual(len(got), len(want))
                for g, w in zip(got, want):
                    self.assertAlmostEqual(g, w, places=12)

    def test_bad_descriptions(self):
        cases = [
            ({"vary": {"TEMP": {"range": [150, 100, 10]}}}, "never reaches its stop"),
            ({"vary": {"TEMP": {"steps": [1, 2]}}}, "TEMP: steps is not a list"),
            ({"vary": {"TEMP": {"normal": [250, 5]}}}, "need samples = N"),
            ({"samples": 10, "vary": {"TEMP": [1, 2]}}, "no distribution"),
            ({"vary": {"WARMTH": [1]}}, "unknown field 'WARMTH'"),
            ({"set": {"TEMP": "hot"}}, "'hot' is not a number"),
            ({"vary": {"SLIM": {"same_as": "TEMP"}}}, "SLIM is the same as TEMP, which no case sets"),
            ({"set": {"TEMP": 1, "temp": 2}}, "temp is given twice"),
        ]
        for doc, words in cases:
            with self.subTest(words):
                with self.assertRaises(Z.SweepError) as e:
                    self.cases(doc)
                self.assertIn(words, str(e.exception))

    def test_grid_explicit_cases_and_samples_combine(self):
        doc = {"samples": 3, "seed": 7, "set": {"CHGF": 1},
               "vary": {"TEMP": [200, 250], "SLIM": {"same_as": "TEMP"}, "scale": {"Na+": {"normal": [1.0, 0.05]}}}}
        wells = [("w1", {("total", "HCO3-"): 0.03}), ("w2", {("total", "HCO3-"): 0.05})]
        cases = self.cases(doc, wells)
        self.assertEqual(len(cases), 2 * 2 * 3)  # wells x temperatures x samples
        self.assertEqual([n for n, _ in cases[:7]], ["w1"] * 6 + ["w2"])
        self.assertEqual([c[("param", "TEMP")] for _, c in cases[:6]], [200.0] * 3 + [250.0] * 3)
        self.assertTrue(all(c[("param", "SLIM")] == c[("param", "TEMP")] for _, c in cases))
        self.assertTrue(all(c[("param", "CHGF")] == 1 for _, c in cases))
        draws = [c[("scale", "Na+")] for _, c in cases]
        self.assertEqual(len(set(draws)), len(draws))
        self.assertEqual(draws, [c[("scale", "Na+")] for _, c in self.cases(doc, wells)])  # the seed repeats them
        self.assertNotEqual(draws, [c[("scale", "Na+")] for _, c in self.cases(dict(doc, seed=8), wells)])
        self.assertEqual(Z.case_ids(cases)[:4], ["w1-0001", "w1-0002", "w1-0003", "w1-0004"])
        self.assertEqual(Z.case_ids([("w1", {}), ("", {}), ("w1", {})]), ["w1-0001", "case-0001", "w1-0002"])

    def test_distributions_have_their_moments(self):
        doc = {"samples": 4000, "seed": 1, "vary": {"TEMP": {"normal": [250, 10]}, "pH": {"uniform": [6, 8]},
                                                     "total": {"HCO3-": {"lognormal": [0.04, 2.0]}}}}
        cases = [c for _, c in self.cases(doc)]
        t = [c[("param", "TEMP")] for c in cases]
        mean = sum(t) / len(t)
        sd = (sum((x - mean) ** 2 for x in t) / len(t)) ** 0.5
        self.assertAlmostEqual(mean, 250, delta=1.0)
        self.assertAlmostEqual(sd, 10, delta=0.5)
        ph = [c[("param", "pH")] for c in cases]
        self.assertTrue(6 <= min(ph) and max(ph) <= 8)
        co2 = sorted(c[("total", "HCO3-")] for c in cases)
        self.assertAlmostEqual(co2[len(co2) // 2], 0.04, delta=0.004)  # the median
        within = sum(0.02 <= x <= 0.08 for x in co2) / len(co2)  # one geometric sd: 68 %
        self.assertAlmostEqual(within, 0.683, delta=0.03)


class Plans(unittest.TestCase):
    def test_plan_writes_cases_and_links_the_data(self):
        d = scratch(self.addCleanup)
        desc = os.path.join(d, "s.toml")
        with open(desc, "w") as f:
            f.write('template = "%s"\n[set]\nCHGF = 1\n[vary]\nTEMP = [200, 225.5]\n'
                    '"total:HCO3-" = {values = [0.02, 0.04]}\n' % TEMPLATE)
        tool("plan", "-d", desc, os.path.join(d, "sw"))
        table = read_table(os.path.join(d, "sw", "cases.csv"))
        self.assertEqual([list(r.values()) for r in table],
                         [["00001", "1", "200", "0.02"], ["00002", "1", "200", "0.04"],
                          ["00003", "1", "225.5", "0.02"], ["00004", "1", "225.5", "0.04"]])
        case = os.path.join(d, "sw", "cases", "00003")
        with open(os.path.join(case, "ZARNRUN.DAT")) as f:
            self.assertEqual(Z.RunFile(f.read()).value(("param", "TEMP")), 225.5)
        with open(os.path.join(case, "ZARNRUN.ORIG")) as f, open(os.path.join(case, "ZARNRUN.DAT")) as g:
            self.assertEqual(f.read(), g.read())
        for name in ("DORNEVAL.QVD", "MINOX.DAT"):  # one set of data files, linked from every case
            self.assertTrue(os.path.islink(os.path.join(case, name)))
            self.assertTrue(os.path.samefile(os.path.join(case, name), os.path.join(d, "sw", "data", name)))

    def test_a_value_that_does_not_fit_plans_nothing(self):
        d = scratch(self.addCleanup)
        cases = os.path.join(d, "wells.csv")
        with open(cases, "w") as f:
            f.write("case,TEMP,pH\nwell-a,250,7\nwell-b,250,1e-6\nwell-c,25000,7\n")
        run = tool("plan", "-t", TEMPLATE, "--cases", cases, os.path.join(d, "sw"), check=False)
        self.assertEqual(run.returncode, 1)
        self.assertIn("case well-b: pH = 1e-06 does not fit its column: it would be written as 0.0000", run.stderr)
        self.assertIn("case well-c: TEMP = 25000.0 does not fit its column (F9.4)", run.stderr)
        self.assertEqual(os.listdir(d), ["wells.csv"])

    def test_template_from_the_bundled_data(self):
        d = scratch(self.addCleanup)
        os.mkdir(os.path.join(d, "t"))
        with open(os.path.join(d, "t", "ZARNRUN.DAT"), "w") as f:
            f.write(RESERVOIR)
        tool("plan", "-t", os.path.join(d, "t"), os.path.join(d, "sw"))
        self.assertEqual(sorted(os.listdir(os.path.join(d, "sw", "data"))), ["DORNEVAL.QVD", "MINOX.DAT"])
        self.assertEqual(len(read_table(os.path.join(d, "sw", "cases.csv"))), 1)


if __name__ == "__main__":
    unittest.main()
