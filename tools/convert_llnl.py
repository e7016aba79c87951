#!/usr/bin/python3
"""Converts a PHREEQC-format thermodynamic database (llnl.dat) into DORNEVAL.QVD.

    /usr/bin/python3 tools/convert_llnl.py SOURCE [--volumes core10.dat]
                                          [-o data/DORNEVAL.QVD]
                                          [-r tools/conversion_report.txt]

--volumes names a PHREEQC-format database whose -Vm lines give the molar volumes of the
minerals (core10.dat), from which the mineral records get their densities.

Needs Debian's python3-iapws (which brings numpy and scipy).  The output depends only on
the source files and this code: the same sources give the same file, byte for byte.
"""
import argparse
import hashlib
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from qvdconv import phreeqc, convert as conv_mod, qvd, reader, report, virial, volumes, water  # noqa: E402
from qvdconv import selection as sel  # noqa: E402
from qvdconv.logk import TEMPERATURES  # noqa: E402

# Date of the conversion rules in force, for the modification notice the source's licence
# asks for.  Change it when the rules or the data change.
CONVERSION_DATE = "2026-12-09"


def interpolate_bdot(temps, bdot, t):
    """b-dot at t (°C), linear between the source's temperatures, constant beyond them."""
    if t <= temps[0]:
        return bdot[0]
    for (t0, b0), (t1, b1) in zip(zip(temps, bdot), zip(temps[1:], bdot[1:])):
        if t <= t1:
            return b0 + (b1 - b0) * (t - t0) / (t1 - t0)
    return bdot[-1]


# The program's log gamma of an ion is -A z² √I / (1 + å B √I) - Γ + Ḃ I, with
# Γ = log10(1 + 0.01801528 Σm) and Ḃ = 0.19 - 0.19 |z| + grid 4 / 100 + 166027 z² kB / r
# (kB from grid 3, r the size field), and Ḃ = 166027 kB / r alone for H+.  The source's
# B-dot model is -A z² √I / (1 + å B √I) + Ḃ I, one Ḃ for every ion.  Grid 3 stays 0: the
# term in z²/r cannot separate the charges (Mg++ and Na+ have nearly the same z²/r), and
# with it 0 the radius r serves the ion size alone.  Grid 4 is 100 × (the source's Ḃ + the
# slope of Γ in a 1:1 electrolyte, where Σm = 2 I): singly charged ions then get the
# source's log gamma within 3e-6 at I = 0.1 and 1.4e-4 at I = 0.7 in NaCl solutions.
# What cannot be matched: H+ has no grid-4 term (its log gamma is lower by Ḃ I + Γ), and
# the charge term -0.19 (|z| - 1) lowers every multiply charged ion by 0.19 I per charge
# above one.
GAMMA_SLOPE = 2.0 * 0.01801528 / math.log(10.0)


def header_grids(db):
    grid_a, grid_b, grid_h, steam = water.grid_values()
    temps, bdot = db.llnl["temperatures"], db.llnl["bdot"]
    grid_3 = [[0.0] * 36 for _ in range(37)]
    row4 = [100.0 * (interpolate_bdot(temps, bdot, t) + GAMMA_SLOPE) for t in water.TEMPERATURES]
    grid_4 = [list(row4) for _ in range(37)]
    return [(grid_a, 5), (grid_b, 5), (grid_3, 1), (grid_4, 4), (grid_h, 5)], steam


GRID_CAPTIONS = [
    ("Header grids: 37 rows (pressures 1 ... 5000 bar) x 36 values (0.01 ... 600 C).",
     "Grid 1: Debye-Huckel A (kg^0.5 mol^-0.5), IAPWS-95 density, Johnson-Norton dielectric."),
    ("", "Grid 2: Debye-Huckel B (1/Angstrom kg^0.5 mol^-0.5)."),
    ("", "Grid 3: deviation-function coefficient, 0 (b-dot from grid 4 alone)."),
    ("", "Grid 4: 100 x (b-dot of the source, linear in temperature, + 0.015648), at every pressure."),
    ("", "Grid 5: molar enthalpy of water, kcal/mol, from liquid water at the triple point."),
]


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("source", help="PHREEQC-format database, e.g. llnl.dat")
    here = os.path.dirname(os.path.abspath(__file__))
    ap.add_argument("-o", "--output", default=os.path.join(here, "..", "data", "DORNEVAL.QVD"))
    ap.add_argument("-r", "--report", default=os.path.join(here, "conversion_report.txt"))
    ap.add_argument("-v", "--volumes", help="database with the molar volumes of minerals, e.g. core10.dat")
    args = ap.parse_args(argv)

    digest = sha256(args.source)
    db = phreeqc.read_database(args.source)
    vol_source, vol_table = None, None
    if args.volumes:
        vol_source = (os.path.basename(args.volumes), sha256(args.volumes))
        vol_table = volumes.molar_volumes(phreeqc.read_database(args.volumes))
    pure, cross, fit_errors = virial.coefficients()
    conv = conv_mod.convert(db, virial=(pure, cross), volumes=vol_table)
    grids, steam = header_grids(db)

    components = []
    by_number = {c.number: c for c in conv.components}
    last = max(by_number)
    for n in range(1, last + 1):
        c = by_number.get(n)
        if c is None:
            components.append(qvd.component_line(n, sel.UNASSIGNED_NAME, 0, 0.0, 0.0,
                                                 "number not used"))
        else:
            note = "decoupled: in no reaction" if not c.reaction else f"source {c.source}"
            components.append(qvd.component_line(n, c.name, conv.charges[n], conv.sizes[n],
                                                 conv.weights[n], note))
    src_name = os.path.basename(args.source)
    species = [(e, report.record_note(e)) for e in conv.species]
    minerals = [(e, report.record_note(e)) for e in conv.gases + conv.minerals]
    cross_lines = list(zip(virial.CROSS_LABELS, cross))
    preamble = report.preamble(src_name, digest, CONVERSION_DATE, conv, vol_source)
    qvd.write(args.output, preamble, grids, GRID_CAPTIONS, components, species, cross_lines,
              minerals)

    check = reader.read(args.output)
    problems = reader.imbalances(check)
    if problems:
        for p in problems:
            print("imbalance:", *p, file=sys.stderr)
        return 1
    report.write_report(args.report, src_name, digest, conv, check, grids, steam, db,
                        fit_errors, (pure, cross), vol_source, vol_table)
    ns_o2, nm_o2 = conv_mod.run_counts(conv, "O2")
    print(f"{os.path.relpath(args.output)}: {len(check.components)} component lines, {len(check.species)} "
          f"species records, {len(check.minerals)} mineral and gas records; a run with every "
          f"component stores at most {ns_o2} species and {nm_o2} minerals and gases")
    return 0


if __name__ == "__main__":
    sys.exit(main())
