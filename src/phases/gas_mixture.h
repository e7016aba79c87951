// The gas mixture: the mixed gases (JSOLS 6, the first mineral slots) with their fugacity
// coefficients from a virial equation of state, ln phi = (a + b P / 2) P, the molar
// enthalpies of the gases H2O, CO2 and CH4 with their pressure corrections, and the gas
// phase's part of the Newton system: the enthalpy row with the pressure as its unknown,
// the pressure update, and the refresh of the mixture after each phase update.
//
// The virial values of the database are scaled to give ln phi with P in bar: B' = B / RT
// and C' = (C - B^2) / (RT)^2 of the pressure series Z = 1 + B' P + C' P^2, each a
// temperature function c1/T^2 + c2/T + c3. For a gas i of a mixture of mole fractions y,
// ln phi(i) = (a(i) + b(i) P / 2) P with a(i) = 2 sum_j y(j) B(ij) - B(mix) and
// b(i) = 3 sum_jk y(j) y(k) C(ijk) - 2 C(mix), the derivatives by n(i) of n B(mix) and
// n C(mix); its residual enthalpy is R (K(i) P + L(i) P^2 / 2) with K and L the same
// combinations of -T^2 dB'/dT = 2 c1 / T + c2 (and of C'), and its partial molar volume
// RT/P (1 + a P + b P^2).
#pragma once

#include <utility>

namespace zq {

class Io;
struct ChemicalSystem;
struct Conditions;
struct EquilibriumState;
struct NewtonHooks;
struct RunParams;

// Ceiling of the pressure (bar) in every gas iteration.
inline constexpr double MAX_GAS_PRESSURE = 600.0;

// The mixed gases that carry a molar enthalpy (H2O, CO2, CH4, the first ones of the
// mixture): the gases of the mixture with cross coefficients (2 or 3), or H2O,gas alone
// when it is the only gas of the mixture with them (a run without carbon).
int enthalpy_gases(const ChemicalSystem& sys);

// The gas mixture is present: its first gas is in the matrix as a member of a present
// solution.
bool gas_mixture_present(const ChemicalSystem& sys, const EquilibriumState& eq);

// Fugacity coefficients of the mixed gases at `p` bar from the mole fractions eq.gas.y
// (mixing rules with IDEAL 0, each gas its own coefficients otherwise): sets eq.gas.a and
// eq.gas.b, and phi (the gases' lambda) where 1e-10 <= |ln phi| <= 10; outside that range
// phi keeps its previous value.
void fugacity_coefficients(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, double p,
                           EquilibriumState& eq);

// While the gas mixture is absent (IDEAL 0 or 1): the fugacity coefficients at PFLUID of the
// gas that would form, its mole fractions in proportion to the fugacities of the mixed gases
// over the solution (their log fugacities, set after the solve). The phase-assemblage check
// then tests the mixture by sum of f / (phi P), the real gas's saturation, not the ideal one.
// Above the boiling pressure of water at TEMP the coefficients are those at that pressure:
// the virial equation describes a gas, and for water compressed far above its boiling
// pressure its fugacity P exp(B P / RT) falls as P rises (a liquid at 25 C and 200 bar would
// seem to boil).
void incipient_gas_coefficients(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp,
                                EquilibriumState& eq);

// Molar enthalpies (kcal/mol) of the enthalpy gases at TEMP and `p` bar with their
// pressure corrections from 1 bar (none with IDEAL 2 or more), and their pressure
// derivatives, into eq.gas.h and eq.gas.dhdp.
void gas_enthalpies(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, double p,
                    EquilibriumState& eq);

// The gas phase's part of the Newton system (see the file comment). The hooks refer to the
// given state, which must outlive them. While the enthalpy row is on:
//   - its residual is W 55.508 h(water) + sum of h(gas) n(gas) over the gases in the
//     matrix - ENTH, its unknown the pressure; each mixed gas row gets -log10(e) / P in the
//     pressure column. With no mixed gas in the matrix the row holds the pressure.
//   - the pressure takes its correction, at most 600 bar and not below the vapour
//     pressure of ideal steam over the solution, 10^-log K(H2O,gas) a(w); the gas
//     enthalpies, log10 P and the log K of the mixed gases follow it.
// After every phase update, while the mixture is present: H2O,gas is held to TOTWAT per
// cent of the water, the mole fractions follow the amounts and, with IDEAL 0 or 1, the
// fugacity coefficients are evaluated at PFLUID.
void set_gas_phase_hooks(NewtonHooks& hooks, const ChemicalSystem& sys, Conditions& cond, RunParams& rp,
                         EquilibriumState& eq);

// Boiling pressure (bar) of pure water at TEMP by the gas model, the pressure P at which
// phi(P) P is the fugacity of steam over pure water, 10^-log K(H2O,gas); 0 when the first
// mixed gas is not H2O,gas.
double water_boiling_pressure(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp);

// A solve at a fixed pressure (the enthalpy row off) that failed with H2O,gas in the matrix
// while PFLUID is below the boiling pressure of water at TEMP: the water of the solution
// boils away, and no equilibrium with a liquid holds. Writes the message that names the
// pressure as the cause (listing, then console); nothing in any other case.
void explain_boiling_failure(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp,
                             const EquilibriumState& eq, bool enthalpy_row, Io& io);

// Volume coefficients (k1, k2) of gas phase `phase` in V = n R T ((k1 P + k2) P + 1) / P:
// the b and a of its last fugacity coefficient (the partial molar volume). Ideal gases
// (IDEAL 2 or more, or a gas outside the mixture) have none.
std::pair<double, double> gas_volume_coefficients(const ChemicalSystem& sys, const RunParams& rp,
                                                  const EquilibriumState& eq, int phase);

}  // namespace zq
