"""Converter on a small PHREEQC-format excerpt written for these tests: change of basis,
log K transformation, sign conventions, balances, what is left out, and the written
columns read back."""
import math
import os
import sys
import tempfile
import unittest
from fractions import Fraction as F

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))

from qvdconv import ionsize, phreeqc, qvd, reader  # noqa: E402
from qvdconv.basis import Component  # noqa: E402
from qvdconv.convert import convert  # noqa: E402
from qvdconv.fixed import FieldOverflow, e_field, f_field, g_field  # noqa: E402

# Log K expressions are kept simple (A1 + A3/T) so that the expected values are plain.
EXCERPT = """\
SOLUTION_MASTER_SPECIES
H      H+      -1  H     1.0079
H(1)   H+      -1  0
E      e-       0  0     0
O      H2O      0  O     15.9994
O(0)   O2       0  O
Ca     Ca+2     0  Ca    40.078
C      HCO3-    1  HCO3  12.011
Cl     Cl-      0  Cl    35.4527
S      SO4-2    0  SO4   32.066
S(-2)  HS-      1  S
Fe     Fe+2     0  Fe    55.847
Fe(+3) Fe+3    -2  Fe
Si     SiO2     0  SiO2  28.0855

SOLUTION_SPECIES
H+ = H+
        -llnl_gamma 9
        log_k 0
H2O = H2O
        log_k 0
e- = e-
        log_k 0
Ca+2 = Ca+2
        -llnl_gamma 6
        log_k 0
HCO3- = HCO3-
        -llnl_gamma 4
        log_k 0
Cl- = Cl-
        -llnl_gamma 3
        log_k 0
SO4-2 = SO4-2
        -llnl_gamma 4
        log_k 0
Fe+2 = Fe+2
        -llnl_gamma 6
        log_k 0
SiO2 = SiO2
        log_k 0
2 H2O = O2 + 4 H+ + 4 e-
        -CO2_llnl_gamma
        log_k -86
        -analytic -80 0 -1000 0 0
#       -Range:  0-300
SO4-2 + H+ = HS- + 2 O2
        -llnl_gamma 3.5
        log_k -138
        -analytic -130 0 -2000 0 0
#       -Range:  0-300
H2O = OH- + H+
        -llnl_gamma 3.5
        log_k -14
        -analytic -10 0 -1200 0 0
#       -Range:  0-300
HCO3- = CO3-2 + H+
        -llnl_gamma 4.5
        log_k -10.3
        -analytic -12 0 500 0 0
#       -Range:  0-200
Fe+2 + H+ + 0.25 O2 = Fe+3 + 0.5 H2O
        -llnl_gamma 9
        log_k 8.5
        -analytic 5 0 1000 0 0
#       -Range:  0-300
HS- + H+ = H2S
        -llnl_gamma 3
        log_k 7
        -analytic 2 0 1500 0 0
#       -Range:  0-300
Ca+2 + Cl- = CaCl+
        -llnl_gamma 4
        log_k 0.3
        -delta_H 10 kJ/mol
Fe+3 + Cl- = FeCl+2
        -llnl_gamma 4.5
        log_k 1.5
Fe+2 + 2 SO4-2 = Fe(SO4)2-2
        log_k 2
        -add_logk Log_K_O2 0.5
2 HCO3- + 5 H+ = C2H6 + 3.5 O2 + 0 H2O
        log_k -200
3 Ca+2 + 3 Cl- = Ca3Cl3+3
        log_k 1

NAMED_EXPRESSIONS
Log_K_O2
        log_k -86
        -analytic -80 0 -1000 0 0

PHASES
Calcite
        CaCO3 + H+ = Ca+2 + HCO3-
        log_k 1.85
        -analytic 3 0 -300 0 0
#       -Range:  0-300
Pyrite
        FeS2 + H2O = Fe+2 + 2 HS- + 0.5 O2
        log_k -60
        -analytic -50 0 -3000 0 0
#       -Range:  0-300
Hematite
        Fe2O3 + 4 H+ = 2 Fe+2 + 0.5 O2 + 2 H2O
        log_k -16
        -analytic -6 0 -3000 0 0
        -Vm 30.274
#       -Range:  0-300
Wustite
        Fe.947O + 2 H+ = 0.106 Fe+3 + 0.841 Fe+2 + H2O
        log_k 12
CO2(g)
        CO2 + H2O = H+ + HCO3-
        log_k -7.8
        -analytic -5 0 -800 0 0
#       -Range:  0-300
Ca(g)
        Ca + 2 H+ + 0.5 O2 = Ca+2 + H2O
        log_k 165
Fe3O4-odd
        Fe3O4 + 8 H+ = 3 Fe+2 + 4 H2O
        log_k 10
END
"""

COMPONENTS = (
    Component(1, "H+", "H+"), Component(2, "H2O", "H2O"), Component(3, "Cl-", "Cl-"),
    Component(4, "SO4--", "SO4-2"), Component(5, "SiO2,aq", "SiO2"), Component(6, "HS-", "HS-"),
    Component(9, "Fe++", "Fe+2"), Component(10, "Ca++", "Ca+2"), Component(13, "HCO3-", "HCO3-"),
    Component(31, "O2,aq", "O2"),
)
WEIGHTS = {"H": 1.0079, "O": 15.9994, "C": 12.011, "S": 32.066, "Ca": 40.078, "Cl": 35.4527,
           "Fe": 55.847, "Si": 28.0855}
TEMPS = (25.0, 50.0, 100.0, 150.0, 200.0, 250.0, 300.0, 350.0)


def line(a1, a3):
    """a1 + a3/T at the eight temperatures (also beyond a stated range)."""
    return [a1 + a3 / (t + 273.15) for t in TEMPS]


def minus(values):
    return [None if v is None else -v for v in values]


class ExcerptCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.db = phreeqc.read_database(EXCERPT, is_text=True)
        cls.conv = convert(cls.db, components=COMPONENTS)

    def entries(self, name, kind=None):
        pool = self.conv.species + self.conv.gases + self.conv.minerals
        return {e.mode: e for e in pool if e.name == name and (kind is None or e.kind == kind)}

    def assertLogK(self, values, expected, places=9):
        for got, want in zip(values, expected):
            if want is None:
                self.assertIsNone(got)
            else:
                self.assertAlmostEqual(got, want, places=places)


class BasisAndLogK(ExcerptCase):
    def test_species_without_redox_is_one_dissociation_record(self):
        oh = self.entries("OH-")
        self.assertEqual(list(oh), ["both"])
        self.assertEqual(oh["both"].nu, {1: -1, 2: 1})          # OH- -> H2O - H+
        self.assertLogK(oh["both"].logk.values, minus(line(-10, -1200)))
        co3 = self.entries("CO3--")["both"]
        self.assertEqual(co3.nu, {1: -1, 13: 1})
        self.assertLogK(co3.logk.values, minus(line(-12, 500)))
        self.assertEqual((co3.logk.method, co3.logk.valid_to), ("analytic", 200.0))   # "Range: 0-200"

    def test_redox_species_comes_in_both_bases_with_consistent_log_k(self):
        fe3 = self.entries("Fe+++")
        self.assertEqual(set(fe3), {"O2", "HS"})
        self.assertEqual(fe3["O2"].nu, {1: 1, 2: F(-1, 2), 9: 1, 31: F(1, 4)})
        self.assertLogK(fe3["O2"].logk.values, minus(line(5, 1000)))
        # O2,aq = 0.5 SO4-- + 0.5 H+ - 0.5 HS- in the HS- basis
        self.assertEqual(fe3["HS"].nu, {1: F(9, 8), 2: F(-1, 2), 4: F(1, 8), 6: F(-1, 8), 9: 1})
        o2_hs = self.entries("O2,aq")["HS"]
        self.assertEqual(o2_hs.nu, {1: F(1, 2), 4: F(1, 2), 6: F(-1, 2)})
        # two O2 form with each HS-: log K of O2,aq -> ... is minus half that reaction's
        self.assertLogK(o2_hs.logk.values, [None if v is None else -v / 2 for v in line(-130, -2000)])
        expected = [None if a is None else a + 0.25 * b for a, b in zip(fe3["O2"].logk.values, o2_hs.logk.values)]
        self.assertLogK(fe3["HS"].logk.values, expected)

    def test_sulfide_species_use_hs_and_the_o2_form_goes_through_sulfate(self):
        h2s = self.entries("H2S,aq")
        self.assertEqual(h2s["HS"].nu, {1: 1, 6: 1})
        self.assertLogK(h2s["HS"].logk.values, minus(line(2, 1500)))
        self.assertEqual(h2s["O2"].nu, {1: 2, 4: 1, 31: -2})
        hs = self.entries("HS-")
        self.assertEqual(list(hs), ["O2"])                      # a component in the HS- basis
        self.assertLogK(hs["O2"].logk.values, minus(line(-130, -2000)))

    def test_mineral_hydrolysis_sign_weight_and_density(self):
        cal = self.entries("Calcite")["both"]
        self.assertEqual(cal.nu, {1: -1, 10: 1, 13: 1})         # CaCO3 -> Ca++ + HCO3- - H+
        self.assertLogK(cal.logk.values, line(3, -300))
        self.assertAlmostEqual(cal.gfw, 40.078 + 12.011 + 3 * 15.9994, places=9)
        self.assertEqual(cal.density, 0.0)
        hem = self.entries("Hematite")
        self.assertEqual(hem["O2"].nu, {1: -4, 2: 2, 9: 2, 31: F(1, 2)})
        self.assertAlmostEqual(hem["O2"].density, (2 * 55.847 + 3 * 15.9994) / 30.274, places=9)
        pyr = self.entries("Pyrite")
        self.assertEqual(pyr["HS"].nu, {1: F(1, 4), 2: -1, 4: F(1, 4), 6: F(7, 4), 9: 1})
        self.assertEqual(pyr["O2"].nu, {1: 2, 2: -1, 4: 2, 9: 1, 31: F(-7, 2)})
        o2_hs = self.entries("O2,aq")["HS"].logk.values
        self.assertLogK(pyr["HS"].logk.values,
                        [None if a is None else a + 0.5 * b for a, b in zip(line(-50, -3000), o2_hs)])
        for e in list(hem.values()) + list(pyr.values()) + [cal]:
            comp_w = {1: 1.0079, 2: 18.0152, 4: 96.0636, 6: 33.0739, 9: 55.847, 10: 40.078,
                      13: 61.0171, 31: 31.9988}
            comp_z = {1: 1, 2: 0, 4: -2, 6: -1, 9: 2, 10: 2, 13: -1, 31: 0}
            self.assertAlmostEqual(sum(float(v) * comp_w[n] for n, v in e.nu.items()), e.gfw, delta=1e-3)
            self.assertEqual(sum(v * comp_z[n] for n, v in e.nu.items()), 0, e.name)

    def test_gas_record_is_flagged_and_mixed(self):
        co2 = self.entries("CO2,gas")["both"]
        self.assertEqual((co2.flag, co2.jsols), ("GAS ", 6))
        self.assertEqual(co2.nu, {1: 1, 2: -1, 13: 1})
        self.assertLogK(co2.logk.values, line(-5, -800))

    def test_log_k_without_expression(self):
        cacl = self.entries("CaCl+")["both"]                     # van 't Hoff from delta H
        self.assertEqual((cacl.logk.method, cacl.logk.valid_to), ("van 't Hoff", 25.0))
        slope = 10.0 / (8.314462618e-3 * math.log(10))
        self.assertLogK(cacl.logk.values, [-(0.3 - slope * (1 / (t + 273.15) - 1 / 298.15)) for t in TEMPS],
                        places=12)
        fecl = self.entries("FeCl++")
        self.assertEqual(fecl["O2"].logk.method, "25 only")      # and the O2 term's expression
        # log K(25 C) of FeCl++ held, the O2 term's expression evaluated at every point
        self.assertLogK(fecl["O2"].logk.values, [-1.5 - (5 + 1000 / (t + 273.15)) for t in TEMPS])
        self.assertEqual(fecl["O2"].logk.valid_to, 25.0)

    def test_add_logk_term_enters_the_log_k(self):
        fe = self.entries("Fe(SO4)2--")["both"]
        # Fe(SO4)2-2 formed with 0.5 log K(O2) added, from its expression at 25 C
        self.assertAlmostEqual(fe.logk.values[0], -(2 + 0.5 * (-80 - 1000 / 298.15)), places=12)
        self.assertEqual(fe.logk.method, "25 only")


class LeftOut(ExcerptCase):
    def reasons(self):
        return {name: reason for kind, name, line, reason in self.conv.left_out}

    def test_organic_single_atom_gas_unbalanced_and_inexact_records(self):
        r = self.reasons()
        self.assertEqual(r["C2H6"], "organic")
        self.assertEqual(r["Ca(g)"], "gas of single atoms")
        self.assertIn("not balanced", r["Fe3O4-odd"])
        self.assertIn("not exact with three decimals", r["Wustite"])
        names = {e.name for e in self.conv.species + self.conv.minerals + self.conv.gases}
        self.assertFalse({"C2H6,aq", "Ca,gas", "Fe3O4-odd", "Wustite"} & names)


class WrittenColumns(ExcerptCase):
    """The records written and read back, column by column."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        grids = [([[0.5] * 36 for _ in range(37)], 5) for _ in range(5)]
        comps = [qvd.component_line(1, "H+", 1, 9.0, 1.0079), qvd.component_line(2, "H2O", 0, 0.0, 18.0152)]
        cls.tmp = tempfile.NamedTemporaryFile("w", suffix=".QVD", delete=False)
        cls.tmp.close()
        qvd.write(cls.tmp.name, ["excerpt"], grids, [("a", "b")] * 5, comps,
                  [(e, "note") for e in cls.conv.species],
                  [(f"X{i}", (1.0, -2.0, 3e-5)) for i in range(10)],
                  [(e, "note") for e in cls.conv.gases + cls.conv.minerals])
        with open(cls.tmp.name) as f:
            cls.lines = f.read().split("\n")
        cls.back = reader.read(cls.tmp.name)

    @classmethod
    def tearDownClass(cls):
        os.unlink(cls.tmp.name)

    def test_species_lines_by_column(self):
        i = self.lines.index(next(l for l in self.lines if l.startswith("Fe+++ ")))
        l1, l2, l3, lk = self.lines[i:i + 4]
        self.assertEqual(l1[90:94], "L-V ")
        self.assertEqual(l1[80:84], "    ")
        self.assertEqual((l2[8:11], l2[26:31]), ("  3", "12.57"))     # radius of a 9
        self.assertEqual(l3[:2], " 4")
        self.assertEqual([l3[3 + 12 * j:13 + 12 * j] for j in range(4)],
                         ["     1.000", "    -0.500", "     1.000", "     0.250"])
        self.assertEqual([l3[13 + 12 * j:15 + 12 * j] for j in range(4)], [" 1", " 2", " 9", "31"])
        self.assertEqual(len(lk.split()), 8)
        self.assertEqual(lk.split()[-1], "-6.605")      # 350 C, beyond the range: -(5 + 1000/623.15)

    def test_mineral_lines_by_column(self):
        i = self.lines.index(next(l for l in self.lines if l.startswith("CO2,gas ")))
        l1, l2, l3, eos = self.lines[i:i + 4]
        self.assertEqual((l1[66:68], l1[68:76], l1[80:84]), (" 6", "   1.000", "GAS "))
        self.assertEqual(l2[13:21], "  44.010")
        self.assertEqual(l3[:3], "  3")
        self.assertEqual(l3[12:15], "  1")
        self.assertEqual(len(eos), 76)
        i = self.lines.index(next(l for l in self.lines if l.startswith("Hematite ")))
        self.assertEqual(self.lines[i + 1][58:64], " 5.275")

    def test_read_back_matches_and_balances(self):
        self.assertEqual(len(self.back.species), len(self.conv.species))
        self.assertEqual([r.name.strip() for r in self.back.minerals],
                         [e.name for e in self.conv.gases + self.conv.minerals])
        self.assertEqual(self.back.cross[1], (1.0, -2.0, 3e-5))
        for rec, e in zip(self.back.minerals, self.conv.gases + self.conv.minerals):
            self.assertEqual(sorted(n for _, n in rec.pairs), sorted(e.nu))
            self.assertEqual(sum(c for c, _ in rec.pairs), float(sum(e.nu.values())))


class IonSizeFields(unittest.TestCase):
    """The size field holds the radius the program turns back into the source's ion size."""

    CASES = [  # source size, charge, species field, component text, ion size the program gets
        (4.0, 1, 2.19, "219", 4.0),          # Na+
        (3.0, -1, 1.09, "109", 3.0),         # Cl-
        (9.0, 1, 7.19, "719", 9.0),          # H+
        (4.0, -2, 2.18, "218", 4.0),         # SO4--
        (8.0, 2, 8.38, "838", 8.0),          # Mg++
        (9.0, 3, 12.57, "13.", 9.215),       # Al+++: only a whole number fits 3 columns
        (1.5, 1, -0.31, "-31", 1.5),         # r below 0 still gives the size back
        (1.81, 1, 0.01, "  1", 1.82),        # r = 0 would read as 4: one unit off instead
        (3.0, 0, 3.0, "3.0", None),          # neutral: kept, not used
        (10.0, 0, 10.0, "10.", None),        # dissolved gas
        (0.0, 2, 0.0, "  0", None),          # no size in the source: the program's default
    ]

    def test_fields_and_what_the_program_reads(self):
        for a, z, field, text, back in self.CASES:
            with self.subTest(a=a, z=z):
                self.assertAlmostEqual(ionsize.species_field(a, z), field, places=9)
                self.assertEqual(ionsize.component_field(a, z), text)
                if back is not None:
                    read = reader.fixed_real(text, 2)
                    self.assertAlmostEqual(ionsize.program_size(read, z), back, places=9)
                    # the 5 columns of a species line always give the size back (to 0.01)
                    self.assertAlmostEqual(ionsize.program_size(field, z), a, delta=0.0101)


class NumberEditing(unittest.TestCase):
    def test_fixed_exponent_and_general_fields(self):
        self.assertEqual(e_field(12.34, 10, 4), "0.1234E+02")
        self.assertEqual(e_field(-12.34, 10, 4), "-.1234E+02")
        self.assertEqual(f_field(0.5, 6, 3), " 0.500")
        self.assertEqual(f_field(-0.5, 5, 3), "-.500")
        self.assertEqual(f_field(0.0625, 6, 3), " 0.063")       # half away from zero
        self.assertEqual(f_field(-0.0001, 9, 3), "    0.000")
        self.assertEqual(g_field(12.0, 10, 4), " 12.00    ")
        self.assertEqual(g_field(0.0, 10, 4), " 0.000    ")
        self.assertEqual(g_field(1.0e-5, 10, 4), "0.1000E-04")
        self.assertEqual(g_field(9999.9, 10, 4), "0.1000E+05")
        with self.assertRaises(FieldOverflow):
            f_field(123456.0, 6, 1)


if __name__ == "__main__":
    unittest.main()
