"""Reader of a PHREEQC-format database (the subset of keywords a thermodynamic database
uses): SOLUTION_MASTER_SPECIES, SOLUTION_SPECIES, PHASES, NAMED_EXPRESSIONS and
LLNL_AQUEOUS_MODEL_PARAMETERS.  Other keyword blocks are skipped.

Every reaction is kept as written, with its log K data: log_k and delta_H at 25 °C, the
analytic expression, the -add_logk terms and the temperature range stated in the
"Range:" comment that follows the record.
"""
from dataclasses import dataclass, field
from fractions import Fraction
import re

KEYWORDS = {
    "SOLUTION_MASTER_SPECIES", "SOLUTION_SPECIES", "PHASES", "NAMED_EXPRESSIONS",
    "LLNL_AQUEOUS_MODEL_PARAMETERS", "EXCHANGE_MASTER_SPECIES", "EXCHANGE_SPECIES",
    "SURFACE_MASTER_SPECIES", "SURFACE_SPECIES", "RATES", "END", "SOLUTION", "GAS_BINARY_PARAMETERS",
    "LLNL_AQUEOUS_MODEL_PARAMETERS", "SIT", "PITZER", "ISOTOPES", "CALCULATE_VALUES",
    "ISOTOPE_RATIOS", "ISOTOPE_ALPHAS",
}

_RANGE = re.compile(r"Range:\s*(-?[\d.]+)\s*-\s*([\d.]+)")


class ParseError(ValueError):
    pass


@dataclass
class Reaction:
    """lhs and rhs: lists of (coefficient, species name), in file order."""
    lhs: list
    rhs: list

    def terms(self):
        """Signed terms: products positive, reactants negative, summed by species."""
        out = {}
        for c, s in self.lhs:
            out[s] = out.get(s, 0) - c
        for c, s in self.rhs:
            out[s] = out.get(s, 0) + c
        return out


@dataclass
class LogKData:
    log_k: float = None          # at 25 °C
    delta_h: float = None        # kJ/mol; None when the source gives none or 0
    analytic: tuple = None       # A1..A6 of log K = A1 + A2 T + A3/T + A4 log10 T + A5/T² + A6 T²
    add_logk: list = field(default_factory=list)   # (named expression, coefficient)
    t_range: tuple = None        # (t_min, t_max) °C, from the "Range:" comment


@dataclass
class Record:
    kind: str                    # "species", "phase" or "expression"
    name: str                    # species formula, phase name or expression name
    reaction: Reaction
    logk: LogKData
    line: int                    # line number of the reaction (1-based)
    gamma_size: float = None     # -llnl_gamma
    co2_gamma: bool = False      # -CO2_llnl_gamma
    vm: float = None             # -Vm, cm³/mol (phases)
    formula: str = None          # phases: the formula, first term of the left-hand side


@dataclass
class Master:
    element: str
    species: str
    gfw_formula: str
    gfw: float


@dataclass
class Database:
    masters: list = field(default_factory=list)
    species: list = field(default_factory=list)
    phases: list = field(default_factory=list)
    expressions: dict = field(default_factory=dict)
    llnl: dict = field(default_factory=dict)

    def element_weights(self):
        return {m.element: m.gfw for m in self.masters if m.gfw is not None and "(" not in m.element}

    def primary_masters(self):
        """Element (without valence) → its primary master species."""
        return {m.element: m.species for m in self.masters if "(" not in m.element}


def _strip_comment(line):
    i = line.find("#")
    return line if i < 0 else line[:i]


def parse_number(tok):
    try:
        return float(tok)
    except ValueError:
        raise ParseError(f"not a number: {tok!r}")


def parse_reaction(text, line_no):
    if text.count("=") != 1:
        raise ParseError(f"line {line_no}: reaction without a single '=': {text.strip()!r}")
    left, right = text.split("=")
    return Reaction(_parse_side(left, line_no), _parse_side(right, line_no))


_COEF_ATTACHED = re.compile(r"^(\d*\.\d+|\d+)([A-Za-z(].*)$")


def _parse_side(text, line_no):
    terms = []
    coef = None
    for tok in text.split():
        if tok == "+":
            continue
        try:
            value = Fraction(tok)
            if coef is not None:
                raise ParseError(f"line {line_no}: two coefficients in a row")
            coef = value
            continue
        except (ValueError, ZeroDivisionError):
            pass
        m = _COEF_ATTACHED.match(tok)
        if m and coef is None:
            coef, tok = Fraction(m.group(1)), m.group(2)
        terms.append((coef if coef is not None else Fraction(1), tok))
        coef = None
    if coef is not None:
        raise ParseError(f"line {line_no}: coefficient without a species")
    return terms


def read_database(path_or_text, is_text=False):
    if is_text:
        text = path_or_text
    else:
        with open(path_or_text, encoding="latin-1") as f:
            text = f.read()
    lines = text.splitlines()
    db = Database()
    block = None
    current = None
    pending_phase = None     # phase name line waiting for its reaction

    def finish():
        nonlocal current
        if current is not None:
            if current.kind == "species":
                db.species.append(current)
            elif current.kind == "phase":
                db.phases.append(current)
            else:
                db.expressions[current.name] = current
        current = None

    i = 0
    llnl_key = None
    while i < len(lines):
        raw = lines[i]
        line_no = i + 1
        i += 1
        stripped = raw.strip()
        word = stripped.split()[0] if stripped else ""
        if word in KEYWORDS and not raw.startswith((" ", "\t")):
            finish()
            pending_phase = None
            block = word
            continue
        if current is not None and stripped.startswith("#"):
            m = _RANGE.search(stripped)
            if m and current.logk.t_range is None:
                current.logk.t_range = (float(m.group(1)), float(m.group(2)))
            continue
        body = _strip_comment(raw).strip()
        if not body:
            continue
        if block == "SOLUTION_MASTER_SPECIES":
            f = body.split()
            gfw = parse_number(f[4]) if len(f) > 4 else None
            db.masters.append(Master(f[0], f[1], f[3] if len(f) > 3 else "", gfw))
        elif block == "LLNL_AQUEOUS_MODEL_PARAMETERS":
            if re.match(r"-[A-Za-z]", body):
                llnl_key = body.split()[0][1:].lower()
                rest = body.split()[1:]
                db.llnl[llnl_key] = [parse_number(t) for t in rest]
            elif llnl_key:
                db.llnl[llnl_key] += [parse_number(t) for t in body.split()]
        elif block in ("SOLUTION_SPECIES", "NAMED_EXPRESSIONS", "PHASES"):
            if block == "NAMED_EXPRESSIONS" and not body.startswith("-") and "=" not in body \
                    and not body.split()[0].lower() in ("log_k", "logk"):
                finish()
                current = Record("expression", body.split()[0], Reaction([], []), LogKData(), line_no)
                continue
            if block == "PHASES" and "=" not in body and not body.startswith("-") \
                    and body.split()[0].lower() not in ("log_k", "logk", "delta_h"):
                finish()
                pending_phase = (body.split()[0], line_no)
                continue
            if "=" in body and not body.startswith("-"):
                rxn = parse_reaction(body, line_no)
                if block == "SOLUTION_SPECIES":
                    finish()
                    if not rxn.rhs:
                        raise ParseError(f"line {line_no}: species reaction without a product")
                    current = Record("species", rxn.rhs[0][1], rxn, LogKData(), line_no)
                elif block == "PHASES":
                    if pending_phase is None:
                        raise ParseError(f"line {line_no}: phase reaction without a phase name")
                    finish()
                    name, _ = pending_phase
                    pending_phase = None
                    current = Record("phase", name, rxn, LogKData(), line_no,
                                     formula=rxn.lhs[0][1])
                else:
                    if current is None:
                        raise ParseError(f"line {line_no}: expression reaction without a name")
                    current.reaction = rxn
                continue
            if current is None:
                raise ParseError(f"line {line_no}: data outside a record: {body!r}")
            _option(current, body, line_no)
        # other blocks are skipped
    finish()
    return db


def _option(rec, body, line_no):
    f = body.split()
    key = f[0].lower().lstrip("-")
    args = f[1:]
    lk = rec.logk
    if key in ("log_k", "logk", "log_k"):
        lk.log_k = parse_number(args[0])
    elif key in ("delta_h", "deltah"):
        value = parse_number(args[0])
        unit = args[1].lower() if len(args) > 1 else "kj/mol"
        if "kcal" in unit:
            value *= 4.184
        lk.delta_h = value if value != 0 else None
    elif key in ("analytic", "analytical_expression", "a_e", "analytical"):
        coeffs = [parse_number(t) for t in args]
        coeffs += [0.0] * (6 - len(coeffs))
        lk.analytic = tuple(coeffs[:6])
    elif key == "add_logk":
        lk.add_logk.append((args[0], Fraction(args[1]) if len(args) > 1 else Fraction(1)))
    elif key == "llnl_gamma":
        rec.gamma_size = parse_number(args[0])
    elif key == "co2_llnl_gamma":
        rec.co2_gamma = True
    elif key == "vm":
        rec.vm = parse_number(args[0])
    elif key in ("mass_balance", "mb", "gamma", "no_check", "dw", "millero", "erm_ddl",
                 "t_c", "p_c", "omega", "activity_water", "add_constant", "range"):
        pass
    else:
        raise ParseError(f"line {line_no}: unknown option {f[0]!r}")
