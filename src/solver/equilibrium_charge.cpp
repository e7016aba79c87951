#include "solver/equilibrium_charge.h"

#include <cmath>

#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "solver/charge_balance.h"
#include "solver/equilibrium_state.h"
#include "thermo/system_tables.h"

namespace zq {

double solution_charge(const ChemicalSystem& sys, const EquilibriumState& eq) {
    double q = 0.0;
    for (int i = 1; i <= sys.ns; ++i) q += sys.sp[i].charge * eq.m[i];
    return q;
}

void check_equilibrium_charge(const ChemicalSystem& sys, const RunParams& rp, double q, double limit,
                              EquilibriumState& eq, Io& io) {
    const double w = eq.water_kg;
    if (!(std::fabs(q) > std::fabs(limit) / w)) return;
    const Species& c = sys.sp[rp.C];
    if (rp.CHGF != 1) {
        io.both(layout(R"(/ "  Charge imbalance of aq. solution exeeds given limit." /)"
                       R"( "  Current limit is: 1.e-4 * aq. molality of " [A12] /)"
                       R"( "  check for convergence problems, or stochiometry error, or" /)"
                       R"( "  charge imbalance of mixing solution. EXECUTION" " ABORTED." /)",
                       {c.name}));
        stop_run(1);
    }
    // The total of C takes up the charge the equilibrated solution carries, so that the
    // next solve starts from neutral totals.
    double moles = q * w;
    CHGBAL(moles, eq.comp[rp.C].total, c.name.view(), c.charge, 1, io);
    eq.chg_start = 0.0;  // the totals are balanced: later listings show no imbalance
}

}  // namespace zq
