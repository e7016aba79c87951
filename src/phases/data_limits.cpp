#include "phases/data_limits.h"

#include "format/record_layout.h"
#include "format/text_io.h"
#include "phases/solid_solution.h"
#include "solver/equilibrium_state.h"
#include "thermo/conditions.h"
#include "thermo/grid.h"
#include "thermo/system_tables.h"

namespace zq {

void leave_matrix_without_data(const ChemicalSystem& sys, const Conditions& cond, double temp, EquilibriumState& eq,
                               Io& io) {
    int kept = 0;
    bool left = false;
    for (int p = 1; p <= eq.nph; ++p) {
        const int i = eq.ph[p];
        const double logk = i <= sys.nmixed ? cond.mn_logk_raw[i] : cond.mn_logk[i];
        if (!is_no_data(logk)) {
            eq.ph[++kept] = i;
            continue;
        }
        io.both(layout(R"(/ [2X] [A20] " has no log K data at " [F8.3] " C: it leaves the matrix." /)",
                       {sys.mn[i].name, temp}));
        eq.mn_moles[i] = 0.0;
        left = true;
    }
    for (int p = kept + 1; p <= eq.nph; ++p) eq.ph[p] = 0;
    eq.nph = kept;
    if (left) refresh_solid_solutions(sys, eq);
}

}  // namespace zq
