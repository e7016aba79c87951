"""Texts of the conversion: the database preamble (credit and notice), the description
line of each record, and the conversion report."""
import collections
import os

from .logk import TEMPERATURES
from . import selection as sel
from .convert import run_counts
from . import ionsize

NOTICE_FILE = "PHREEQC-NOTICE.TXT"

USGS_NOTICE = """\
                            User Rights Notice

This software and related material (data and (or) documentation),
contained in or furnished in connection with PHREEQC, are made available
by the U.S. Geological Survey (USGS) to be used in the public interest
and in the advancement of science.  You may, without any fee or cost,
use, copy, modify, or distribute this software, and any derivative works
thereof, and its supporting documentation, subject to the following
restrictions and understandings.

If you distribute copies or modifications of the software and related
material, make sure the recipients receive a copy of this notice and
receive or can get a copy of the original distribution.  If the software
and (or) related material are modified and distributed, it must be
made clear that the recipients do not have the original and they must
be informed of the extent of the modifications.  For example, modified
files must include a prominent notice stating the modifications made, the
author of the modifications, and the date the modifications were made.
This restriction is necessary to guard against problems introduced in the
software by others, reflecting negatively on the reputation of the USGS.

The software is public property and you therefore have the right to
the source code, if desired.

You may charge fees for distribution, warranties, and services provided
in connection with the software or derivative works thereof.  The name
USGS can be used in any advertising or publicity to endorse or promote
any products or commercial entity using this software if specific
written permission is obtained from the USGS.

The user agrees to appropriately acknowledge the authors and the USGS
in publications that result from the use of this software or in products
that include this software in whole or in part.

Although this software program has been used by the U.S. Geological
Survey (USGS), no warranty, expressed or implied, is made by the USGS
or the U.S. Government as to the accuracy and functioning of the
program and related program material nor shall the fact of distribution
constitute any such warranty, and no responsibility is assumed by the
USGS in connection therewith.

The authors, the USGS, and the United States Government are not
obligated to provide the user with any support, consulting, training or
assistance of any kind with regard to the use, operation, and
performance of this software nor to provide the user with any updates,
revisions, new versions, or "bug fixes."

The user assumes all risk for any damages whatsoever resulting from
loss of use, data, or profits arising in connection with the access,
use, quality, or performance of this software.
"""


def method_text(logk):
    """How a record's log K was made, and where it is extrapolated beyond the source's data."""
    if logk.method == "analytic":
        if logk.valid_to >= TEMPERATURES[-1]:
            return "log K from the analytic expression"
        return f"log K from the analytic expression, extrapolated above {logk.valid_to:g} C"
    if logk.method == "van 't Hoff":
        return "log K from log K(25 C) and delta H (van 't Hoff) at every temperature"
    if logk.method == "25 only":
        return "log K(25 C) held at every temperature"
    if logk.method == "IAPWS-95":
        return "log K from the IAPWS-95 fugacity of saturated steam, not the source's"
    return "log K exact"


def record_note(e):
    where = {"both": "", "O2": ", O2,aq basis", "HS": ", HS- basis"}[e.mode]
    return f"  {e.source} (source line {e.line}): {e.reaction_text}; {method_text(e.logk)}{where}"


def _volumes_credit(volumes):
    if volumes is None:
        return ""
    name, digest = volumes
    return f"""
The molar volumes of minerals, from which the densities are computed, come from the
PHREEQC-format database {name} (sha256 {digest[:16]}...) of Neveu, M., Desch, S. J. and
Castillo-Rogez, J. C. (2017), Aqueous geochemistry in icy world interiors: equilibrium
fluid, rock, and gas compositions, and fate of antifreezes and radionuclides.  Geochimica
et Cosmochimica Acta 212, 324-371, doi:10.1016/j.gca.2017.06.023, distributed with
PHREEQC by the USGS.  Please acknowledge those authors too.
"""


def _density_note(volumes, conv):
    if volumes is None:
        return "- Mineral densities are 0 (the program assumes 2.5): the source gives no molar volumes."
    n = len({e.name for e in conv.minerals if e.density > 0})
    total = len({e.name for e in conv.minerals})
    return f"""- Mineral densities are added: gram formula weight / molar volume, with the molar
  volumes (-Vm) of {volumes[0]} where it has the mineral under the same name (or under the
  names listed in tools/qvdconv/volumes.py), for {n} of the {total} minerals; the others
  have density 0, which the program reads as 2.5."""


def preamble(src_name, digest, date, conv, volumes=None):
    """The text before the marker line; `volumes` is (file name, sha256) of the source of
    the molar volumes, or None."""
    text = f"""\
DORNEVAL.QVD - thermodynamic database of ZARN-QVD
==================================================

Converted from the LLNL thermodynamic database thermo.com.V8.R6.230, prepared by Jim
Johnson at Lawrence Livermore National Laboratory and converted to PHREEQC format by
Greg Anderson with help from David Parkhurst, in the PHREEQC-format file {src_name}
distributed with PHREEQC by the U.S. Geological Survey (sha256 {digest[:16]}...).
Please acknowledge the authors of those data and the USGS in work that uses this file.
{_volumes_credit(volumes)}
This is NOT the original distribution.  Modifications made by the ZARN-QVD developers
on {date} with tools/convert_llnl.py of ZARN-QVD:
- A subset of the species, minerals and gases, chosen by their elements (the components
  below); no organic species and no gases of single atoms.  Records whose reactions need
  more than 12 components or coefficients with more than three decimals, and names over
  20 characters, are left out; tools/conversion_report.txt lists each and why.
- Every reaction is rewritten in this file's component basis (dissociation of derived
  species, hydrolysis of minerals and gases), its log K transformed by the same reactions.
- Log K is tabulated at 25, 50, 100, 150, 200, 250, 300, 350 C along the liquid-vapour
  saturation curve as the source's own programs make it at any temperature: from the
  source's analytic expressions, also beyond the range the source states for them (most
  end at 300 C, some at 200 or 150 C); where the source has none, from log K at 25 C and
  the enthalpy of reaction (van 't Hoff), else log K at 25 C held at every temperature.
  The first line of each record and tools/conversion_report.txt say how its log K was
  made and above which temperature it is extrapolated.
- The size field of an ion holds the radius r from which the program makes the source's
  ion-size parameter a = 2 (|z| k + r) / (|z| + 1), k = 1.81 for cations and 1.91 for
  anions.  In the 3 columns of a component line r is written without a decimal point
  ("219" reads 2.19), and from 10 on as a whole number; tools/conversion_report.txt lists
  the ions whose ion size thus differs from the source's.
- Redox goes through O2,aq or through the SO4--/HS- couple.  Records that need either
  appear twice under the same name, in the O2,aq basis and then in the HS- basis; a run
  holds O2,aq or HS-, never both, and keeps one of the two without a message.
- The element weight of O is corrected from 15.994 to 15.9994; formula weights are
  recomputed from the element weights.
- The header grids (Debye-Huckel A and B, b-dot, enthalpy of water) are recomputed on the
  full pressure-temperature grid from IAPWS-95 water properties and the dielectric
  constant of Johnson and Norton (1991).  The b-dot grid holds the source's b-dot,
  interpolated, plus 0.015648, which offsets in 1:1 solutions the molality-conversion term
  the program subtracts from every ion and the source's model does not have.
- Virial coefficients of the gas mixture H2O-CO2-CH4 are added (IAPWS-95, Tsonopoulos
  1974, Orbey and Vera 1983); they are not part of the source.
- The log K of H2O,gas = H2O is -log10 of the fugacity of saturated steam from IAPWS-95
  (1.500 at 25 C, -1.829 at 300 C).  The source's values are 0.06 to 0.09 higher and put
  the boiling pressure of water 14 to 18 % low.
{_density_note(volumes, conv)}
Units: log K base 10, weights g/mol, ion sizes Angstrom, enthalpy kcal/mol.

Components (database number, name):
"""
    out = text.splitlines()
    cur = " "
    for c in conv.components:
        item = f" {c.number} {c.name},"
        if len(cur) + len(item) > 88:
            out.append(cur.rstrip())
            cur = " "
        cur += item
    out.append(cur.rstrip(","))
    out += ["", "The notice of the source follows.", ""]
    out.extend(USGS_NOTICE.splitlines())
    out.append("")
    for line in out:
        if line[12:20] == "********":
            raise ValueError("a preamble line would be taken as the marker")
    return out


def _size_mismatches(sizes):
    """Ions (name, charge, source size, field read back) whose ion size in the program is
    not the source's."""
    off = [f"{n} {a:g} -> {ionsize.program_size(f, z):.3f}" for n, z, a, f in sizes
           if z and a and abs(ionsize.program_size(f, z) - a) > 0.005]
    return ", ".join(off) or "none"


def write_report(path, src_name, digest, conv, check, grids, steam, db, fit_errors, virial,
                 vol_source=None, vol_table=None):
    L = []
    add = L.append
    add("Conversion report: DORNEVAL.QVD from " + src_name)
    add("=" * 72)
    add(f"Source: {src_name}, sha256 {digest}")
    add("Written by tools/convert_llnl.py; this report is rewritten with the database.")
    add("")
    add("1. Component basis (database component number, name, charge, weight; ion size: the")
    add("   source's, the size field written (a radius), and what the program makes of it)")
    comp_sizes = []
    for c in conv.components:
        what = "source species " + c.source if c.reaction else "decoupled, in no reaction"
        z, a, field = conv.charges[c.number], conv.sizes[c.number], check.components[c.number][2]
        comp_sizes.append((c.name, z, a, field))
        got = ionsize.program_size(field, z) if z else field
        add(f"   {c.number:3d}  {c.name:<12s} {z:+d}  {conv.weights[c.number]:9.4f}   "
            f"size {a:5.2f}  field {field:5.2f}  program {got:6.3f}   {what}")
    species_sizes = [(e.name, e.charge, e.size, rec.size) for e, rec in zip(conv.species, check.species)]
    add("   The 3 columns of a component's size field hold a radius below 10 with two decimals and")
    add("   a whole number from 10 on.  Ion sizes in the program that differ from the source's:")
    add("   components " + _size_mismatches(comp_sizes) + "; derived species " + _size_mismatches(species_sizes))
    add(f"   Lines with no component ('{sel.UNASSIGNED_NAME}'): "
        + ", ".join(str(n) for n in range(1, max(c.number for c in conv.components) + 1)
                    if n not in {c.number for c in conv.components}))
    add("")
    add("2. Records written")
    n = collections.Counter((e.kind, e.mode) for e in conv.species + conv.gases + conv.minerals)
    for kind in ("species", "gas", "mineral"):
        add(f"   {kind:8s}: {n[(kind, 'both')]:4d} without redox, {n[(kind, 'O2')]:4d} in the "
            f"O2,aq basis, {n[(kind, 'HS')]:4d} in the HS- basis")
    names = {(e.kind, e.name) for e in conv.species + conv.gases + conv.minerals}
    add(f"   distinct names: {sum(1 for k, _ in names if k == 'species')} species, "
        f"{sum(1 for k, _ in names if k == 'gas')} gases, "
        f"{sum(1 for k, _ in names if k == 'mineral')} minerals")
    for redox in ("O2", "HS"):
        ns, nm = run_counts(conv, redox)
        add(f"   a run with every component and {'O2,aq' if redox == 'O2' else 'HS-'} stores "
            f"{ns} species (components included; at most 599) and {nm} minerals and gases "
            f"(at most 499)")
    add(f"   file: {len(check.components)} component lines, {len(check.species)} species "
        f"records, {len(check.minerals)} mineral and gas records")
    add("")
    add("3. Log K extrapolated beyond the source's data (flagged)")
    add("   Every record has log K at all eight temperatures, 25-350 C.  Analytic expressions are")
    add("   evaluated also above the top of the range the source states for them; records whose")
    add("   log K has no expression are carried from 25 C by van 't Hoff or held at their 25 C value.")
    records = conv.species + conv.gases + conv.minerals
    counts = collections.Counter(method_text(e.logk) for e in records)
    for text, n in sorted(counts.items()):
        add(f"   {n:5d}  {text}")
    add("   Records extrapolated from below 300 C (kind, name, basis, how):")
    for e in records:
        if e.logk.valid_to < TEMPERATURES[-2]:
            add(f"   {e.kind:8s} {e.name:<20s} {e.mode:4s}  {method_text(e.logk)}")
    add("")
    add("4. Records left out (source line, reason)")
    for kind, name, line, reason in conv.left_out:
        add(f"   {kind:8s} {name:<24s} line {line:5d}: {reason}")
    add("   Records with elements outside the basis: "
        + ", ".join(f"{v} {k}" for k, v in sorted(conv.outside.items())))
    add("")
    add("5. Minerals renamed")
    for old, new in conv.renamed:
        add(f"   {old} -> {new}")
    add("")
    add("6. Header grids against the source's table along the saturation curve")
    add("   t (C)    A here   A source   diff %    B here   B source   diff %   100 b-dot")
    cells = {0.01: (0, 0), 25: (0, 1), 100: (1, 4), 150: (3, 6), 200: (5, 8), 250: (7, 10),
             300: (9, 12)}
    temps = db.llnl["temperatures"]
    for t, a_src, b_src in zip(temps, db.llnl["dh_a"], db.llnl["dh_b"]):
        if t not in cells:
            continue
        r, c = cells[t]
        a, b = grids[0][0][r][c], grids[1][0][r][c]
        add(f"   {t:6.2f}  {a:8.5f}  {a_src:8.4f}  {100 * (a / a_src - 1):7.3f}  {b:8.5f}  "
            f"{b_src:8.4f}  {100 * (b / b_src - 1):7.3f}   {grids[3][0][r][c]:7.4f}")
    add(f"   Enthalpy of water at 25 C, 1 bar: {grids[4][0][0][1]:.4f} kcal/mol")
    add(f"   {len(steam)} grid points lie in the steam field and take the values of liquid water "
        "at saturation at their temperature.")
    add("")
    add("7. Gas-mixture virial coefficients (c1/T^2 + c2/T + c3, T in K, ln phi = (B + C P/2) P)")
    pure, cross = virial
    for g, (b, c) in pure.items():
        add(f"   {g}: B " + " ".join(f"{v: .6e}" for v in b) + "   C " + " ".join(f"{v: .6e}" for v in c))
    from .virial import CROSS_LABELS
    for label, coef in zip(CROSS_LABELS, cross):
        add(f"   {label:5s} " + " ".join(f"{v: .6e}" for v in coef))
    add("   Largest fit error from 0.01 to 400 C, in ln phi at the reference pressure "
        "(water saturation pressure for terms with H2O, else 100 bar):")
    for k, v in fit_errors.items():
        add(f"     {k:8s} {v:.2e}")
    add("")
    _density_section(add, conv, db, vol_source, vol_table or {})
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(L) + "\n")


def _wrapped(add, names, indent="     "):
    line = indent
    for name in names:
        if len(line) + len(name) + 2 > 92:
            add(line.rstrip(", "))
            line = indent
        line += name + ", "
    if line.strip():
        add(line.rstrip(", "))


def _density_section(add, conv, db, vol_source, vol_table):
    add("8. Mineral densities (gram formula weight / molar volume)")
    if vol_source is None:
        add("   No source of molar volumes given: every density is 0 (the program assumes 2.5).")
        return
    name, digest = vol_source
    add(f"   Molar volumes (-Vm) from {name}, sha256 {digest}")
    by_name = {}
    for e in conv.minerals:
        by_name.setdefault(e.name, e)
    with_density = sorted((e for e in by_name.values() if e.density > 0), key=lambda e: e.name.lower())
    add(f"   {len(with_density)} of the {len(by_name)} minerals have a density.")
    formulas = {p.name: p.formula for p in db.phases}
    add(f"   Volumes taken under another name in {name}, or for another formula (the volume of one")
    add("   formula unit of the same structure):")
    for e in with_density:
        v = e.volume
        if v is not None and (v.name != e.source or v.formula != formulas.get(e.source)):
            add(f"     {e.name:<20s} {formulas.get(e.source, ''):<34s} <- {v.name} {v.formula}, {v.vm:g} cm3/mol")
    used = {e.volume.name for e in with_density if e.volume is not None}
    unused = sorted(v.name for v in vol_table.values() if v.name not in used)
    add(f"   Minerals of {name} with a volume that are not in this database (no mineral of that name")
    add("   in the source, or left out with their elements or as listed in section 4):")
    _wrapped(add, unused)
    add("   Minerals without a density (the program uses 2.5 g/cm3):")
    _wrapped(add, sorted((n for n, e in by_name.items() if e.density <= 0), key=str.lower))
