// Molar enthalpies for the enthalpy bookkeeping of a reaction path, kcal/mol: pure liquid
// water (referred to liquid water at the triple point) and the mixed gases H2O, CO2 and
// CH4 at the reference pressure of 1 bar.
#pragma once

namespace zq {

// Molar enthalpy of pure liquid water at t (C); the high-temperature fit holds from 100 C.
double water_molar_enthalpy(double t);

// The gases of the mixture that carry an enthalpy, in mixture order.
enum class EnthalpyGas { H2O = 1, CO2 = 2, CH4 = 3 };

// Molar enthalpy of `gas` at t (C) and 1 bar.
double gas_molar_enthalpy(EnthalpyGas gas, double t);

}  // namespace zq
