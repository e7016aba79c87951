"""Properties of water for the header grids of the database.

- Density, enthalpy and saturation states: IAPWS-95 (Wagner and Pruss, J. Phys. Chem. Ref.
  Data 31 (2002) 387-535).
- Static dielectric constant: Johnson and Norton (Am. J. Sci. 291 (1991) 541-648, eq. 36
  and table 2), stated valid from 0 to 1000 °C and 1 to 5000 bar.  It is the dielectric
  model behind the source's log K data and its Debye-Hückel table: with IAPWS-95
  densities it reproduces the tabulated A and B to 0.03 % from 0.01 to 300 °C, where the
  IAPWS 1997 dielectric formulation gives A up to 2 % higher (at 300 °C).
IAPWS-95 through Debian's python3-iapws.

The grid has points in the steam field (below the saturation pressure at temperatures under
the critical one).  An aqueous solution cannot exist there, so those points take the values
of liquid water at saturation at their temperature; the saturation-curve cells of the grid
(whose pressures, 1.0133 ... 165.212 bar, fall a hair below the IAPWS saturation pressures)
thus get the saturated-liquid values they stand for.  Above the critical temperature the
fluid at the point's own temperature and pressure is used.
"""
import math
from functools import lru_cache

from iapws import IAPWS95

# CODATA 2018 constants (SI)
E_CHARGE = 1.602176634e-19
EPS0 = 8.8541878128e-12
K_B = 1.380649e-23
N_A = 6.02214076e23
M_WATER = 18.015268          # g/mol, IAPWS-95
T_C = 647.096                # K
CAL = 4.184                  # J per thermochemical calorie

TEMPERATURES = (0.01, 25, 50, 75, 100, 125, 150, 175, 200, 225, 250, 275, 300, 325, 350,
                400, 410, 420, 430, 440, 450, 460, 470, 480, 490, 500, 510, 520, 530, 540,
                550, 560, 570, 580, 590, 600)
PRESSURES = (1, 1.0133, 2.321, 4.758, 8.919, 15.537, 25.479, 39.737, 59.432, 85.839,
             120.458, 165.212, 200, 250, 300, 350, 400, 450, 500, 550, 600, 650, 700, 750,
             800, 850, 900, 950, 1000, 1500, 2000, 2500, 3000, 3500, 4000, 4500, 5000)


def kelvin(t_c):
    """Absolute temperature; 0.01 °C is the triple point 273.16 K exactly."""
    return round(t_c + 273.15, 9)


@lru_cache(maxsize=None)
def saturation_pressure(t_c):
    """Saturation pressure in bar (IAPWS-95) for t_c below the critical temperature."""
    return IAPWS95(T=kelvin(t_c), x=0).P * 10.0


@lru_cache(maxsize=None)
def _saturated_liquid(t_c):
    return IAPWS95(T=kelvin(t_c), x=0)


@lru_cache(maxsize=None)
def _h_triple_liquid():
    return IAPWS95(T=273.16, x=0).h


@lru_cache(maxsize=None)
def state(t_c, p_bar):
    """(density kg/m³, enthalpy kJ/kg, steam-point flag) of the liquid used at a point."""
    T = kelvin(t_c)
    if T < T_C and p_bar < saturation_pressure(t_c):
        w = _saturated_liquid(t_c)
        return w.rho, w.h, True
    w = IAPWS95(T=T, P=p_bar / 10.0)
    return w.rho, w.h, False


# Johnson and Norton (1991), coefficients a1..a10 of the density polynomial (reduced
# temperature T/298.15 K, reduced density ρ/(1 g/cm³)).
_JN = (0.1470333593e+02, 0.2128462733e+03, -0.1154445173e+03, 0.1955210915e+02,
       -0.8330347980e+02, 0.3213240048e+02, -0.6694098645e+01, -0.3786202045e+02,
       0.6887359646e+02, -0.2729401652e+02)


def dielectric_constant(rho, t_c):
    """Static dielectric constant at density rho (kg/m³) and t_c (°C)."""
    a = _JN
    t = kelvin(t_c) / 298.15
    d = rho / 1000.0
    k1 = a[0] / t
    k2 = a[1] / t + a[2] + a[3] * t
    k3 = a[4] / t + a[5] * t + a[6] * t * t
    k4 = a[7] / (t * t) + a[8] / t + a[9]
    return 1.0 + d * (k1 + d * (k2 + d * (k3 + d * k4)))


def debye_huckel(rho, t_c):
    """Debye-Hückel A (log10 units, kg^1/2 mol^-1/2) and B (1/Å, kg^1/2 mol^-1/2)."""
    T = kelvin(t_c)
    eps = dielectric_constant(rho, t_c)
    kappa_term = E_CHARGE ** 2 / (4.0 * math.pi * EPS0 * eps * K_B * T)   # Bjerrum length, m
    a = math.sqrt(2.0 * math.pi * N_A * rho) * kappa_term ** 1.5 / math.log(10.0)
    b = math.sqrt(2.0 * E_CHARGE ** 2 * N_A * rho / (EPS0 * eps * K_B * T)) * 1e-10
    return a, b


@lru_cache(maxsize=None)
def steam_log_fugacity(t_c):
    """log10 of the fugacity (bar) of saturated steam at t_c (°C), IAPWS-95: the saturation
    pressure times the fugacity coefficient of the saturated vapour, ln φ = φr + δ φr_δ −
    ln(1 + δ φr_δ) from the residual Helmholtz function at the vapour's density."""
    T = kelvin(t_c)
    v = IAPWS95(T=T, x=1)
    w = IAPWS95()
    delta, tau = v.rho / w.rhoc, w.Tc / T
    r = w._phir(tau, delta)
    ln_phi = r["fir"] + delta * r["fird"] - math.log(1.0 + delta * r["fird"])
    return math.log10(v.P * 10.0) + ln_phi / math.log(10.0)


def molar_enthalpy_kcal(h_kj_kg):
    """Molar enthalpy in kcal/mol referred to liquid water at the triple point."""
    return (h_kj_kg - _h_triple_liquid()) * M_WATER / 1000.0 / CAL


def grid_values():
    """The three water grids (A, B, H) as 37 × 36 lists, and the list of steam points."""
    grid_a, grid_b, grid_h, steam = [], [], [], []
    for p in PRESSURES:
        ra, rb, rh = [], [], []
        for t in TEMPERATURES:
            rho, h, is_steam = state(t, p)
            a, b = debye_huckel(rho, t)
            ra.append(a)
            rb.append(b)
            rh.append(molar_enthalpy_kcal(h))
            if is_steam:
                steam.append((p, t))
        grid_a.append(ra)
        grid_b.append(rb)
        grid_h.append(rh)
    return grid_a, grid_b, grid_h, steam
