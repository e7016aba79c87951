"""Composition of a substance in components, from its elements and charge.

Used for the reactant file: a mineral formula or an oxide is solved for the coefficients
of the components of one redox basis (all components but HS-, or all but O2,aq), over the
rows "element counts" and "charge".
"""
from fractions import Fraction

from .basis import HS_NUMBER, O2_NUMBER, _invert, coefficients
from .formula import parse_formula


class CompositionBasis:
    def __init__(self, components, mode):
        excluded = HS_NUMBER if mode == "O2" else O2_NUMBER
        self.components = [c for c in components if c.reaction and c.number != excluded]
        comps = []
        for c in self.components:
            counts, z = parse_formula(c.formula or c.source)
            comps.append(dict(counts, charge=Fraction(z)))
        self.rows = sorted({k for comp in comps for k in comp})
        if len(self.rows) != len(self.components):
            raise ValueError(f"{mode} basis: {len(self.components)} components for rows {self.rows}")
        a = [[comp.get(r, Fraction(0)) for comp in comps] for r in self.rows]
        self.inverse = _invert(a)

    def solve(self, formula):
        """{component number: Fraction} of a formula such as "NaAlSi3O8" or "Fe2O3"."""
        counts, z = parse_formula(formula)
        target = dict(counts, charge=Fraction(z))
        if any(k not in self.rows for k in target):
            raise ValueError(f"{formula}: element outside the basis")
        return coefficients(self.inverse, self.components, [target.get(r, Fraction(0)) for r in self.rows])
