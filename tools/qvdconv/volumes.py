"""Molar volumes of minerals from a second PHREEQC-format database (core10.dat), for the
densities of the mineral records: density = gram formula weight / molar volume.

core10.dat (Neveu, Desch and Castillo-Rogez 2017) carries llnl's minerals with molar
volumes (-Vm, cm³/mol).  A mineral takes the volume of the record of the same name, or of
the names below, which core10.dat gives to minerals of llnl.dat:

- the same record renamed: Hydroxyapatite (llnl's Hydroxylapatite) and Ripidolite
  (llnl's Ripidolite-14A; same reaction and enthalpy in both files);
- the saponites, which core10.dat carries only as the Mg-saponites of Catalano (2013) with
  a layer charge of 0.35 per O10(OH)2 where llnl's have 0.33: the volume of one
  O10(OH)2 unit is taken for llnl's formula unit, as for the beidellites,
  montmorillonites and nontronites that core10.dat keeps under llnl's names with the
  same change of charge.  The difference, 0.02 of an interlayer cation per unit, is
  well under the uncertainty of the volumes.
"""
from dataclasses import dataclass

SYNONYMS = {                     # name in the volume file -> name in the source
    "Hydroxyapatite": "Hydroxylapatite",
    "Ripidolite": "Ripidolite-14A",
    "Saponite-Mg-Ca": "Saponite-Ca",
    "Saponite-Mg-K": "Saponite-K",
    "Saponite-Mg-Mg": "Saponite-Mg",
    "Saponite-Mg-Na": "Saponite-Na",
}


@dataclass
class Volume:
    vm: float            # cm³/mol
    name: str            # record of the volume file it comes from
    formula: str         # that record's formula


def molar_volumes(db):
    """Source mineral name -> Volume, from the phases of `db` that give a positive -Vm."""
    with_vm = [rec for rec in db.phases if rec.vm is not None and rec.vm > 0]
    out = {SYNONYMS[rec.name]: Volume(rec.vm, rec.name, rec.formula) for rec in with_vm if rec.name in SYNONYMS}
    out.update({rec.name: Volume(rec.vm, rec.name, rec.formula) for rec in with_vm if rec.name not in SYNONYMS})
    return out
