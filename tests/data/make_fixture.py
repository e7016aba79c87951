#!/usr/bin/env python3
"""Writes the small test database tests/data/fixture/DORNEVAL.QVD and its MINOX.DAT.

Every log K is linear in temperature and independent of pressure, a + b*T (T in C), so
any interpolation of it gives a + b*T exactly and the tests can state expected values in
closed form. Run from anywhere: python3 tests/data/make_fixture.py
"""
import os

T_GRID = [0.01, 25, 50, 75, 100, 125, 150, 175, 200, 225, 250, 275, 300, 325, 350,
          400, 410, 420, 430, 440, 450, 460, 470, 480, 490, 500, 510, 520, 530, 540,
          550, 560, 570, 580, 590, 600]
LV_T = [25, 50, 100, 150, 200, 250, 300, 350]
NO_DATA = 99999.999

# Database component number -> (name, charge, ion size, gram formula weight).
COMPONENTS = {
    1: ("H+", 1, 9.0, 1.0079), 2: ("H2O", 0, 0.0, 18.0153), 3: ("Na+", 1, 4.0, 22.9898),
    4: ("K+", 1, 3.0, 39.0983), 5: ("Ca++", 2, 6.0, 40.078), 6: ("HS-", -1, 3.5, 33.0739),
    7: ("Cl-", -1, 3.0, 35.4527), 8: ("SiO2,aq", 0, 0.0, 60.0843),
    9: ("HCO3-", -1, 4.0, 61.0171), 10: ("Mg++", 2, 8.0, 24.305), 11: ("Al+++", 3, 9.0, 26.9815),
    12: ("Fe++", 2, 6.0, 55.847), 13: ("SO4--", -2, 4.0, 96.0636), 14: ("F-", -1, 3.5, 18.9984),
    31: ("O2,aq", 0, 0.0, 31.9988), 45: ("CH4,aq!", 0, 0.0, 16.0428),
    46: ("H2,aq!", 0, 0.0, 2.0159), 47: ("N2,aq!", 0, 0.0, 28.0134), 48: ("NH4+", 1, 2.5, 18.0385),
}
LAST_COMPONENT = 48


def grid_rows(a, b, nodata):
    return [[NO_DATA if nodata else a + b * t for t in T_GRID] for _ in range(37)]


def logk_lines(data):
    """data: ('lin', a, b, split) 'All ' grid; ('nodata',); ('lv', a, b, n_valid)."""
    out = []
    if data[0] in ("lin", "nodata"):
        rows = grid_rows(data[1], data[2], False) if data[0] == "lin" else grid_rows(0, 0, True)
        split = data[3] if data[0] == "lin" else 1
        per = 36 // split
        for row in rows:
            for k in range(split):
                out.append(" ".join("%12.6f" % v for v in row[k * per:(k + 1) * per]))
    else:
        vals = [data[1] + data[2] * t for t in LV_T]
        vals = [v if i < data[3] else NO_DATA for i, v in enumerate(vals)]
        out.append(", ".join("%.6f" % v for v in vals))
    return out


def species_record(name, flag, kind, charge, size, pairs, data):
    lines = ["  ---- %s" % name]
    lines.append("%-20s%60s%-4s%6s%-4s" % (name, "", flag, "", kind))
    lines.append("%8s%3d%15s%5.2f%10s%6.3f" % ("", charge, "", size, "", 0.0))
    lines.append("%2d " % len(pairs) + "".join("%10.3f%2d" % p for p in pairs))
    return lines + logk_lines(data)


def mineral_record(name, jsols, site_n, flag, kind, gfw, density, pairs, data, eos=None):
    lines = ["  ---- %s" % name]
    lines.append("%-20s%46s%2d%8.3f%4s%-4s%6s%-4s" % (name, "", jsols, site_n, "", flag, "", kind))
    lines.append("%-13s%8.3f%37s%6.3f" % ("   gfw, rho:", gfw, "", density))
    lines.append("%3d" % len(pairs) + "".join("%9.3f%3d" % p for p in pairs))
    if eos is not None:
        lines.append("    " + "".join("%12.5f" % v for v in eos))
    return lines + logk_lines(data)


def lin(a, b, split=1):
    return ("lin", a, b, split)


def lv(a, b, n=8):
    return ("lv", a, b, n)


NODATA = ("nodata",)

SPECIES = [
    ("OH-", "", "All ", -1, 3.5, [(-1, 1), (1, 2)], lin(-14.0, 0.02, 4)),
    ("NaCl,aq", "", "All ", 0, 0.0, [(1, 3), (1, 7)], lin(0.5, 0.005)),
    ("CO2,aq", "", "All ", 0, 0.0, [(1, 1), (1, 9), (-1, 2)], lin(-6.3, 0.01, 2)),
    ("CH4,aq", "", "All ", 0, 0.0, [(1, 1), (1, 9), (1, 2), (-2, 31)], lin(-140.0, 0.1)),
    ("ethanol,aq", "", "All ", 0, 0.0, [(2, 1), (2, 9), (1, 2), (-3, 31)], lin(-200.0, 0.2)),
    ("H2,aq", "", "L-V ", 0, 0.0, [(1, 2), (-0.5, 31)], lv(-46.0, 0.05)),
    ("N2,aq", "", "All ", 0, 0.0, [(1, 47)], lin(0.0, 0.001)),
    ("NH3,aq", "", "All ", 0, 0.0, [(-1, 1), (1, 48)], lin(9.2, -0.02)),
    ("HCl,aq", "SUPP", "All ", 0, 0.0, [(1, 1), (1, 7)], NODATA),
    ("KCl,aq", "", "L-V ", 0, 0.0, [(1, 4), (1, 7)], lv(-0.7, 0.002)),
    ("CaCl+", "", "All ", 1, 4.0, [(1, 5), (1, 7)], lin(-0.3, 0.004)),
    ("MgOH+", "", "All ", 1, 4.0, [(-1, 1), (1, 10), (1, 2)], NODATA),
    ("Mg4(OH)4++++,aq", "", "All ", 4, 0.0, [(-4, 1), (4, 10), (4, 2)], NODATA),
    ("HSiO3-", "", "All ", -1, 4.0, [(1, 8), (1, 2), (-1, 1)], lin(-9.8, 0.01)),
    ("AlOH++", "", "All ", 2, 4.5, [(-1, 1), (1, 11), (1, 2)], lin(-5.0, 0.01)),
    ("H2S,aq", "", "All ", 0, 0.0, [(1, 1), (1, 6)], lin(-7.0, 0.006)),
    ("NaSO4-", "SUPP", "All ", -1, 4.0, [(1, 3), (1, 13)], lin(-0.7, 0.001)),
    ("KHSiO3,aq", "", "L-V ", 0, 0.0, [(-1, 1), (1, 4), (1, 8), (1, 2)], lv(-8.0, 0.01, 2)),
    ("CaOH+", "", "All ", 1, 4.0, [(-1, 1), (1, 5), (1, 2)], lin(-12.8, 0.015)),
]

# Cross virial coefficients B12 .. C123: (c1, c2, c3) of c1/T^2 + c2/T + c3.
CROSS = [(1000.0 * k, -10.0 * k, 0.01 * k) for k in range(1, 11)]

MINERALS = [
    ("H2O,gas", 6, 1.0, "GAS ", "All ", 18.015, 0.0, [(1, 2)], lin(1.5, -0.01),
     (125000.0, -620.0, 0.75, -3.5e3, 12.0, -0.02)),
    ("CO2,gas", 6, 1.0, "GAS ", "All ", 44.010, 0.0, [(1, 1), (1, 9), (-1, 2)], lin(7.8, 0.01),
     (-98000.0, 330.0, -0.25, 2.0e3, -8.0, 0.015)),
    ("CH4,gas", 6, 1.0, "GAS ", "All ", 16.043, 0.0, [(1, 45)], lin(2.8, 0.005),
     (-52000.0, 150.0, -0.1, 1.0e3, -4.0, 0.01)),
    ("O2,gas", 0, 0.0, "GAS ", "All ", 31.999, 0.0, [(1, 31)], lin(2.9, 0.004)),
    ("Quartz", 0, 0.0, "", "All ", 60.084, 2.648, [(1, 8)], lin(-4.0, 0.01, 3)),
    ("Halite", 0, 0.0, "", "All ", 58.443, 0.0, [(1, 3), (1, 7)], lin(1.6, -0.002)),
    ("Calcite", 2, 1.0, "", "All ", 100.087, 2.71, [(-1, 1), (1, 5), (1, 9)], lin(1.8, -0.012)),
    ("Magnesite", 2, 2.0, "", "All ", 84.314, 3.0, [(-1, 1), (1, 10), (1, 9)], lin(2.3, -0.015)),
    ("Sylvite", 0, 0.0, "", "L-V ", 74.551, 1.99, [(1, 4), (1, 7)], lv(0.9, 0.001)),
    ("Fluorite", 0, 0.0, "SUPP", "All ", 78.075, 0.0, [(1, 5), (2, 14)], lin(-10.0, 0.01)),
    ("Gypsum", 0, 0.0, "", "All ", 172.17, 2.3, [(1, 5), (1, 13), (2, 2)], lin(-4.6, 0.002)),
    ("Anhydrite", 0, 0.0, "", "All ", 136.14, 2.97, [(1, 5), (1, 13)], NODATA),
    ("Corundum", 0, 0.0, "", "All ", 101.961, 3.98, [(-6, 1), (2, 11), (3, 2)], lin(18.0, -0.05)),
    ("Portlandite", 0, 0.0, "", "All ", 74.093, 2.24, [(-2, 1), (1, 5), (2, 2)], lin(22.8, -0.04)),
]

HEADER = [0.5, 0.25, 3.0, 4.0, 10.0]  # constant grids: DH A, DH B, two deviation coefficients, heat


def database():
    out = ["DORNEVAL.QVD: small test database of ZARN-QVD (generated by make_fixture.py)",
           "********    not the marker: the asterisks must be in columns 13-20",
           "*" * 80, "Header grids: DH A, DH B, deviation coefficients, heat content of water",
           "  pressures 1..5000 bar down, temperatures 0.01..600 C across"]
    for value in HEADER:
        for _ in range(37):
            out.append(" ".join("%8.4f" % value for _ in range(18)))
            out.append(" ".join("%8.4f" % value for _ in range(18)))
        out += ["  end of grid", "  ----"]
    out.append("Component species: name, charge, size, gfw")
    for k in range(1, LAST_COMPONENT + 1):
        name, z, size, gfw = COMPONENTS.get(k, ("Cmp%02d" % k, 0, 0.0, 10.0))
        out.append("%-20s%2d%6s%3.1f%8s%8.4f%8.4f   comment" % (name, z, "", size, "", gfw, 0.0))
    out.append("")
    for sp in SPECIES:
        out += species_record(*sp)
    out += ["  ---- end of derived species", ""]
    for k, c in enumerate(CROSS):
        label = ["B12", "B13", "B23", "C112", "C122", "C113", "C133", "C223", "C233", "C123"][k]
        out.append("%-8s" % label + "".join("%12.5E" % v for v in c))
    out.append("Minerals and gases")
    for mn in MINERALS:
        out += mineral_record(*mn)
    out += ["  ---- end of minerals", "", "", ""]
    return "\n".join(out) + "\n"


def minox():
    out = ["MINOX.DAT: reactant compositions (test fixture)",
           "name                 gfw      n  coef      sp",
           "            ********"]
    rows = [("Quartz-sand", 60.08, [(1, 8)]),
            ("Halite-rock", 58.44, [(1, 3), (1, 7)]),
            ("Feldspar", 278.33, [(1, 4), (1, 11), (3, 8), (-4, 1), (2, 2)]),
            ("Calcite-rock", 100.09, [(-1, 1), (1, 5), (1, 9)])]
    for name, fw, pairs in rows:
        out.append("%-20s %8.2f %2d " % (name, fw, len(pairs)) + "".join("%10.3f%2d" % p for p in pairs))
    return "\n".join(out) + "\n"


def main():
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixture")
    os.makedirs(here, exist_ok=True)
    with open(os.path.join(here, "DORNEVAL.QVD"), "w") as f:
        f.write(database())
    with open(os.path.join(here, "MINOX.DAT"), "w") as f:
        f.write(minox())


if __name__ == "__main__":
    main()
