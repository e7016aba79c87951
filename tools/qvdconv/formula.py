"""Chemical formulas of the source database: element counts and charge.

Formulas are written as in PHREEQC databases: element symbols with counts, parentheses
with a multiplier, hydrate parts after ':' (a leading number multiplies the part), and an
optional charge at the end ("+", "-", "+2", "-3").  Counts may be decimals (".5", "2.3").
Pseudo-elements of the source (organic ligands such as "Acetate") are recognised by name.
"""
from fractions import Fraction
import re

_NUMBER = re.compile(r"\d*\.\d+|\d+\.?")
_CHARGE = re.compile(r"([+-])(\d*)$")


class FormulaError(ValueError):
    pass


def split_charge(text):
    """Returns (body, charge) of a species formula such as "CO3-2" or "Fe+3"."""
    m = _CHARGE.search(text)
    if not m or m.start() == 0:
        return text, 0
    sign = 1 if m.group(1) == "+" else -1
    digits = m.group(2)
    return text[:m.start()], sign * (int(digits) if digits else 1)


def parse_formula(text, pseudo_elements=()):
    """Element counts (dict of Fraction) and charge (int) of a formula.

    `pseudo_elements` are multi-letter names the source uses as elements; they are matched
    before ordinary symbols."""
    body, charge = split_charge(text.strip())
    if not body:
        raise FormulaError(f"empty formula in {text!r}")
    counts = {}
    for part_no, part in enumerate(body.split(":")):
        mult = Fraction(1)
        if part_no > 0:
            m = _NUMBER.match(part)
            if m:
                mult = Fraction(m.group(0))
                part = part[m.end():]
        for el, n in _parse_group(part, pseudo_elements, text).items():
            counts[el] = counts.get(el, 0) + n * mult
    return {el: n for el, n in counts.items() if n != 0}, charge


def _parse_group(s, pseudo, whole):
    stack = [{}]
    i = 0
    while i < len(s):
        c = s[i]
        if c in "([":
            stack.append({})
            i += 1
            continue
        if c in ")]":
            if len(stack) == 1:
                raise FormulaError(f"unbalanced parenthesis in {whole!r}")
            group = stack.pop()
            i += 1
            n, i = _count(s, i)
            for el, k in group.items():
                stack[-1][el] = stack[-1].get(el, 0) + k * n
            continue
        name = None
        for p in pseudo:
            if s.startswith(p, i):
                name = p
                break
        if name is None:
            m = re.match(r"[A-Z][a-z]?", s[i:])
            if not m:
                raise FormulaError(f"cannot read {s[i:]!r} in {whole!r}")
            name = m.group(0)
        i += len(name)
        n, i = _count(s, i)
        stack[-1][name] = stack[-1].get(name, 0) + n
    if len(stack) != 1:
        raise FormulaError(f"unbalanced parenthesis in {whole!r}")
    return stack[0]


def _count(s, i):
    m = _NUMBER.match(s, i)
    if not m:
        return Fraction(1), i
    return Fraction(m.group(0)), m.end()


def formula_weight(counts, weights):
    return sum(float(n) * weights[el] for el, n in counts.items())
