#include "phases/enthalpy.h"

#include "base/units.h"

namespace zq {

double water_molar_enthalpy(double t) {
    const double tk = kelvin(t);
    if (t < 100.0) return -777.40446 / tk + 2.335628 + (2.30965e-5 * tk - 0.00441813) * tk;
    return 7895231.0 / (tk * tk) - 71953.96 / tk + 2.1415e-4 * tk * tk - 0.35584278 * tk + 240.912149;
}

double gas_molar_enthalpy(EnthalpyGas gas, double t) {
    constexpr double TK_REF = kelvin(25.0);
    const double tk = kelvin(t);
    const double e = 1.0 / tk - 1.0 / TK_REF;
    const double dt = t - 25.0;
    const double dt2 = tk * tk - TK_REF * TK_REF;
    switch (gas) {
        case EnthalpyGas::H2O: return 10.97 + 0.001 * (7.17 * dt + 0.00128 * dt2 - 8000.0 * e);
        case EnthalpyGas::CO2: return 0.21 + 0.001 * (10.55 * dt + 0.00108 * dt2 + 204000.0 * e);
        case EnthalpyGas::CH4:
            return 0.21 + 0.001 * (2.975 * dt + 0.0091645 * dt2 - 34600.0 * e) -
                   1.4343333333333332e-9 * (tk * tk * tk - TK_REF * TK_REF * TK_REF);
    }
    return 0.0;
}

}  // namespace zq
