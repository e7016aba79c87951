"""Every source species and phase as a combination of the source's primary master species.

A source reaction is "Σ a X = Σ b Y" with log K = Σ b log a(Y) − Σ a log a(X).  Each
entity E (aqueous species or phase) gets
  - vec(E): its composition in primary master species (H+, H2O, e- and one species per
    element), as exact fractions, and
  - logkf(E): the log K of forming E from those primaries, an eight-point datum,
so that log a(E) = logkf(E) + Σ vec(E)_P log a(P).  For a phase, a(E) = 1 at saturation,
so logkf of a phase is minus the log K of its dissolution into primaries.  The recursion
follows the reactions of the source: a species is formed by its own reaction from the
species on the other side, each of which is resolved in turn.
"""
from fractions import Fraction

from .formula import parse_formula, split_charge, FormulaError
from .logk import LogK, record_logk


class SourceError(ValueError):
    pass


def canonical(name):
    """Species names compare by formula and charge: "Cu+1" and "Cu+" are the same."""
    body, z = split_charge(name)
    if z == 0:
        return body
    sign = "+" if z > 0 else "-"
    return body + sign + (str(abs(z)) if abs(z) != 1 else "")


class SourceChemistry:
    def __init__(self, db):
        self.db = db
        self.pseudo = sorted((m.element for m in db.masters
                              if "(" not in m.element and len(m.element) > 2),
                             key=len, reverse=True)
        self.weights = db.element_weights()
        self.primaries = {}          # canonical species name → element ("E" for e-)
        for m in db.masters:
            if "(" not in m.element:
                self.primaries[canonical(m.species)] = m.element
        self.primaries["e-"] = "E"
        self.species = {}
        for rec in db.species:
            key = canonical(rec.name)
            self.species.setdefault(key, rec)     # the first definition wins, as in PHREEQC
        self._memo = {}
        self._busy = set()

    # -- compositions ------------------------------------------------------------------
    def composition(self, formula):
        """(element counts, charge) of a formula; e- is charge −1 with no element."""
        if canonical(formula) == "e-":
            return {}, -1
        return parse_formula(formula, self.pseudo)

    def reaction_imbalance(self, terms):
        """Element and charge sums of signed reaction terms; {} when balanced."""
        total = {}
        for name, coef in terms:
            counts, z = self.composition(name)
            for el, n in counts.items():
                total[el] = total.get(el, 0) + coef * n
            total["charge"] = total.get("charge", 0) + coef * z
        return {k: v for k, v in total.items() if v != 0}

    # -- species ----------------------------------------------------------------------
    def species_entity(self, name):
        """(vec, logkf) of an aqueous species of the source."""
        key = canonical(name)
        if key in self._memo:
            return self._memo[key]
        if key in self.primaries:
            result = ({key: Fraction(1)}, LogK.zero())
            self._memo[key] = result
            return result
        rec = self.species.get(key)
        if rec is None:
            raise SourceError(f"species {name} is not defined in the source")
        if key in self._busy:
            raise SourceError(f"circular definition of {name}")
        self._busy.add(key)
        try:
            terms = []
            for c, s in rec.reaction.lhs:
                terms.append((s, -c))
            for c, s in rec.reaction.rhs:
                terms.append((s, c))
            result = self._resolve(key, terms, rec)
        finally:
            self._busy.discard(key)
        self._memo[key] = result
        return result

    def phase_entity(self, rec):
        """(vec, logkf) of a phase record; its formula is the first term of the left side."""
        coef, formula = rec.reaction.lhs[0]
        terms = [("\0phase", -coef)]
        for c, s in rec.reaction.lhs[1:]:
            terms.append((s, -c))
        for c, s in rec.reaction.rhs:
            terms.append((s, c))
        return self._resolve("\0phase", terms, rec)

    def _resolve(self, self_key, terms, rec):
        own = sum(c for s, c in terms if (s == self_key or canonical(s) == self_key))
        if own == 0:
            raise SourceError(f"{rec.name}: the defined species does not take part in its reaction")
        logk = record_logk(rec.logk)
        for expr_name, factor in rec.logk.add_logk:
            expr = self.db.expressions.get(expr_name)
            if expr is None:
                raise SourceError(f"{rec.name}: unknown named expression {expr_name}")
            logk = logk.scaled_add(record_logk(expr.logk), factor)
        vec = {}
        total = logk
        for s, c in terms:
            if s == self_key or canonical(s) == self_key:
                continue
            v, lk = self.species_entity(s)
            for p, n in v.items():
                vec[p] = vec.get(p, 0) - c * n
            total = total.scaled_add(lk, -c)
        vec = {p: n / own for p, n in vec.items() if n != 0}
        return vec, total.scaled(Fraction(1) / own)
