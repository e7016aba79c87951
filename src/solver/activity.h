// Activity model of the aqueous solution: ion sizes and b-dot terms (ACTCOF modes 1 and 2),
// activity coefficients and true ionic strength (ACTCOF mode 3), osmotic coefficient,
// stoichiometric ionic strength and activity of water below 623.15 K (WATACT), and above it
// the H2O-CO2-NaCl Redlich-Kwong fugacity coefficients (MRKPHI, with the compressibility
// root ZCUBIC). The run state lives in EquilibriumState::actmodel.
#pragma once

#include <array>

namespace zq {

struct ChemicalSystem;
struct Conditions;
struct EquilibriumState;
struct RunParams;

// From this absolute temperature (K) up, the dissolved-gas coefficient and the activity of
// water come from the equation of state instead of the low-temperature fits.
inline constexpr double EOS_TK = 623.15;

// ACTCOF mode 1: ion sizes and the flagged-neutral list; once per run, after the species load.
void set_up_ion_sizes(ChemicalSystem& cs);

// ACTCOF mode 2: b-dot of every charged species at the current temperature (header
// quantities); after every change of the conditions.
void evaluate_bdot(const ChemicalSystem& cs, Conditions& cond);

// ACTCOF mode 3: true ionic strength and every activity coefficient at cond.TK and
// p.PFLUID, using the stoichiometric ionic strength of the previous evaluation for
// dissolved gases.
void ACTCOF(const ChemicalSystem& cs, const Conditions& cond, const RunParams& p, EquilibriumState& eq);

// Stoichiometric ionic strength, osmotic coefficient and activity of water (into gamma[2])
// for cond.TK below EOS_TK; reads the aqueous component moles actmodel.naq.
void WATACT(const ChemicalSystem& cs, const Conditions& cond, EquilibriumState& eq);

// Activity of water from the equation of state (cond.TK at or above EOS_TK).
void water_activity_eos(const ChemicalSystem& cs, const Conditions& cond, const RunParams& p, EquilibriumState& eq);

// One activity evaluation of a Newton pass: forms the aqueous component moles, then, as
// NEUT and AWAT allow, ACTCOF mode 3 and the water activity of the temperature range.
void update_activities(const ChemicalSystem& cs, const Conditions& cond, const RunParams& p, EquilibriumState& eq);

// Fugacity coefficients of CO2, H2O and NaCl in a mixture of mole fractions x at tk (K)
// and patm (atm).
std::array<double, 3> MRKPHI(double tk, double patm, const std::array<double, 3>& x);

// Largest real root Z of the Redlich-Kwong cubic Z^3 - Z^2 + (A - B - B^2) Z - A B = 0 with
// B = bprime * p and A = aprime * B. A non-positive aprime is replaced by 0.001, also in
// the caller's variable.
double ZCUBIC(double bprime, double p, double& aprime);

// Largest real root of the depressed cubic y^3 + p y + q = 0 (used by ZCUBIC).
double largest_cubic_root(double p, double q);

}  // namespace zq
