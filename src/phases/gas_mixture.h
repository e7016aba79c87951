// The gas mixture as the Newton iteration and the listing see it: the enthalpy row of the
// matrix and its pressure correction, the refresh of the mixed gases after each phase
// update, the molar enthalpies of the mixed gases, and the volume coefficients of a gas
// phase.
//
// The enthalpy balance, the fugacity coefficients of the mixture and the pressure update
// are not modelled yet: the mixed gases keep the fugacity coefficient 1 (their lambda), the
// enthalpy row (switched on when a gas saturates in an IENTH run) holds the pressure where
// it is, and the listing takes each mixed gas's own virial coefficients at the current
// temperature for its volume.
#pragma once

#include <utility>

namespace zq {

struct ChemicalSystem;
struct Conditions;
struct EquilibriumState;
struct NewtonHooks;
struct RunParams;

// The gas phase's part of the Newton system: the enthalpy row (G = 1), the pressure
// correction it carries, and the refresh of the gas mixture after each phase update (the
// H2O-gas limit, the mole fractions and the fugacity coefficients of the mixed gases). The
// hooks refer to the given state, which must outlive them.
void set_gas_phase_hooks(NewtonHooks& hooks, const ChemicalSystem& sys, Conditions& cond, RunParams& rp,
                         EquilibriumState& eq);

// Molar enthalpy (kcal/mol) of gas `gas` of the mixture (1 H2O, 2 CO2, 3 CH4; the first
// sys.ngasmix mixed gases) at TEMP, for the enthalpy report and the heat of fractionated
// gases. Until the virial model is in, it is the enthalpy at 1 bar: the pressure
// correction of the real gas is left out.
double mixed_gas_enthalpy(const ChemicalSystem& sys, const RunParams& rp, int gas);

// Volume coefficients (k1, k2) of gas phase `phase` in V = n R T ((k1 P + k2) P + 1) / P:
// the P^2 and P coefficients of ln phi. Ideal gases (IDEAL 2 or more, or a gas outside the
// mixture) have none.
std::pair<double, double> gas_volume_coefficients(const ChemicalSystem& sys, const Conditions& cond,
                                                  const RunParams& rp, int phase);

}  // namespace zq
