"""Log K of a source reaction at the eight temperatures of an "L-V " record.

An "L-V " record holds log K at 25, 50, 100, 150, 200, 250, 300 and 350 °C along the
liquid-vapour saturation curve; 99999.999 marks a temperature without data.  Here a log K
datum is a list of eight floats with None for "no data", plus a note of how it was made:

- "analytic": the source's analytic expression, inside the temperature range it states
  (0-300 °C when it states none);
- "van 't Hoff": log K at 25 °C extrapolated with the source's enthalpy of reaction, taken
  as constant, up to VANT_HOFF_MAX_T;
- "25 only": log K at 25 °C alone (no expression, no enthalpy).

Combinations of reactions (the change of basis) add data point by point; a point is
missing as soon as one of the terms lacks it, and the note is the weakest of the terms.
"""
import math

TEMPERATURES = (25.0, 50.0, 100.0, 150.0, 200.0, 250.0, 300.0, 350.0)
NO_DATA = 99999.999
DEFAULT_RANGE = (0.0, 300.0)
VANT_HOFF_MAX_T = 100.0
R_KJ = 8.314462618e-3          # kJ/(mol K)
T_REF = 298.15

QUALITY = {"exact": 0, "analytic": 1, "van 't Hoff": 2, "25 only": 3}


class LogK:
    __slots__ = ("values", "method")

    def __init__(self, values, method):
        self.values = list(values)
        self.method = method

    @staticmethod
    def zero():
        return LogK([0.0] * 8, "exact")

    def scaled_add(self, other, factor):
        """self + factor × other, as a new datum."""
        if factor == 0:
            return LogK(self.values, self.method)
        f = float(factor)
        vals = [None if (a is None or b is None) else a + f * b
                for a, b in zip(self.values, other.values)]
        method = max(self.method, other.method, key=QUALITY.__getitem__)
        return LogK(vals, method)

    def scaled(self, factor):
        f = float(factor)
        return LogK([None if v is None else f * v for v in self.values], self.method)

    def at(self, t):
        return self.values[TEMPERATURES.index(t)]


def analytic_value(a, t_c):
    """log K = A1 + A2 T + A3/T + A4 log10 T + A5/T² + A6 T², T in kelvin."""
    T = t_c + 273.15
    return a[0] + a[1] * T + a[2] / T + a[3] * math.log10(T) + a[4] / T ** 2 + a[5] * T ** 2


def vant_hoff_value(log_k25, delta_h, t_c):
    """log K(T) = log K(25 °C) − ΔH/(R ln 10) · (1/T − 1/298.15), ΔH in kJ/mol."""
    T = t_c + 273.15
    return log_k25 - delta_h / (R_KJ * math.log(10.0)) * (1.0 / T - 1.0 / T_REF)


def record_logk(logk_data):
    """The eight-point datum of one source record (its own reaction, -add_logk excluded)."""
    if logk_data.analytic is not None:
        lo, hi = logk_data.t_range or DEFAULT_RANGE
        vals = [analytic_value(logk_data.analytic, t) if lo <= t <= hi else None
                for t in TEMPERATURES]
        return LogK(vals, "analytic")
    if logk_data.log_k is None:
        return LogK([None] * 8, "25 only")
    if logk_data.delta_h is not None:
        vals = [vant_hoff_value(logk_data.log_k, logk_data.delta_h, t)
                if t <= VANT_HOFF_MAX_T else None for t in TEMPERATURES]
        return LogK(vals, "van 't Hoff")
    return LogK([logk_data.log_k] + [None] * 7, "25 only")


def effective_points(values):
    """Number n of leading points the eight-point interpolation uses: the
    points before the first missing one among positions 2..8."""
    for i in range(1, 8):
        if values[i] is None:
            return i
    return 8
