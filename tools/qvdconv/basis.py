"""Component basis of the database and the change of basis of every reaction.

The program's components are fixed in number and meaning: 1 H+, 2 H2O, 3 Cl-, 4 SO4--,
6 HS-, 10 Ca++, 31 O2,aq, and 45-48 the decoupled redox components.  A run holds either
O2,aq (component 31) or HS- (component 6), never both, so every record is written in one
of two bases:

- the O2 basis: all components but HS-; sulfide sulfur is written as SO4-- and O2,aq;
- the HS basis: all components but O2,aq; oxidation and reduction go through the
  SO4--/HS- couple (O2,aq = 0.5 SO4-- + 0.5 H+ − 0.5 HS-).

A record whose reaction needs no redox component is the same in both bases and is written
once; a redox record is written twice under the same name, first in the O2 basis and then
in the HS basis.  The database reader leaves out, without a message, every record whose
reaction uses a component the run lacks, so a run keeps exactly one of the two.
"""
from dataclasses import dataclass
from fractions import Fraction


@dataclass(frozen=True)
class Component:
    number: int          # database component number
    name: str            # name in the database (20 columns)
    source: str          # source species it stands for (for reactions and log K)
    formula: str = None  # formula for the gram formula weight (default: the source name)
    reaction: bool = True   # False for the decoupled redox components: no record uses them


O2_NUMBER = 31
HS_NUMBER = 6
MODES = ("O2", "HS")


class BasisError(ValueError):
    pass


class Basis:
    """Solves Σ ν_c vec(c) = vec(E) for the coefficients ν of entity E in one mode."""

    def __init__(self, components, chem, mode):
        self.mode = mode
        excluded = HS_NUMBER if mode == "O2" else O2_NUMBER
        self.components = [c for c in components if c.reaction and c.number != excluded]
        self.vecs = [chem.species_entity(c.source)[0] for c in self.components]
        self.logks = [chem.species_entity(c.source)[1] for c in self.components]
        rows = sorted({p for v in self.vecs for p in v})
        if len(rows) != len(self.components):
            raise BasisError(f"{mode} basis: {len(self.components)} components for "
                             f"{len(rows)} primary species {rows}")
        self.rows = rows
        n = len(rows)
        a = [[self.vecs[j].get(rows[i], Fraction(0)) for j in range(n)] for i in range(n)]
        self.inverse = _invert(a)

    def solve(self, vec):
        """Coefficients {component number: ν} of an entity, or None when it holds a primary
        species outside the basis."""
        if any(p not in self.rows for p in vec):
            return None
        return coefficients(self.inverse, self.components, [vec.get(p, Fraction(0)) for p in self.rows])

    def logk_of(self, nu, logkf):
        """log K of the dissociation (species) or hydrolysis (mineral, gas) of an entity
        into components: Σ ν_c logkf(c) − logkf(E)."""
        total = logkf.scaled(-1)
        for comp, lk in zip(self.components, self.logks):
            if comp.number in nu:
                total = total.scaled_add(lk, nu[comp.number])
        return total


def coefficients(inverse, components, b):
    """{component number: ν} from the inverted basis matrix and the right-hand side b, the
    zero coefficients left out."""
    out = {}
    for j, comp in enumerate(components):
        nu = sum((inverse[j][i] * b[i] for i in range(len(b))), Fraction(0))
        if nu != 0:
            out[comp.number] = nu
    return out


def _invert(a):
    n = len(a)
    m = [row[:] + [Fraction(int(i == j)) for j in range(n)] for i, row in enumerate(a)]
    for col in range(n):
        piv = next((r for r in range(col, n) if m[r][col] != 0), None)
        if piv is None:
            raise BasisError("the components are not independent")
        m[col], m[piv] = m[piv], m[col]
        p = m[col][col]
        m[col] = [x / p for x in m[col]]
        for r in range(n):
            if r != col and m[r][col] != 0:
                f = m[r][col]
                m[r] = [x - f * y for x, y in zip(m[r], m[col])]
    return [row[n:] for row in m]
