#!/usr/bin/python3
"""Reference values for tests/phases/gas_physics_test.cpp, from IAPWS-95 (Wagner and Pruss,
J. Phys. Chem. Ref. Data 31 (2002) 387-535) through Debian's python3-iapws, independent of
the program's formulas. Run it and paste the printed numbers into the test when the checks
change:

    /usr/bin/python3 tests/phases/iapws_reference.py

1. Adiabatic boiling of pure water from saturated liquid at 300 C: at each temperature T
   the isenthalpic flash of the starting enthalpy into saturated liquid and steam at T, the
   steam mass fraction x = (h0 - h_liq(T)) / (h_vap(T) - h_liq(T)), and the saturation
   pressure at T.
2. Saturation pressures at 150, 250 and 300 C.
3. Pure water at 250 C mixed one to one by mass with pure water at 25 C, both at the
   saturation pressure of the hot water (the saturation-curve run) and both at 100 bar (a
   run on the extended grid): the temperature at which liquid water at that pressure has the
   mean of the two enthalpies.
"""
from iapws import IAPWS95


def kelvin(t):
    return t + 273.15


def sat(t, x):
    return IAPWS95(T=kelvin(t), x=x)


def main():
    h0 = sat(300.0, 0).h
    print("adiabatic boiling from 300 C: T, steam mass fraction, saturation pressure (bar)")
    for t in (250.0, 200.0, 150.0, 100.0):
        liq, vap = sat(t, 0), sat(t, 1)
        print(f"  {{{t:.1f}, {(h0 - liq.h) / (vap.h - liq.h):.5f}, {liq.P * 10:.5f}}},")
    print("saturation pressures (bar)")
    for t in (150.0, 250.0, 300.0):
        print(f"  {{{t:.1f}, {sat(t, 0).P * 10:.5f}}},")
    for p in (sat(250.0, 0).P, 10.0):          # MPa: saturation at 250 C, and 100 bar
        hot = sat(250.0, 0) if p < 5.0 else IAPWS95(T=kelvin(250.0), P=p)
        cold = IAPWS95(T=kelvin(25.0), P=p)
        h_mix = 0.5 * (hot.h + cold.h)
        lo, hi = 25.0, 250.0
        for _ in range(80):                    # bisection on T of h(T, p) = h_mix
            mid = 0.5 * (lo + hi)
            if IAPWS95(T=kelvin(mid), P=p).h < h_mix:
                lo = mid
            else:
                hi = mid
        print(f"mixing 250 C with 25 C one to one by mass at {p * 10:.3f} bar: {0.5 * (lo + hi):.3f} C")


if __name__ == "__main__":
    main()
