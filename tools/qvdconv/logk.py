"""Log K of a source reaction at the eight temperatures of an "L-V " record.

An "L-V " record holds log K at 25, 50, 100, 150, 200, 250, 300 and 350 °C along the
liquid-vapour saturation curve.  Every record with data at 25 °C gets all eight points,
made as the source's own programs make log K at any temperature:

- "analytic": the source's analytic expression, evaluated wherever it is asked, also
  outside the temperature range the source states for it (0-300 °C when none is stated);
- "van 't Hoff": log K at 25 °C carried with the source's enthalpy of reaction, taken as
  constant;
- "25 only": log K at 25 °C, held at every temperature (no expression, no enthalpy).

Alongside the values a datum keeps `valid_to`, the highest temperature inside the source's
data (the top of the stated range of an expression, 25 °C otherwise): the points above it
are extrapolated, and the conversion report says so.  Combinations of reactions (the change
of basis) add data point by point; the note is the weakest of the terms and `valid_to` the
lowest.  A point is None only when a term has no data at all.
"""
import math

TEMPERATURES = (25.0, 50.0, 100.0, 150.0, 200.0, 250.0, 300.0, 350.0)
NO_DATA = 99999.999
DEFAULT_RANGE = (0.0, 300.0)
R_KJ = 8.314462618e-3          # kJ/(mol K)
T_REF = 298.15
T25 = 25.0

QUALITY = {"exact": 0, "IAPWS-95": 0, "analytic": 1, "van 't Hoff": 2, "25 only": 3}


class LogK:
    __slots__ = ("values", "method", "valid_to")

    def __init__(self, values, method, valid_to=TEMPERATURES[-1]):
        self.values = list(values)
        self.method = method
        self.valid_to = valid_to

    @staticmethod
    def zero():
        return LogK([0.0] * 8, "exact")

    def scaled_add(self, other, factor):
        """self + factor × other, as a new datum."""
        if factor == 0:
            return LogK(self.values, self.method, self.valid_to)
        f = float(factor)
        vals = [None if (a is None or b is None) else a + f * b
                for a, b in zip(self.values, other.values)]
        method = max(self.method, other.method, key=QUALITY.__getitem__)
        return LogK(vals, method, min(self.valid_to, other.valid_to))

    def scaled(self, factor):
        f = float(factor)
        return LogK([None if v is None else f * v for v in self.values], self.method, self.valid_to)

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
        _, hi = logk_data.t_range or DEFAULT_RANGE
        return LogK([analytic_value(logk_data.analytic, t) for t in TEMPERATURES], "analytic", hi)
    if logk_data.log_k is None:
        return LogK([None] * 8, "25 only", T25)
    if logk_data.delta_h is not None:
        vals = [vant_hoff_value(logk_data.log_k, logk_data.delta_h, t) for t in TEMPERATURES]
        return LogK(vals, "van 't Hoff", T25)
    return LogK([logk_data.log_k] * 8, "25 only", T25)
