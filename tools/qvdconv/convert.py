"""From the source database to the records of DORNEVAL.QVD.

Every aqueous species, mineral and gas of the source whose elements are those of the
component basis is resolved into the source's primary species (chemistry.py) and then
rewritten in the component basis (basis.py): a derived species as its dissociation into
components, a mineral or gas as its hydrolysis, with its log K combined by the same
reactions.  Records that cannot be written exactly are left out and reported.
"""
from dataclasses import dataclass, field
from fractions import Fraction

from .basis import Basis, MODES, O2_NUMBER, HS_NUMBER
from .chemistry import SourceChemistry, SourceError, canonical
from .formula import FormulaError, split_charge
from .logk import LogK, TEMPERATURES
from . import water
from . import selection as sel

MAX_ITOT = 12


@dataclass
class Entry:
    kind: str                  # "species", "gas" or "mineral"
    name: str                  # name in the database
    source: str                # source name
    line: int                  # line of the source record
    mode: str                  # "both", "O2" or "HS"
    nu: dict                   # component number → Fraction
    logk: object               # LogK
    charge: int = 0
    size: float = 0.0
    gfw: float = 0.0
    density: float = 0.0
    jsols: int = 0
    site_n: float = 1.0
    flag: str = ""
    eos: tuple = None          # JSOLS 6: a1, a2, a3, b1, b2, b3
    reaction_text: str = ""
    volume: object = None      # volumes.Volume the density comes from (minerals)


@dataclass
class Conversion:
    components: list
    weights: dict              # component number → gram formula weight (rounded, F8.4)
    charges: dict              # component number → charge
    sizes: dict                # component number → ion size
    species: list = field(default_factory=list)
    gases: list = field(default_factory=list)
    minerals: list = field(default_factory=list)
    left_out: list = field(default_factory=list)       # (kind, source name, line, reason)
    outside: dict = field(default_factory=dict)        # kind → count of records outside the elements
    renamed: list = field(default_factory=list)        # (source name, database name)
    element_weights: dict = field(default_factory=dict)


def species_name(source):
    """Database name of an aqueous species: "Ca+2" → "Ca++", "CaSO4" → "CaSO4,aq"."""
    body, z = split_charge(canonical(source))
    if z == 0:
        return body + ",aq"
    sign = "+" if z > 0 else "-"
    return body + (sign * abs(z) if abs(z) <= 4 else f"{sign}{abs(z)}")


def gas_name(source):
    return source[:-3] + ",gas" if source.endswith("(g)") else source


def reaction_text(rxn, kind="species"):
    def side(terms):
        return " + ".join((f"{float(c):g} " if c != 1 else "") + s for c, s in terms)
    if kind == "species" and rxn.lhs == rxn.rhs:
        return f"{side(rxn.lhs)}, a primary species of the source"
    return f"{side(rxn.lhs)} = {side(rxn.rhs)}"


def convert(db, components=sel.COMPONENTS, virial=None, volumes=None):
    """Builds the conversion; `virial` is (pure, cross) of qvdconv.virial for the mixed
    gases (None leaves their equation-of-state lines at zero, for tests); `volumes` maps
    source mineral names to molar volumes (qvdconv.volumes) for the densities."""
    chem = SourceChemistry(db)
    weights_el = dict(db.element_weights())
    for el, w in sel.WEIGHT_CORRECTIONS.items():
        if el in weights_el:
            weights_el[el] = w
    comp_by_source = {canonical(c.source): c for c in components}
    conv = Conversion(list(components), {}, {}, {}, element_weights=weights_el)
    for c in components:
        counts, z = chem.composition(c.formula or c.source)
        conv.weights[c.number] = round(sum(float(n) * weights_el[el] for el, n in counts.items()), 4)
        conv.charges[c.number] = z
        rec = chem.species.get(canonical(c.source))
        conv.sizes[c.number] = _ion_size(rec)
    bases = {m: Basis(components, chem, m) for m in MODES}
    elements = set()
    for c in components:
        elements |= set(chem.composition(c.formula or c.source)[0])

    for rec in db.species:
        key = canonical(rec.name)
        if key == "e-":
            continue
        _convert_record(conv, chem, bases, rec, "species", elements, comp_by_source, {})
    for rec in db.phases:
        kind = "gas" if rec.name.endswith("(g)") else "mineral"
        _convert_record(conv, chem, bases, rec, kind, elements, comp_by_source, volumes or {})
    _order(conv, virial)
    _steam_logk(conv)
    return conv


def _steam_logk(conv):
    """H2O,gas = H2O takes log K = −log10 f, f the fugacity of saturated steam (IAPWS-95):
    with the liquid at saturation (activity 1) that is the equilibrium of the reaction.  The
    source's H2O(g) is 0.06 to 0.09 log units above it from 25 to 300 °C, which would put
    the boiling pressure of water 14 to 18 % low."""
    for g in conv.gases:
        if g.source == "H2O(g)":
            g.logk = LogK([-water.steam_log_fugacity(t) for t in TEMPERATURES], "IAPWS-95")


def _ion_size(rec):
    if rec is None:
        return 0.0
    if rec.co2_gamma:
        return sel.GAS_ION_SIZE
    return rec.gamma_size if rec.gamma_size is not None else 0.0


def _leave_out(conv, kind, rec, reason):
    conv.left_out.append((kind, rec.name, rec.line, reason))


def _convert_record(conv, chem, bases, rec, kind, elements, comp_by_source, volumes):
    formula = rec.name if kind == "species" else rec.formula
    try:
        counts, charge = chem.composition(formula)
    except FormulaError:
        conv.outside[kind] = conv.outside.get(kind, 0) + 1
        return
    if not set(counts) <= elements:
        conv.outside[kind] = conv.outside.get(kind, 0) + 1
        return
    if sel.is_organic(counts):
        return _leave_out(conv, kind, rec, "organic" if "H" in counts else "carbide")
    if kind == "gas" and sel.is_atomic_vapour(rec.name, counts):
        return _leave_out(conv, kind, rec, "gas of single atoms")
    terms = [(s, -c) for c, s in rec.reaction.lhs] + [(s, c) for c, s in rec.reaction.rhs]
    try:
        imbalance = chem.reaction_imbalance(terms)
    except FormulaError as e:
        return _leave_out(conv, kind, rec, f"unreadable formula in its reaction ({e})")
    if imbalance:
        text = ", ".join(f"{k} {float(v):+g}" for k, v in sorted(imbalance.items()))
        return _leave_out(conv, kind, rec, f"reaction not balanced in the source ({text})")
    try:
        vec, logkf = chem.species_entity(rec.name) if kind == "species" else chem.phase_entity(rec)
    except SourceError as e:
        return _leave_out(conv, kind, rec, str(e))

    key = canonical(rec.name)
    forms = {}
    for mode in MODES:
        comp = comp_by_source.get(key) if kind == "species" else None
        if comp is not None and comp.reaction and (
                (mode == "O2" and comp.number != HS_NUMBER) or (mode == "HS" and comp.number != O2_NUMBER)):
            continue                       # a component in this mode, not a derived species
        nu = bases[mode].solve(vec)
        if nu is None:
            return _leave_out(conv, kind, rec, "uses a species outside the component basis")
        forms[mode] = nu
    if not forms:
        return                             # a component in both modes
    redox = ("O2" in forms and O2_NUMBER in forms["O2"]) or ("HS" in forms and HS_NUMBER in forms["HS"])
    if not redox:
        modes = [("both", forms.get("O2") or forms["HS"])]
    else:
        modes = [(m, forms[m]) for m in MODES if m in forms]

    name = _database_name(conv, kind, rec)
    if name is None:
        return
    for mode, nu in modes:
        basis = bases["O2" if mode in ("both", "O2") else "HS"]
        where = "" if mode == "both" else f" ({mode} basis)"
        if len(nu) > MAX_ITOT:
            _leave_out(conv, kind, rec, f"{len(nu)} components in its reaction{where}, more than {MAX_ITOT}")
            continue
        inexact = [c for c, v in nu.items() if (v * 1000).denominator != 1]
        if inexact:
            text = ", ".join(f"{float(nu[c]):.6g} of component {c}" for c in inexact)
            _leave_out(conv, kind, rec, f"coefficients not exact with three decimals{where}: {text}")
            continue
        logk = basis.logk_of(nu, logkf)
        if logk.values[0] is None:
            _leave_out(conv, kind, rec, f"no log K at 25 C{where}")
            continue
        entry = Entry(kind, name, rec.name, rec.line, mode, nu, logk, charge=charge,
                      reaction_text=reaction_text(rec.reaction, kind))
        if kind == "species":
            entry.size = _ion_size(rec)
        else:
            entry.gfw = sum(float(n) * conv.element_weights[el] for el, n in counts.items())
            if rec.vm:
                entry.density = entry.gfw / rec.vm
            elif kind == "mineral" and rec.name in volumes:
                entry.volume = volumes[rec.name]
                entry.density = entry.gfw / entry.volume.vm
            jsols, n = sel.SOLID_SOLUTIONS.get(rec.name, (0, 1.0))
            entry.jsols, entry.site_n = jsols, n
            if kind == "gas":
                entry.flag = "GAS "
                if rec.name in sel.MIXED_GASES:
                    entry.jsols = 6
        {"species": conv.species, "gas": conv.gases, "mineral": conv.minerals}[kind].append(entry)
        if kind == "mineral" and name != rec.name and (rec.name, name) not in conv.renamed:
            conv.renamed.append((rec.name, name))


def _database_name(conv, kind, rec):
    if kind == "species":
        name = species_name(rec.name)
    elif kind == "gas":
        name = gas_name(rec.name)
    else:
        name = sel.RENAMES.get(rec.name, rec.name)
    if len(name) > 20:
        _leave_out(conv, kind, rec, f"name {name!r} longer than 20 characters")
        return None
    return name


def _order(conv, virial):
    """Gases first (the mixed gases H2O, CO2, CH4 at their head), then minerals; gases and
    minerals in alphabetical order of their names, the two forms of a redox record
    together (O2 basis first)."""
    mixed_order = list(sel.MIXED_GASES)
    mode_rank = {"both": 0, "O2": 0, "HS": 1}
    mixed = sorted((g for g in conv.gases if g.jsols == 6),
                   key=lambda g: (mixed_order.index(g.source), mode_rank[g.mode]))
    other = sorted((g for g in conv.gases if g.jsols != 6),
                   key=lambda g: (g.name.lower(), g.name, mode_rank[g.mode]))
    conv.gases = mixed + other
    conv.minerals.sort(key=lambda m: (m.name.lower(), m.name, mode_rank[m.mode]))
    if virial is not None:
        pure, _ = virial
        for g in mixed:
            b, c = pure[sel.MIXED_GASES[g.source]]
            g.eos = tuple(b) + tuple(c)


def run_counts(conv, redox):
    """Species (components included) and minerals-and-gases stored by a run that uses every
    component but the other redox component ("O2" or "HS") and no decoupled one."""
    other = HS_NUMBER if redox == "O2" else O2_NUMBER
    n_comp = sum(1 for c in conv.components if c.reaction and c.number != other)
    keep = ("both", redox)
    ns = n_comp + sum(1 for e in conv.species if e.mode in keep)
    nm = sum(1 for e in conv.gases + conv.minerals if e.mode in keep)
    return ns, nm
