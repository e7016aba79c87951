"""Virial coefficients of the mixed gases H2O, CO2 and CH4.

The program takes the fugacity coefficient of a mixed gas as ln φ = (B' + C' P/2) P with
P in bar, i.e. the pressure series Z = 1 + B' P + C' P², where B' = B/RT and
C' = (C − B²)/(RT)² follow from the volume-series coefficients B (cm³/mol) and
C (cm⁶/mol²).  Each B' and C' is stored as c1/T² + c2/T + c3 (T in kelvin), fitted here
by least squares from 0 to 400 °C.

Sources of B and C:
- pure H2O: IAPWS-95 (Wagner and Pruss, J. Phys. Chem. Ref. Data 31 (2002) 387-535),
  the zero-density limits of its residual Helmholtz function;
- pure CO2 and CH4, and all cross coefficients: the corresponding-states correlations of
  Tsonopoulos (AIChE J. 20 (1974) 263-272) for B and of Orbey and Vera (AIChE J. 29
  (1983) 107-113) for C, with Tsonopoulos' combining rules (k_ij = 0) and
  C_ijk = (C_ij C_ik C_jk)^(1/3);
- critical constants and acentric factors: Poling, Prausnitz and O'Connell, The
  Properties of Gases and Liquids, 5th ed. (2001), appendix A.

The mixing rule of the program is cubic in the mole fractions for C', while the exact C'
of a mixture holds B_mix², which is quartic; the cross coefficients are therefore set to
C'_ijk = (C_ijk − (B_ij B_ik + B_ij B_jk + B_ik B_jk)/3)/(RT)², exact for the pure gases.
"""
import math
from functools import lru_cache

import numpy as np
from iapws import IAPWS95

R_BAR = 83.14462618          # cm³ bar / (mol K)
GASES = ("H2O", "CO2", "CH4")
# Tc (K), Pc (bar), Vc (cm³/mol), acentric factor ω
CRITICAL = {
    "H2O": (647.14, 220.64, 55.95, 0.344),
    "CO2": (304.12, 73.74, 94.07, 0.225),
    "CH4": (190.56, 45.99, 98.60, 0.011),
}
FIT_T = [273.16] + [273.15 + 5.0 * i for i in range(1, 81)]     # 0.01 ... 400 °C
CROSS_B = (("H2O", "CO2"), ("H2O", "CH4"), ("CO2", "CH4"))
CROSS_C = (("H2O", "H2O", "CO2"), ("H2O", "CO2", "CO2"), ("H2O", "H2O", "CH4"),
           ("H2O", "CH4", "CH4"), ("CO2", "CO2", "CH4"), ("CO2", "CH4", "CH4"),
           ("H2O", "CO2", "CH4"))
CROSS_LABELS = ("B12", "B13", "B23", "C112", "C122", "C113", "C133", "C223", "C233", "C123")


def _pair(i, j):
    if i == j:
        return CRITICAL[i]
    tci, pci, vci, wi = CRITICAL[i]
    tcj, pcj, vcj, wj = CRITICAL[j]
    tc = math.sqrt(tci * tcj)
    pc = 4.0 * tc * (pci * vci / tci + pcj * vcj / tcj) / (vci ** (1 / 3) + vcj ** (1 / 3)) ** 3
    return tc, pc, None, 0.5 * (wi + wj)


def tsonopoulos_b(i, j, T):
    tc, pc, _, w = _pair(i, j)
    tr = T / tc
    f0 = 0.1445 - 0.330 / tr - 0.1385 / tr ** 2 - 0.0121 / tr ** 3 - 0.000607 / tr ** 8
    f1 = 0.0637 + 0.331 / tr ** 2 - 0.423 / tr ** 3 - 0.008 / tr ** 8
    return (f0 + w * f1) * R_BAR * tc / pc


def orbey_vera_c(i, j, T):
    tc, pc, _, w = _pair(i, j)
    tr = T / tc
    g0 = 0.01407 + 0.02432 / tr ** 2.8 - 0.00313 / tr ** 10.5
    g1 = -0.02676 + 0.01770 / tr ** 2.8 + 0.040 / tr ** 3 - 0.003 / tr ** 6 - 0.00228 / tr ** 10.5
    return (g0 + w * g1) * (R_BAR * tc / pc) ** 2


@lru_cache(maxsize=None)
def _water_virial(T):
    w = IAPWS95()
    v = w._virial(T)
    rho_c = w.rhoc / w.M           # mol/L
    return v["B"] / rho_c * 1000.0, v["C"] / rho_c ** 2 * 1.0e6     # cm³/mol, cm⁶/mol²


def volume_b(i, j, T):
    if i == j == "H2O":
        return _water_virial(T)[0]
    return tsonopoulos_b(i, j, T)


def volume_c(i, j, k, T):
    if i == j == k == "H2O":
        return _water_virial(T)[1]
    if i == j == k:
        return orbey_vera_c(i, i, T)
    prod = orbey_vera_c(i, j, T) * orbey_vera_c(i, k, T) * orbey_vera_c(j, k, T)
    return math.copysign(abs(prod) ** (1.0 / 3.0), prod)


def pressure_b(i, j, T):
    return volume_b(i, j, T) / (R_BAR * T)


def pressure_c(i, j, k, T):
    bij, bik, bjk = volume_b(i, j, T), volume_b(i, k, T), volume_b(j, k, T)
    return (volume_c(i, j, k, T) - (bij * bik + bij * bjk + bik * bjk) / 3.0) / (R_BAR * T) ** 2


def reference_pressure(names, T):
    """Pressure (bar) at which a coefficient matters, the weight of its fit: the water
    saturation pressure (at most the critical) for terms with water, else 100 bar."""
    if "H2O" not in names:
        return 100.0
    if T >= 647.096:
        return 220.64
    return max(_saturation_pressure(T), 0.01)


@lru_cache(maxsize=None)
def _saturation_pressure(T):
    return IAPWS95(T=T, x=0).P * 10.0


def fit(values, weights):
    """Least-squares (c1, c2, c3) of c1/T² + c2/T + c3 through values at FIT_T."""
    x = np.array([[1.0 / T ** 2, 1.0 / T, 1.0] for T in FIT_T])
    w = np.array(weights)
    coef, *_ = np.linalg.lstsq(x * w[:, None], np.array(values) * w, rcond=None)
    return tuple(float(c) for c in coef)


def evaluate(coef, T):
    return coef[0] / T ** 2 + coef[1] / T + coef[2]


def coefficients():
    """Per gas (B' triple, C' triple), the ten cross triples, and the worst fit error of
    each expressed in ln φ at its reference pressure."""
    pure, errors = {}, {}
    for g in GASES:
        p_ref = [reference_pressure((g,), T) for T in FIT_T]
        b = [pressure_b(g, g, T) for T in FIT_T]
        c = [pressure_c(g, g, g, T) for T in FIT_T]
        fb = fit(b, p_ref)
        fc = fit(c, [p * p / 2 for p in p_ref])
        pure[g] = (fb, fc)
        errors["B " + g] = max(abs(evaluate(fb, T) - v) * p for T, v, p in zip(FIT_T, b, p_ref))
        errors["C " + g] = max(abs(evaluate(fc, T) - v) * p * p / 2 for T, v, p in zip(FIT_T, c, p_ref))
    cross = []
    for label, names in zip(CROSS_LABELS, CROSS_B + CROSS_C):
        p_ref = [reference_pressure(names, T) for T in FIT_T]
        if len(names) == 2:
            vals = [pressure_b(names[0], names[1], T) for T in FIT_T]
            w = p_ref
        else:
            vals = [pressure_c(*names, T) for T in FIT_T]
            w = [p * p / 2 for p in p_ref]
        f = fit(vals, w)
        cross.append(f)
        errors[label] = max(abs(evaluate(f, T) - v) * wt for T, v, wt in zip(FIT_T, vals, w))
    return pure, cross, errors
