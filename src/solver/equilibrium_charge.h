// The charge balance of an equilibrated solution: its charge Q (molal, over all species)
// against the limit 1e-4 * T(C) / W_kg, with the charge-balance component C.
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct EquilibriumState;
struct RunParams;

// Q = sum of z * m over every species, in species order.
double solution_charge(const ChemicalSystem& sys, const EquilibriumState& eq);

// CHGF 1: an imbalance above the limit is removed from the total of C silently, by the
// imbalance of the solution in moles (Q * W_kg), the held imbalance of the totals
// (eq.chg_start) becomes 0, and the run goes on. Any other CHGF: the imbalance message and
// the run stops. An imbalance equal to the limit is accepted. `limit` is 1e-4 * T(C) in
// moles, taken at the start of the solve.
void check_equilibrium_charge(const ChemicalSystem& sys, const RunParams& rp, double q, double limit,
                              EquilibriumState& eq, Io& io);

}  // namespace zq
