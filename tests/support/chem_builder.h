// Test support: a chemical system written straight into the tables and solved in process,
// with an Io over a temporary directory. Defaults: ideal (NEUT 3, AWAT 1), 25 C, 1 bar,
// ERPC 1e-12, NLOOP 100, one kilogram of water, a temperature path SINC -5 to SLIM 25.
// The log K given to species() and mineral() are those at the current conditions.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "driver/run_state.h"
#include "format/text_io.h"
#include "solver/newton.h"
#include "support/run_dir.h"

namespace zq::test {

using Terms = std::vector<std::pair<double, int>>;  // (coefficient, component position)

struct ChemBuilder {
    ChemBuilder();
    // Component species; the second is water, its total in moles.
    int component(const std::string& name, double z, double gfw, double total, double trial);
    int species(const std::string& name, double z, double logk, const Terms& terms);
    int mineral(const std::string& name, double logk, double gfw, double density, const Terms& terms, double moles = 0,
                bool in_matrix = false, int jsols = 0, double site_n = 1, bool gas = false);
    // The driver's set-up of the first solve (ACTCOF 1 and 2, solid solutions, start).
    void start();
    SolveResult solve() { return solve_equilibrium(sys, cond, rp, ps.enthalpy_row, eq, state, *io); }
    SolveResult start_and_solve() { return start(), solve(); }
    std::string listing();
    std::string console() const { return out.str(); }

    TempDir dir;
    std::istringstream in;
    std::ostringstream out;
    std::unique_ptr<Io> io;
    std::unique_ptr<RunState> run;
    ChemicalSystem& sys;
    Conditions& cond;
    RunParams& rp;
    EquilibriumState& eq;
    PathState& ps;
    NewtonState& state;
};

}  // namespace zq::test
