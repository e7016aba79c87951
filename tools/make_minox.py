#!/usr/bin/python3
"""Writes the reactant file MINOX.DAT: average rocks from published oxide analyses and
common minerals, in the component basis of the bundled database.

    /usr/bin/python3 tools/make_minox.py [-d data/DORNEVAL.QVD] [-o data/MINOX.DAT]

Component names, charges and gram formula weights are taken from the database's
component lines, so that every reactant balances in weight and charge against it.
"""
import argparse
import os
import sys
from fractions import Fraction

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from qvdconv import reader, selection  # noqa: E402
from qvdconv.composition import CompositionBasis  # noqa: E402
from qvdconv.fixed import a_field, f_field, i_field  # noqa: E402

# Oxide analyses, weight per cent, as published.
#  MORB: Gale, A., Dalton, C. A., Langmuir, C. H., Su, Y., Schilling, J.-G. (2013) The
#    mean composition of ocean ridge basalts. Geochem. Geophys. Geosyst. 14, 489-518,
#    "ALL MORB" mean; iron is total iron as FeO.
#  Basalt, andesite, granite: Le Maitre, R. W. (1976) The chemical variability of some
#    common igneous rocks. J. Petrology 17, 589-637, average compositions.
ROCKS = {
    "MORB": (
        "Gale et al. (2013), mean ocean-ridge basalt (ALL MORB), total Fe as FeO",
        {"SiO2": 50.47, "TiO2": 1.68, "Al2O3": 14.70, "FeO": 10.43, "MnO": 0.18,
         "MgO": 7.58, "CaO": 11.39, "Na2O": 2.79, "K2O": 0.16, "P2O5": 0.18}),
    "Basalt": (
        "Le Maitre (1976), average basalt",
        {"SiO2": 49.20, "TiO2": 1.84, "Al2O3": 15.74, "Fe2O3": 3.79, "FeO": 7.13,
         "MnO": 0.20, "MgO": 6.73, "CaO": 9.47, "Na2O": 2.91, "K2O": 1.10, "P2O5": 0.35,
         "H2O+": 0.95, "H2O-": 0.43, "CO2": 0.11}),
    "Andesite": (
        "Le Maitre (1976), average andesite",
        {"SiO2": 57.94, "TiO2": 0.87, "Al2O3": 17.02, "Fe2O3": 3.27, "FeO": 4.04,
         "MnO": 0.14, "MgO": 3.33, "CaO": 6.79, "Na2O": 3.48, "K2O": 1.62, "P2O5": 0.21,
         "H2O+": 0.83, "H2O-": 0.34, "CO2": 0.05}),
    "Granite": (
        "Le Maitre (1976), average granite",
        {"SiO2": 71.30, "TiO2": 0.31, "Al2O3": 14.32, "Fe2O3": 1.21, "FeO": 1.64,
         "MnO": 0.05, "MgO": 0.71, "CaO": 1.84, "Na2O": 3.68, "K2O": 4.07, "P2O5": 0.12,
         "H2O+": 0.64, "H2O-": 0.13, "CO2": 0.05}),
}
OXIDE_FORMULA = {"H2O+": "H2O"}
# A reactant holds at most 12 components: the Le Maitre rocks, whose ferric iron needs
# O2,aq, leave out TiO2 and CO2 (0.3-1.8 and 0.05-0.11 wt %); adsorbed water (H2O-) is
# not part of a rock.  The rest is normalised to 100 %.
LEFT_OUT = {"MORB": (), "Basalt": ("TiO2", "CO2", "H2O-"),
            "Andesite": ("TiO2", "CO2", "H2O-"), "Granite": ("TiO2", "CO2", "H2O-")}
ROCK_GRAMS = 1000.0          # one "mole" of a rock reactant is 1 kg of rock

# Minerals: name, formula.  Those holding ferric iron, sulfide or a native metal are
# written twice: NAME in the O2,aq basis, NAME,HS in the HS- basis.
MINERALS = (
    ("Quartz", "SiO2"), ("Calcite", "CaCO3"), ("Dolomite", "CaMg(CO3)2"),
    ("Magnesite", "MgCO3"), ("Siderite", "FeCO3"), ("Rhodochrosite", "MnCO3"),
    ("Albite", "NaAlSi3O8"), ("K-Feldspar", "KAlSi3O8"), ("Anorthite", "CaAl2Si2O8"),
    ("Muscovite", "KAl3Si3O10(OH)2"), ("Kaolinite", "Al2Si2O5(OH)4"),
    ("Forsterite", "Mg2SiO4"), ("Fayalite", "Fe2SiO4"), ("Diopside", "CaMgSi2O6"),
    ("Enstatite", "MgSiO3"), ("Wollastonite", "CaSiO3"),
    ("Tremolite", "Ca2Mg5Si8O22(OH)2"), ("Talc", "Mg3Si4O10(OH)2"),
    ("Clinochlore-14A", "Mg5Al2Si3O10(OH)8"), ("Prehnite", "Ca2Al2Si3O10(OH)2"),
    ("Clinozoisite", "Ca2Al3Si3O12(OH)"), ("Brucite", "Mg(OH)2"), ("Gibbsite", "Al(OH)3"),
    ("Anhydrite", "CaSO4"), ("Gypsum", "CaSO4:2H2O"), ("Halite", "NaCl"), ("Sylvite", "KCl"),
    ("Fluorite", "CaF2"), ("Barite", "BaSO4"), ("Celestite", "SrSO4"),
    ("Hydroxylapatite", "Ca5(PO4)3OH"),
    ("Magnetite", "Fe3O4"), ("Hematite", "Fe2O3"), ("Goethite", "FeOOH"),
    ("Epidote", "Ca2FeAl2Si3O12OH"), ("Pyrite", "FeS2"), ("Pyrrhotite", "FeS"),
    ("Chalcopyrite", "CuFeS2"), ("Chalcocite", "Cu2S"), ("Galena", "PbS"),
    ("Sphalerite", "ZnS"), ("Acanthite", "Ag2S"), ("Gold", "Au"), ("Silver", "Ag"),
)

HEADER = """\
MINOX.DAT - reactant compositions for ZARN-QVD
Written by tools/make_minox.py in the component basis of data/DORNEVAL.QVD.
Record: name (1-20), formula weight (22-29), ITOT (31-32), then ITOT pairs of
coefficient (10 columns) and database component number (2 columns) from column 34.

Rocks: one mole of rock reactant is 1000 g of rock; coefficients are moles of each
component in 1 kg.  Oxide analyses, weight per cent:
{rocks}
  Gale, A., Dalton, C. A., Langmuir, C. H., Su, Y., Schilling, J.-G. (2013) The mean
    composition of ocean ridge basalts. Geochem. Geophys. Geosyst. 14, 489-518.
  Le Maitre, R. W. (1976) The chemical variability of some common igneous rocks.
    J. Petrology 17, 589-637.
  Oxides are converted to components (Al2O3 = 2 Al+++ + 3 H2O - 6 H+, ...); the ferric
  iron of the Le Maitre rocks is written with O2,aq (Fe2O3 = 2 Fe++ + 2 H2O - 4 H+
  + 0.5 O2,aq), so those rocks need O2,aq (component 31) in the run; MORB needs no redox
  component.  H+ is set last so that each rock is exactly neutral.

Minerals: one formula unit.  NAME is written in the O2,aq basis and NAME,HS in the HS-
basis (with SO4-- and HS-) for minerals with ferric iron, sulfide or a native metal; use
the form whose redox component is in the run.

Component numbers: {comps}
"""


def read_components(qvd_path):
    qvd = reader.read(qvd_path)
    weights = {n: c[3] for n, c in qvd.components.items()}
    charges = {n: c[1] for n, c in qvd.components.items()}
    return weights, charges


def record(name, fw, nu):
    if len(nu) > 12:
        raise ValueError(f"{name}: {len(nu)} components")
    line = a_field(name, 20) + " " + f_field(fw, 8, 2) + " " + i_field(len(nu), 2) + " "
    for number in sorted(nu):
        line += f_field(nu[number], 10, 3) + i_field(number, 2)
    return line


def mineral_entries(bases, weights):
    out = []
    for name, formula in MINERALS:
        forms = [(name, bases["O2"].solve(formula))]
        if 31 in forms[0][1] or 6 in bases["HS"].solve(formula):
            forms.append((name + ",HS", bases["HS"].solve(formula)))
        for nm, nu in forms:
            if any((v * 1000).denominator != 1 for v in nu.values()):
                raise ValueError(f"{nm}: coefficients not exact with three decimals")
            fw = sum(float(v) * weights[n] for n, v in nu.items())
            out.append((nm, fw, nu, formula))
    return out


def rock_entry(name, bases, weights, charges):
    _, oxides = ROCKS[name]
    kept = {ox: w for ox, w in oxides.items() if ox not in LEFT_OUT[name]}
    total = sum(kept.values())
    comp = {}
    for ox, wt in kept.items():
        nu = bases["O2"].solve(OXIDE_FORMULA.get(ox, ox))
        molar_mass = sum(float(v) * weights[n] for n, v in nu.items())
        moles = ROCK_GRAMS * wt / total / molar_mass
        for n, v in nu.items():
            comp[n] = comp.get(n, 0.0) + float(v) * moles
    rounded = {n: Fraction(round(v * 1000), 1000) for n, v in comp.items() if n != 1}
    rounded = {n: v for n, v in rounded.items() if v != 0}
    rounded[1] = -sum(v * Fraction(int(charges[n])) for n, v in rounded.items())
    fw = sum(float(v) * weights[n] for n, v in rounded.items())
    return fw, rounded


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("-d", "--database", default=os.path.join(here, "..", "data", "DORNEVAL.QVD"))
    ap.add_argument("-o", "--output", default=os.path.join(here, "..", "data", "MINOX.DAT"))
    args = ap.parse_args(argv)
    weights, charges = read_components(args.database)
    bases = {m: CompositionBasis(selection.COMPONENTS, m) for m in ("O2", "HS")}

    rock_lines = []
    for name, (cite, oxides) in ROCKS.items():
        analysis = ", ".join(f"{ox} {w:.2f}" for ox, w in oxides.items())
        gone = LEFT_OUT[name]
        rock_lines.append(f"  {name}: {cite}:")
        rock_lines.append(f"    {analysis}" + (f"; left out: {', '.join(gone)}" if gone else ""))
    header = HEADER.format(rocks="\n".join(_wrap(rock_lines)), comps="")
    lines = header.rstrip("\n").splitlines()
    lines[-1] = lines[-1].rstrip()
    cur = " "
    for c in selection.COMPONENTS:
        if not c.reaction:
            continue
        item = f" {c.number} {c.name},"
        if len(cur) + len(item) > 88:
            lines.append(cur)
            cur = " "
        cur += item
    lines.append(cur.rstrip(","))
    lines.append("")
    lines.append("Name                  Weight ITOT  coefficient/component ...")
    marker = " " * 12 + "*" * 8 + "-" * 20
    for line in lines:
        if line[12:20] == "********":
            raise ValueError("a header line would be taken as the marker")
    lines.append(marker)
    for name in ROCKS:
        fw, nu = rock_entry(name, bases, weights, charges)
        lines.append(record(name, fw, nu))
    for name, fw, nu, _ in mineral_entries(bases, weights):
        lines.append(record(name, fw, nu))
    with open(args.output, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    print(f"{os.path.relpath(args.output)}: {len(ROCKS)} rocks, "
          f"{len(mineral_entries(bases, weights))} mineral records")
    return 0


def _wrap(lines, width=88):
    out = []
    for line in lines:
        indent = len(line) - len(line.lstrip())
        cur = ""
        for word in line.split():
            if cur and len(cur) + 1 + len(word) > width:
                out.append(cur)
                cur = " " * (indent + 2) + word
            else:
                cur = (cur + " " + word) if cur else " " * indent + word
        out.append(cur)
    return out


if __name__ == "__main__":
    sys.exit(main())
