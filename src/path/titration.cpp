#include "path/titration.h"

#include <cmath>

#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "path/path_state.h"
#include "solver/equilibrium_state.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

constexpr double CHARGE_LIMIT = 1e-8;  // charge a titration increment may add

bool in_matrix(const ChemicalSystem& sys, const EquilibriumState& eq, const Name20& name) {
    for (int p = 1; p <= eq.nph; ++p)
        if (sys.mn[eq.ph[p]].name == name) return true;
    return false;
}

}  // namespace

std::string reactant_unit_label(const RunParams& rp) { return rp.MINSOL >= 3 ? " moles  " : " g      "; }

void titration_step(const ChemicalSystem& sys, RunParams& rp, PathState& ps, EquilibriumState& eq, Io& io) {
    const double curinc = ps.CURINC;
    const double previous = rp.TOTMIX;
    rp.TOTMIX += curinc;
    if (rp.IFRAC == 0 && rp.MINSOL == 1) rp.VBOX1 += curinc / rp.RHOROC;

    const bool grams = rp.MINSOL <= 2;
    const bool skip_equilibrated = rp.MINSOL == 2 || rp.MINSOL == 4;
    Table<double, MAX_COMPONENTS> added{};
    for (int r = 1; r <= sys.nreact; ++r) {
        const Reactant& re = sys.react[r];
        if (re.amount == 0) continue;  // not part of the mixture
        if (re.gfw == 0) {
            io.listing().line(R"(/ / "  WARNING: molecular weight of reactant " [A20] " is 0.")"
                              R"( / "  check MINOX data file for errors or double entries." / /)",
                              {re.name});
        }
        double amount = curinc * 0.01 * re.amount;
        if (grams) amount = re.gfw == 0 ? 0.0 : amount / re.gfw;  // no weight: nothing to convert
        if (skip_equilibrated && in_matrix(sys, eq, re.name)) {
            io.both(layout(R"([2X] "Reactant  " [A20] "  not titrated because equilibrated")", {re.name}));
            amount = 0;
        }
        for (int t = 1; t <= re.itot && t <= MAX_ITOT; ++t) {
            const auto tu = static_cast<std::size_t>(t);
            if (re.pos[tu] == 0) break;
            added[re.pos[tu]] += re.coef[tu] * amount;
        }
    }
    double charge = 0;
    for (int k = 1; k <= sys.nc; ++k) {
        eq.comp[k].total += added[k];
        charge += added[k] * sys.sp[k].charge;
    }

    if (rp.MINSOL > 2) ps.unit_label = " MOLES  ";
    io.both(layout(R"(/ "  Next reactant titration increment of:   " [F15.7] [1X] [A8])", {curinc, ps.unit_label}));
    io.both(layout(R"("  Current total amount of reactant added: " [F15.7] [1X] [A8])"
                   R"( / "  New total amount of reactant added:     " [F15.7] [1X] [A8] /)",
                   {previous, ps.unit_label, rp.TOTMIX, ps.unit_label}));

    if (std::fabs(charge) > CHARGE_LIMIT && rp.CHGF != 1) {
        io.both(layout(R"(/ "  Charge imbalance of reactants in MINOX exceeds 1.E-8.")"
                       R"( / "  Imbalance =" [E10.4] ";  check for stoichiometry")"
                       R"( / "  error in MINOX.  EXECUTION ABORTED." /)",
                       {charge}));
        stop_run(1);
    }
}

}  // namespace zq
