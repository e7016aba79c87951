"""Fixed-column number editing, written as the program reads and writes it.

F: rounded half away from zero, right-aligned; E: mantissa 0.1 <= m < 1 ("0.1234E+02").
A value that does not fit its field raises FieldOverflow instead of being written as
asterisks: the database must never hold a field the program cannot read back.
"""
from decimal import Decimal, ROUND_HALF_UP


class FieldOverflow(ValueError):
    pass


def _round(value, decimals):
    q = Decimal(1).scaleb(-decimals)
    return Decimal(repr(float(value))).quantize(q, rounding=ROUND_HALF_UP)


def f_field(value, width, decimals):
    d = _round(value, decimals)
    if d == 0:
        d = abs(d)                      # no "-0.000"
    text = f"{d:.{decimals}f}"
    if len(text) > width and text.startswith(("0.", "-0.")):
        text = text.replace("0.", ".", 1)
    if len(text) > width:
        raise FieldOverflow(f"{value!r} does not fit F{width}.{decimals}")
    return text.rjust(width)


def i_field(value, width):
    text = str(int(value))
    if len(text) > width:
        raise FieldOverflow(f"{value!r} does not fit I{width}")
    return text.rjust(width)


def e_field(value, width, decimals):
    v = float(value)
    if v == 0.0:
        mant, exp = Decimal(0), 0
    else:
        d = Decimal(repr(abs(v)))
        exp = d.adjusted() + 1                         # 0.1 <= d / 10**exp < 1
        mant = (d.scaleb(-exp)).quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_UP)
        if mant >= 1:
            exp += 1
            mant = (d.scaleb(-exp)).quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_UP)
    if abs(exp) > 99:
        raise FieldOverflow(f"{value!r}: exponent out of E{width}.{decimals}")
    body = f"{mant:.{decimals}f}E{'-' if exp < 0 else '+'}{abs(exp):02d}"
    text = ("-" if v < 0 else "") + body
    if len(text) > width and text.startswith("-0."):
        text = "-" + text[2:]
    if len(text) > width:
        raise FieldOverflow(f"{value!r} does not fit E{width}.{decimals}")
    return text.rjust(width)


def a_field(text, width):
    if len(text) > width:
        raise FieldOverflow(f"{text!r} is longer than A{width}")
    return text.ljust(width)


def exact_thousandths(x):
    """True when x (a Fraction) is written exactly with three decimals."""
    return (x * 1000).denominator == 1


def g_field(value, width, digits):
    """General editing: F(w-4).(d-k) and four blanks for 0.1 <= |x| < 10**d (k digits
    before the point), F(w-4).(d-1) for zero, else E(w).(d)."""
    v = float(value)
    if v == 0.0:
        return f_field(0.0, width - 4, digits - 1) + "    "
    d = Decimal(repr(abs(v)))
    exp = d.adjusted()                                     # 10**exp <= |v| < 10**(exp+1)
    x = d.quantize(Decimal(1).scaleb(exp - digits + 1), rounding=ROUND_HALF_UP)
    if Decimal("0.1") <= x < Decimal(10) ** digits:
        k = max(x.adjusted() + 1, 0)
        return f_field(v, width - 4, digits - k) + "    "
    return e_field(v, width, digits)
