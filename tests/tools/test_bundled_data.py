"""The bundled DORNEVAL.QVD and MINOX.DAT: every record balanced as the program checks it,
capacities of a run, converted log K against values recomputed from the source's
expressions, header grids against the source's table, mixed gases and solid solutions."""
import math
import os
import sys
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))

from qvdconv import reader  # noqa: E402

NO_DATA = 99999.999
# Analytic expressions of the source (llnl.dat), log K = A1 + A2 T + A3/T + A4 log10 T + A5/T²,
# for the reactions as the source writes them.
SOURCE_EXPRESSIONS = {
    "H2O = OH- + H+": (-6.7506e+1, -3.0619e-2, -1.9901e+3, 2.8004e+1, -3.1033e+1),
    "HCO3- = CO3-2 + H+": (-6.9958e+1, -3.3526e-2, -7.0846e+1, 2.8224e+1, -1.0849e+0),
    "CaCO3 + H+ = Ca+2 + HCO3-": (-1.4978e+2, -4.837e-2, 4.8974e+3, 6.0458e+1, 7.6464e+1),
    "SiO2(quartz) = SiO2": (7.7698e-2, 1.0612e-2, 3.4651e+3, -4.3551e+0, -7.2138e+5),
}
# Debye-Hückel A and B of the source at 0.01, 25, 100, 150, 200, 250, 300 °C, and the
# grid cells (row, column) of the saturation curve at those temperatures.
SOURCE_DH = [(0.4939, 0.3253), (0.5114, 0.3288), (0.5995, 0.3421), (0.6855, 0.3525),
             (0.7994, 0.3639), (0.9593, 0.3766), (1.218, 0.3925)]
SATURATION_CELLS = [(0, 0), (0, 1), (1, 4), (3, 6), (5, 8), (7, 10), (9, 12)]


def analytic(a, t_c):
    T = t_c + 273.15
    return a[0] + a[1] * T + a[2] / T + a[3] * math.log10(T) + a[4] / T ** 2


def bundled():
    if not hasattr(bundled, "qvd"):
        bundled.qvd = reader.read(os.path.join(ROOT, "data", "DORNEVAL.QVD"))
    return bundled.qvd


def stored_in_run(records, run_components):
    return [r for r in records if all(n in run_components for _, n in r.pairs)]


class Records(unittest.TestCase):
    def setUp(self):
        self.qvd = bundled()
        self.comp = self.qvd.components

    def test_every_record_balanced_as_the_reader_checks(self):
        for r in self.qvd.species:
            z = sum(c * self.comp[n][1] for c, n in r.pairs)
            self.assertLess(abs(z - r.charge), 1e-5, r.name)
        for r in self.qvd.minerals:
            w = sum(c * self.comp[n][3] for c, n in r.pairs)
            z = sum(c * self.comp[n][1] for c, n in r.pairs)
            self.assertGreater(r.gfw, 0, r.name)
            self.assertLess(abs(w - r.gfw), 0.1, r.name)
            self.assertLess(abs(z), 1e-5, r.name)
            self.assertTrue(all(c != 0 and n != 0 for c, n in r.pairs), r.name)

    def test_component_lines(self):
        names = {n: c[0].rstrip() for n, c in self.comp.items()}
        fixed = {1: "H+", 2: "H2O", 3: "Cl-", 4: "SO4--", 6: "HS-", 10: "Ca++", 31: "O2,aq"}
        self.assertEqual({n: names[n] for n in fixed}, fixed)
        self.assertEqual([self.comp[n][0][:8] for n in (45, 46, 47)], ["CH4,aq! ", "H2,aq!  ", "N2,aq!  "])
        self.assertLessEqual(len(self.comp), 71)
        needed = {"Na+", "K+", "Mg++", "Fe++", "Al+++", "SiO2,aq", "HCO3-", "F-", "Ba++", "Sr++",
                  "Mn++", "Cu+", "Zn++", "Pb++", "Au+", "Ag+"}
        self.assertLessEqual(needed, set(names.values()))
        self.assertAlmostEqual(self.comp[2][3], 18.0152, places=4)

    def test_runs_with_every_component_fit_the_capacities(self):
        reaction = {n for n in self.comp if self.comp[n][0].strip() != "(unassigned)" and n < 45}
        for redox, other in ((31, 6), (6, 31)):
            run = reaction - {other}
            species = stored_in_run(self.qvd.species, run)
            minerals = stored_in_run(self.qvd.minerals, run)
            self.assertLessEqual(len(run) + len(species), 599, redox)
            self.assertLessEqual(len(minerals), 499, redox)
            self.assertEqual(len({r.name for r in species}), len(species), "a name twice in one run")
            self.assertEqual(len({r.name for r in minerals}), len(minerals), "a name twice in one run")
            gases = [r.name.strip() for r in minerals if r.flag == "GAS "]
            self.assertEqual([r.name.strip() for r in minerals[:len(gases)]], gases, "gases first")
            self.assertEqual(gases[:3], ["H2O,gas", "CO2,gas", "CH4,gas"])
            self.assertEqual([r.jsols for r in minerals[:3]], [6, 6, 6])
            electrum = [r.name.strip() for r in minerals if r.jsols == 10]
            self.assertEqual(electrum, ["Gold", "Silver"])

    def test_reactions_and_log_k_rows_as_the_program_reads_them(self):
        for r in self.qvd.species + self.qvd.minerals:
            numbers = [n for _, n in r.pairs]
            self.assertLessEqual(len(numbers), 12)
            self.assertNotIn(1, numbers[1:], f"{r.name}: H+ after the first component")
            self.assertFalse({6, 31} <= set(numbers), r.name)
            self.assertEqual(r.kind, "L-V ")
            self.assertEqual(len(r.logk), 8)
            # data at every point, 25-350 C: no record drops out of a run as it warms
            self.assertNotIn(NO_DATA, r.logk, r.name)
            self.assertTrue(all(abs(v) < 1000 for v in r.logk), r.name)
        names = {r.name.strip() for r in self.qvd.species}
        self.assertLessEqual({"CO2,aq", "CH4,aq", "H2S,aq", "H2,aq", "N2,aq", "NH3,aq", "OH-"}, names)
        self.assertFalse({n for n in names if "C2H" in n or "Acetate" in n})

    def test_preamble_credits_the_source(self):
        text = "\n".join(self.qvd.preamble)
        for phrase in ("Lawrence Livermore", "U.S. Geological Survey", "NOT the original distribution",
                       "User Rights Notice", "tools/convert_llnl.py"):
            self.assertIn(phrase, text)


class LogKSpotChecks(unittest.TestCase):
    """Converted log K against the source's expressions at 25 and 250 °C (columns 1 and 6)."""

    def record(self, name, section="species"):
        found = [r for r in getattr(bundled(), section) if r.name.strip() == name]
        self.assertEqual(len(found), 1, name)
        return found[0]

    def check(self, rec, expression, sign, pairs):
        self.assertEqual(sorted((n, c) for c, n in rec.pairs), sorted(pairs.items()))
        for col, t in ((0, 25.0), (5, 250.0)):
            self.assertAlmostEqual(rec.logk[col], sign * analytic(SOURCE_EXPRESSIONS[expression], t),
                                   delta=0.0006, msg=f"{rec.name.strip()} at {t} C")

    def test_oh_and_carbonate_dissociation(self):
        self.check(self.record("OH-"), "H2O = OH- + H+", -1, {1: -1.0, 2: 1.0})
        self.check(self.record("CO3--"), "HCO3- = CO3-2 + H+", -1, {1: -1.0, 13: 1.0})

    def test_calcite_and_quartz_hydrolysis(self):
        self.check(self.record("Calcite", "minerals"), "CaCO3 + H+ = Ca+2 + HCO3-", 1,
                   {1: -1.0, 10: 1.0, 13: 1.0})
        self.check(self.record("Quartz", "minerals"), "SiO2(quartz) = SiO2", 1, {12: 1.0})


class HeaderAndGases(unittest.TestCase):
    def test_debye_huckel_along_saturation_within_one_percent_of_the_source(self):
        a, b = bundled().grids[0], bundled().grids[1]
        for (r, c), (a_src, b_src) in zip(SATURATION_CELLS, SOURCE_DH):
            self.assertLess(abs(a[r][c] / a_src - 1), 0.01, (r, c))
            self.assertLess(abs(b[r][c] / b_src - 1), 0.01, (r, c))

    def test_bdot_grids_and_enthalpy_of_water(self):
        g3, g4, g5 = bundled().grids[2:]
        self.assertTrue(all(v == 0 for row in g3 for v in row))
        # 100 × (b-dot of the source at 25, 100, 300 C + 2 × 0.01801528 / ln 10)
        self.assertEqual([g4[0][c] for c in (1, 4, 12)], [5.6648, 6.1648, 1.5648])
        self.assertTrue(all(row == g4[0] for row in g4))
        T = 298.15        # the program's own pure-water formula below 100 C
        own = -777.40446 / T + 2.335628 + (2.30965e-5 * T - 0.00441813) * T
        self.assertAlmostEqual(g5[0][1], 0.4518, delta=0.0005)
        self.assertLess(abs(g5[0][1] - own), 0.02)
        self.assertTrue(all(g5[0][c] < g5[0][c + 1] for c in range(35)))

    def test_virial_coefficients_against_reference_values(self):
        gases = {r.name.strip(): r.eos for r in bundled().minerals if r.jsols == 6}
        RT = 83.14462618
        def b(eos, T):
            return (eos[0] / T ** 2 + eos[1] / T + eos[2]) * RT * T
        # second virial coefficients, cm³/mol: CO2 at 300 K about -122, CH4 at 300 K
        # about -43; H2O -114.0 at 573.15 K and -451.1 at 373.15 K (IAPWS-95), the water
        # fit being weighted by the saturation pressure: at 100 C its error in ln phi of
        # saturated steam (1.014 bar) stays under 0.005
        self.assertAlmostEqual(b(gases["CO2,gas"], 300.0), -122.0, delta=6.0)
        self.assertAlmostEqual(b(gases["CH4,gas"], 300.0), -43.0, delta=3.0)
        self.assertAlmostEqual(b(gases["H2O,gas"], 573.15), -114.0, delta=3.0)
        self.assertLess(abs(b(gases["H2O,gas"], 373.15) + 451.1) * 1.014 / (RT * 373.15), 0.005)
        cross = bundled().cross
        self.assertEqual(len(cross), 10)
        self.assertLess(cross[0][0] / 600.0 ** 2 + cross[0][1] / 600.0 + cross[0][2], 0)   # B12 < 0

    def test_steam_log_k_gives_the_boiling_pressure_of_water(self):
        # Pure water boils where phi P = 10^-log K, phi from the file's virial coefficients,
        # ln phi = (B + C P / 2) P.  Saturation pressures of IAPWS-95 (Wagner and Pruss 2002,
        # table 13.1), bar.
        steam = next(r for r in bundled().minerals if r.name.strip() == "H2O,gas")
        e = steam.eos
        iapws = {100.0: 1.01418, 150.0: 4.7616, 200.0: 15.549, 250.0: 39.762, 300.0: 85.879}
        temps = (25.0, 50.0, 100.0, 150.0, 200.0, 250.0, 300.0, 350.0)
        for t, p_sat in iapws.items():
            T = t + 273.15
            b = e[0] / T ** 2 + e[1] / T + e[2]
            c = e[3] / T ** 2 + e[4] / T + e[5]
            f = 10.0 ** -steam.logk[temps.index(t)]
            p = f
            for _ in range(50):
                p = f / math.exp((b + c * p / 2) * p)
            self.assertLess(abs(p / p_sat - 1), 0.01, t)


def core10():
    for path in (os.environ.get("ZQ_CORE10_DAT"), os.path.join(ROOT, "..", "shared", "data", "core10.dat")):
        if path and os.path.isfile(path):
            return path
    return None


class Densities(unittest.TestCase):
    def setUp(self):
        self.density = {r.name.strip(): r.density for r in bundled().minerals}
        self.gfw = {r.name.strip(): r.gfw for r in bundled().minerals}

    def test_common_minerals_against_handbook_densities(self):
        # g/cm3, Deer, Howie and Zussman (2013), An Introduction to the Rock-Forming Minerals
        handbook = {"Quartz": 2.65, "Calcite": 2.71, "Albite": 2.62, "K-Feldspar": 2.56,
                    "Forsterite": 3.22, "Muscovite": 2.83, "Kaolinite": 2.60, "Anhydrite": 2.96,
                    "Hematite": 5.26, "Magnetite": 5.20, "Pyrite": 5.01, "Dolomite": 2.86}
        for name, rho in handbook.items():
            self.assertAlmostEqual(self.density[name], rho, delta=0.02, msg=name)

    @unittest.skipIf(core10() is None, "core10.dat not available")
    def test_every_molar_volume_of_core10_gives_a_density(self):
        from qvdconv import phreeqc, selection, volumes
        names = 0
        for rec in phreeqc.read_database(core10()).phases:
            if not rec.vm or rec.vm <= 0:
                continue
            source = volumes.SYNONYMS.get(rec.name, rec.name)
            name = selection.RENAMES.get(source, source)
            if name in self.density:
                names += 1
                self.assertAlmostEqual(self.density[name], self.gfw[name] / rec.vm, delta=0.0006, msg=name)
        self.assertGreater(names, 250)


class Reactants(unittest.TestCase):
    def setUp(self):
        with open(os.path.join(ROOT, "data", "MINOX.DAT")) as f:
            lines = f.read().split("\n")
        self.comp = bundled().components
        start = next(i for i, l in enumerate(lines) if l[12:20] == "********") + 1
        self.records = {}
        for l in lines[start:]:
            if not l.strip():
                continue
            itot = int(l[30:32])
            pairs = [(reader.fixed_real(l[33 + 12 * j:43 + 12 * j], 3), int(l[43 + 12 * j:45 + 12 * j]))
                     for j in range(itot)]
            self.records[l[:20].rstrip()] = (reader.fixed_real(l[21:29], 2), pairs)

    def test_every_reactant_balanced_for_titration(self):
        self.assertGreater(len(self.records), 40)
        for name, (fw, pairs) in self.records.items():
            self.assertLessEqual(len(pairs), 12)
            self.assertLess(abs(sum(c * self.comp[n][3] for c, n in pairs) - fw), 0.1, name)
            self.assertLess(abs(sum(c * self.comp[n][1] for c, n in pairs)), 1e-8, name)

    def test_rock_keeps_its_oxide_analysis(self):
        fw, pairs = self.records["MORB"]
        moles = {n: c for c, n in pairs}
        # Gale et al. (2013): SiO2 50.47, MgO 7.58, K2O 0.16 of a total of 99.56 wt %
        self.assertAlmostEqual(moles[12] * 60.0843 / fw * 100, 50.47 / 99.56 * 100, delta=0.05)
        self.assertAlmostEqual(moles[8] * 40.3044 / fw * 100, 7.58 / 99.56 * 100, delta=0.05)
        self.assertAlmostEqual(moles[7] * 94.196 / 2 / fw * 100, 0.16 / 99.56 * 100, delta=0.02)
        self.assertNotIn(31, moles)                       # total iron as FeO: no redox component


if __name__ == "__main__":
    unittest.main()
