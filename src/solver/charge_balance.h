// Charge balance: the start-of-run imbalance test of the given totals and the adjusting
// routine CHGBAL of the charge-balance component C.
#pragma once

#include <string_view>

namespace zq {

class Io;
struct ChemicalSystem;
struct EquilibriumState;
struct RunParams;

// Charge of the component totals, sum of z(k) * T(k) over the components, of the system
// (mixing = false) or of the mixing solution (mixing = true).
double component_charge(const ChemicalSystem& sys, const EquilibriumState& eq, bool mixing);

// q: imbalance in moles (set to 0 when adjusted); total: the total to adjust; name: the
// component's name (12 characters shown); z: its charge. Asks at the console unless
// chgf is 1; a refusal stops the run. A neutral component cannot take up an imbalance:
// that stops the run with a message.
void CHGBAL(double& q, double& total, std::string_view name, double z, int chgf, Io& io);

// Start-of-run test of the given totals: writes the charge balance of the starting solution
// (and of the mixing solution when one is used) to the listing and the console, keeps the
// imbalances in eq.chg_start and sys.chg_mix, and calls CHGBAL for an imbalance above
// 1e-4 times the total of the charge-balance component. Part of start-up: the mixing
// solution's totals are fixed after it.
void check_start_charge_balance(ChemicalSystem& sys, EquilibriumState& eq, const RunParams& rp, Io& io);

}  // namespace zq
