"""Reader of DORNEVAL.QVD by the program's own reading rules, for checking a converted
file: it finds every record where the program would, and gives the component table, the
derived species, the gas-mixture lines and the minerals with their raw log K data.

It reads the component section as a run that uses every component would (up to the first
line whose columns 1-8 are blank, at most 71 lines) and does not select anything.
"""
from dataclasses import dataclass, field


class QvdError(ValueError):
    pass



def read_reaction(rec, l3, itot_width, coef_width, line):
    """ITOT and the coefficient / component-number pairs of a record's reaction line: ITOT in
    the first `itot_width` columns, then pairs of 12 columns from column 4, the coefficient
    in the first `coef_width` of them."""
    rec.itot = fixed_int(l3[0:itot_width])
    if rec.itot > 12:
        raise QvdError(f"line {line}: ITOT {rec.itot} of {rec.name.strip()}")
    l3 = l3.ljust(3 + 12 * rec.itot)
    for j in range(rec.itot):
        col = 3 + 12 * j
        rec.pairs.append((fixed_real(l3[col:col + coef_width], 3), fixed_int(l3[col + coef_width:col + 12])))

def fixed_real(text, decimals):
    """A real in fixed columns: blanks ignored, all blank reads 0, and without a decimal
    point the last `decimals` digits are decimals."""
    t = text.replace(" ", "")
    if not t:
        return 0.0
    mant = t
    for mark in ("E", "e", "D", "d"):
        if mark in t:
            mant = t.split(mark)[0]
            t = t.replace(mark, "E")
            break
    value = float(t)
    if "." not in mant:
        value /= 10 ** decimals
    return value


def fixed_int(text):
    t = text.replace(" ", "")
    return int(t) if t else 0


@dataclass
class QvdRecord:
    name: str
    flag: str
    kind: str
    charge: float = 0.0
    size: float = 0.0
    gfw: float = 0.0
    density: float = 0.0
    jsols: int = 0
    site_n: float = 0.0
    itot: int = 0
    pairs: list = field(default_factory=list)    # (coefficient, component number)
    eos: tuple = None
    logk: list = field(default_factory=list)
    line: int = 0


@dataclass
class QvdFile:
    preamble: list
    grids: list
    components: dict          # number → (name, charge, size, gfw, third)
    species: list
    cross: list
    minerals: list


class _Lines:
    def __init__(self, lines):
        self.lines = lines
        self.pos = 0

    def next(self):
        if self.pos >= len(self.lines):
            raise QvdError(f"end of file after line {self.pos}")
        self.pos += 1
        return self.lines[self.pos - 1]

    def values(self, count):
        """`count` free-format values, spread over as many lines as they take."""
        out = []
        while len(out) < count:
            line = self.next()
            out += [float(v) for v in line.replace(",", " ").split()]
        if len(out) != count:
            raise QvdError(f"line {self.pos}: {len(out)} values where {count} were expected")
        return out


def read(path):
    with open(path, encoding="ascii") as f:
        lines = f.read().split("\n")
    src = _Lines(lines)
    preamble = []
    while True:
        line = src.next()
        if line[12:20] == "********":
            break
        preamble.append(line)
    src.next()
    src.next()
    grids = []
    for _ in range(5):
        grids.append([src.values(36) for _ in range(37)])
        src.next()
        src.next()
    src.next()
    components = {}
    for number in range(1, 72):
        line = src.next().ljust(56)
        if not line[:8].strip():
            break
        components[number] = (line[:20], fixed_real(line[20:22], 0), fixed_real(line[28:31], 2),
                              fixed_real(line[39:47], 4), fixed_real(line[47:55], 4))
    species = []
    while True:
        src.next()
        l1 = src.next().ljust(94)
        if not l1[:20].strip():
            break
        rec = QvdRecord(l1[:20], l1[80:84], l1[90:94], line=src.pos)
        l2 = src.next().ljust(47)
        rec.charge = fixed_real(l2[8:11], 0)
        rec.size = fixed_real(l2[26:31], 2)
        l3 = src.next()
        read_reaction(rec, l3, itot_width=2, coef_width=10, line=src.pos)
        rec.logk = src.values(8 if rec.kind == "L-V " else 37 * 36)
        species.append(rec)
    cross = []
    for _ in range(10):
        line = src.next().ljust(44)
        cross.append(tuple(fixed_real(line[8 + 12 * k:20 + 12 * k], 5) for k in range(3)))
    src.next()
    minerals = []
    while True:
        src.next()
        l1 = src.next().ljust(94)
        l2 = src.next().ljust(64)
        l3 = src.next()
        if not l1[:20].strip():
            break
        rec = QvdRecord(l1[:20], l1[80:84], l1[90:94], line=src.pos - 2)
        rec.jsols = fixed_int(l1[66:68])
        rec.site_n = fixed_real(l1[68:76], 3)
        rec.gfw = fixed_real(l2[13:21], 3)
        rec.density = fixed_real(l2[58:64], 3)
        read_reaction(rec, l3, itot_width=3, coef_width=9, line=src.pos)
        if rec.jsols == 6:
            line = src.next().ljust(76)
            rec.eos = tuple(fixed_real(line[4 + 12 * k:16 + 12 * k], 5) for k in range(6))
        rec.logk = src.values(8 if rec.kind == "L-V " else 37 * 36)
        minerals.append(rec)
    return QvdFile(preamble, grids, components, species, cross, minerals)


def imbalances(qvd):
    """Records the program would stop on: (name, "CHARGE" or "WEIGHT", difference), for
    derived species (charge) and minerals and gases (weight and charge)."""
    comp = qvd.components
    out = []
    for rec in qvd.species:
        z = sum(c * comp[n][1] for c, n in rec.pairs) - rec.charge
        if abs(z) >= 1e-5:
            out.append((rec.name.strip(), "CHARGE", z))
    for rec in qvd.minerals:
        w = sum(c * comp[n][3] for c, n in rec.pairs)
        z = sum(c * comp[n][1] for c, n in rec.pairs)
        if rec.gfw > 1e-10 and abs(w - rec.gfw) >= 0.1:
            out.append((rec.name.strip(), "WEIGHT", w - rec.gfw))
        if abs(z) >= 1e-5:
            out.append((rec.name.strip(), "CHARGE", z))
    return out
