"""The size field of the database and the ion-size parameter the program makes of it.

The program reads the size field of a species as a radius r and turns it into the ion-size
parameter of its Debye-Hückel term,

    å = 2 (|z| k + r) / (|z| + 1),   k = 1.81 for cations, 1.91 for anions,

reading a field of 0 as r = 4.0.  A neutral species with a size above 9.98 is a dissolved
gas (it gets the salting-out coefficient); other neutral sizes are not used.  The source
gives å itself, so the field holds the radius that gives it back:

    r = å (|z| + 1) / 2 - |z| k.

For the small ions of the source (å under 2.9 or so for the highest charges) r is not
positive.  The relation is linear, so a negative r still gives å exactly, and with header
grid 3 at 0 the program uses r nowhere else (its b-dot term in 1/r is zero); the field
therefore holds r as it is, never 0.00, which would read as 4.0.
"""
import math

K_CATION = 1.81
K_ANION = 1.91
ZERO_SIZE_RADIUS = 4.0   # the program's reading of a size field of 0


def radius(a, z):
    """The size field that gives the ion-size parameter a to a species of charge z."""
    if z == 0:
        return a
    k = K_CATION if z > 0 else K_ANION
    return a * (abs(z) + 1) / 2 - abs(z) * k


def program_size(r, z):
    """The ion-size parameter the program derives from a size field r (for an ion)."""
    r = ZERO_SIZE_RADIUS if r == 0 else r
    k = K_CATION if z >= 0 else K_ANION
    return 2 * (abs(z) * k + r) / (abs(z) + 1)


def species_field(a, z):
    """Value of the F5.2 size field of a species record: the radius for an ion (kept off
    0.00 by one unit of the last decimal), the source's size for a neutral species, and 0
    (the program's default) where the source gives none."""
    if z == 0 or not a:
        return a or 0.0
    r = radius(a, z)
    return math.copysign(0.01, r) if abs(r) < 0.005 else r


def component_field(a, z):
    """Text of the 3-column size field of a component line ([F3.2]).  For an ion below 10
    the field has no decimal point and its last two digits are decimals ("219" reads 2.19),
    so the radius keeps both decimals; from 10 on it holds the nearest whole number ("13.",
    the only form that fits).  Neutral sizes are written with one decimal ("3.0", "10.")."""
    r = species_field(a, z)
    if z != 0 and -0.995 < r < 9.995:
        return f"{round(r * 100):3d}"
    if z == 0 and r < 9.95:
        return f"{r:3.1f}"
    n = round(r)
    if not 10 <= n <= 99:
        raise ValueError(f"size {r} does not fit the 3 columns of a component line")
    return f"{n:2d}."
