#include "solver/equilibrium_charge.h"

#include <cmath>

#include "driver/run_parameters.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "solver/charge_balance.h"
#include "thermo/system_tables.h"

namespace zq {

void check_equilibrium_charge(ChemicalSystem& sys, const RunParams& rp, double q, double limit, Io& io) {
    const double w = rp.water_kg;
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
    CHGBAL(moles, sys.comp[rp.C].total, c.name.view(), c.charge, 1, io);
    sys.chg_start = 0.0;  // the totals are balanced: later listings show no imbalance
}

}  // namespace zq
