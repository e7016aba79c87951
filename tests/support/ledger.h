// Test support: the matter of a path. At every converged solve the component totals T(k)
// (solution, solids and gas phase) plus what fractionation took away equal the starting
// totals plus what titration or mixing added (TOTMIX times the reactant mixture's moles per
// unit, from the reactant compositions, or times the mixing solution's recipe).
// Fractionation on a full step takes the solids (IFRAC 1, 3) and gases (IFRAC 2, 3) of the
// phases in the matrix at the solve before, counted here from their moles and reactions. A
// solve tried again from the last equilibrium counts what its own step took. With a fixed
// pH the H+ total and the charge-balance component follow the solution and are not
// conserved; a flushing run (IFRAC 5) replaces the pore fluid by design and keeps no such
// ledger. On an adiabatic boiling path (enthalpy constraint on, DENTH 0) ENTH plus the heat
// of the gases taken away stays at its start.
#pragma once

#include <string>
#include <vector>

#include "driver/run_state.h"

namespace zq::test {

class Ledger {
public:
    void before_solve(const RunState& run);
    // "" when every component is conserved to 1e-10 relative, else a line per component.
    std::string after_solve(const RunState& run);

private:
    std::vector<double> start_, removed_, pending_, per_unit_, taken_;
    double heat_taken_ = 0, heat_pending_ = 0, enth_start_ = 0;
};

}  // namespace zq::test

#include "support/run_dir.h"

namespace zq::test {

// A whole run in `dir` whose every converged solve is checked: the equilibrium identities
// and the conservation ledger. Faults are collected (at most a few lines each).
struct CheckedRun {
    int status = -1;
    int solves = 0;         // every solve, retries included
    int failed_solves = 0;  // solves that did not converge (a retry followed, or the run ended)
    std::string faults;     // "" when every converged solve held
    std::string console;
};
CheckedRun run_checked(const TempDir& dir);

}  // namespace zq::test
