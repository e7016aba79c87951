// Test support: a chemical system written directly into the tables (no files), solved in
// process with an Io over a temporary directory. The default run is ideal (NEUT 3, AWAT 1)
// at 25 C and 1 bar, ERPC 1e-12, NLOOP 100, one kilogram of water.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "driver/run_parameters.h"
#include "format/text_io.h"
#include "solver/newton.h"
#include "support/run_dir.h"
#include "thermo/system_tables.h"

namespace zq::test {

// Reaction terms: (coefficient, component position).
using Terms = std::vector<std::pair<double, int>>;

class ChemBuilder {
public:
    ChemBuilder();

    // A component species; the second one added is water, whose total is in moles.
    int component(const std::string& name, double z, double gfw, double total, double trial);
    // A derived species: log m = sum nu log a - log gamma - logk.
    int species(const std::string& name, double z, double logk, const Terms& terms);
    // A mineral (or gas) with its hydrolysis log K; `moles` > 0 with in_matrix puts it in
    // the matrix with those moles.
    int mineral(const std::string& name, double logk, double gfw, double density, const Terms& terms,
                double moles = 0.0, bool in_matrix = false, int jsols = 0, double site_n = 1.0,
                bool gas = false);

    // The driver's set-up of the first solve (ACTCOF 1 and 2, the solid-solution tables,
    // the starting solution), then the solve.
    void start();
    SolveResult solve();
    // start() and solve() with the state kept for inspection.
    SolveResult start_and_solve() {
        start();
        return solve();
    }

    std::string listing();
    std::string console() const { return out.str(); }

    TempDir dir;
    std::istringstream in;
    std::ostringstream out;
    std::unique_ptr<Io> io;
    std::unique_ptr<ChemicalSystem> sys;
    RunParams rp;
    std::unique_ptr<NewtonState> state;
};

// Runs f and returns the stop status, or -1 when f returns.
template <class F>
int stop_status(F&& f) {
    try {
        f();
    } catch (const RunStop& stop) {
        return stop.status();
    }
    return -1;
}

}  // namespace zq::test
