#include "path/fractionation.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "path/path_state.h"
#include "solver/equilibrium_state.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

bool in_dont_frac_list(const ChemicalSystem& sys, const Name20& name) {
    for (int j = 1; j <= sys.ndontfrac; ++j)
        if (sys.dontfrac[j] == name) return true;
    return false;
}

// E(k): moles of each component held in the minerals of the matrix that the run file's
// don't-fractionate list keeps with the fluid. Gases are left out: their moles are in
// comp[k].gas, which mode 4 does not take away, so adding them back would create matter.
Table<double, MAX_COMPONENTS> dont_frac_moles(const ChemicalSystem& sys, const EquilibriumState& eq) {
    Table<double, MAX_COMPONENTS> e{};
    for (int j = 1; j <= eq.nph; ++j) {
        const int i = eq.ph[j];
        const Mineral& mn = sys.mn[i];
        if (mn.is_gas() || !in_dont_frac_list(sys, mn.name)) continue;
        for (int l = 1; l <= mn.itot; ++l) {
            const auto lu = static_cast<std::size_t>(l);
            e[mn.specm[lu]] += mn.coefm[lu] * eq.mn_moles[i];
        }
    }
    return e;
}

// The heading of mode 4 with the don't-fractionate names: four names in full on the
// heading line, then lines of five indented by 28 blanks (names 5 to 14 cut to 12
// characters, 15 to 19 in full), and a 20th name on a line of its own.
std::string dont_frac_heading(const ChemicalSystem& sys) {
    struct Row {
        int first, last;
        const char* lay;
    };
    static constexpr Row rows[] = {
        {1, 4, R"("  Solids fractionated, except for: " [1X] 4[[A20] [1X]])"},
        {5, 9, R"([28X] 5[[A12] [1X]])"},
        {10, 14, R"([28X] 5[[A12] [1X]])"},
        {15, 19, R"([28X] 5[[A20] [1X]])"},
        {20, 20, R"([28X] [A20])"},
    };
    std::string text;
    for (const Row& r : rows) {
        if (r.first > std::max(sys.ndontfrac, 1)) break;  // the heading line always
        std::vector<FieldValue> names;
        for (int j = r.first; j <= std::min(r.last, sys.ndontfrac); ++j) names.emplace_back(sys.dontfrac[j]);
        if (!text.empty()) text += '\n';
        text += layout(r.lay, names);
    }
    return text;
}

// Flushing of BOX-1: a fraction CURINC of the pore volume is replaced by fresh fluid.
StepOutcome flush_box(const ChemicalSystem& sys, RunParams& rp, const PathState& ps, EquilibriumState& eq, Io& io) {
    const double vbox = rp.VBOX1;
    const double v = vbox - ps.totals.solids_volume;  // pore volume left by the solids
    if (v <= 0) {
        io.both(layout<R"("        Porosity is all plugged up. STOP!")">());
        return StepOutcome::LimitReached;
    }
    if (v >= vbox) {
        io.both(layout<R"("        100% porosity. No reason to continue.  STOP.")">());
        return StepOutcome::LimitReached;
    }
    const double wf = ps.CURINC * rp.RHOFRS * v;          // grams of fresh fluid infused
    const double wp = (1.0 - ps.CURINC) * rp.RHOFRS * v;  // grams of old pore fluid kept
    io.console(layout<R"("GRMCOM =" [F10.4] " VBOX1 =" [F10.4])">(ps.GRMCOM, vbox));

    rp.TOTMIX += wf;
    if (rp.TOTMIX > rp.SLIM) {
        io.both(layout<R"("  Quantity of infused fluid just exceeded indicated limit of " [E13.7] /)"
                       R"( "   TOTMIX = " [E13.7] ". EXECUTION STOPPED.")">(rp.SLIM, rp.TOTMIX));
        return StepOutcome::LimitReached;
    }

    // With the whole pore fluid replaced (CURINC 1) nothing of the old fluid stays, whatever
    // its mass; otherwise the old fluid must have a mass to take the share Wp of.
    const double gsol = ps.totals.solution_grams;
    if (wp != 0 && !(gsol > 0)) {
        io.both(layout<R"(/ "  Pore solution of BOX-1 has no mass (" [E13.7] " g): nothing to mix)"
                       R"( the fresh fluid with." / "  EXECUTION STOPPED.")">(gsol));
        stop_run(1);
    }
    for (int k = 1; k <= sys.nc; ++k) {
        ComponentAmounts& c = eq.comp[k];
        const double aq = c.total - c.solid - c.gas;
        const double old_fluid = wp != 0 ? aq * wp / gsol : 0.0;
        c.total = c.solid + sys.comp[k].mix_total * wf / ps.GRMCOM + old_fluid;
    }

    io.both(layout<R"("  BOX-1 infused with " [F10.4] " grams of fresh fluid" /)"
                   R"( "          Mixed with " [F10.4] " grams of previous pore fluid." /)"
                   R"( "  Total pore volume: " [F10.4] " CM3" / "     Porosity = " [F10.4] " %" /)">(wf, wp, v,
                                                                                                     100.0 * v / vbox));
    io.console(layout<R"("  New total quantity of infused fluid: " [E13.7] /)"
                      R"( "                        current limit: " [E13.7] / /)">(rp.TOTMIX, rp.SLIM));
    return StepOutcome::Continue;
}

}  // namespace

double prepare_flushing(const ChemicalSystem& sys, RunParams& rp, Io& io) {
    // BOX-1 replaces a fraction of its pore volume per step: SINC must lie in (0, 1].
    if (rp.NLOOP != 0 && rp.IFRAC == 5 && !(rp.SINC > 0 && rp.SINC <= 1)) {
        rp.SINC = 1.0;
        io.console(layout<R"("  SINC set to 1.0. Input value " "out of range for BOX-1" / /)">());
    }
    double grams = 0;
    for (int k = 1; k <= sys.nc; ++k) grams += sys.comp[k].mix_total * sys.sp[k].gfw;
    if (rp.IFRAC == 5 && !(grams > 0)) {
        io.both(layout<R"(/ "  Fresh fluid for BOX-1 has no mass: GRMCOM = " [E13.7] " g. Abort run.")">(grams));
        stop_run(1);
    }
    return grams;
}

StepOutcome fractionate_or_flush(const ChemicalSystem& sys, RunParams& rp, const PathState& ps, EquilibriumState& eq,
                                 Io& io) {
    if (ps.CURINC != rp.SINC) return StepOutcome::Continue;  // repeats and half steps back keep everything

    Table<ComponentAmounts, MAX_COMPONENTS>& c = eq.comp;
    switch (rp.IFRAC) {
        case 0: io.listing().line<R"("  Solids and gases carried")">(); break;
        case 1:
            for (int k = 1; k <= sys.nc; ++k) c[k].total -= c[k].solid;
            io.both(layout<R"("  Solids only left behind")">());
            break;
        case 2:
            for (int k = 1; k <= sys.nc; ++k) c[k].total -= c[k].gas;
            io.both(layout<R"("  Gases only left behind")">());
            break;
        case 3:
            for (int k = 1; k <= sys.nc; ++k) c[k].total -= c[k].solid + c[k].gas;
            io.both(layout<R"("  Solids and gases left behind")">());
            break;
        case 4: {
            const Table<double, MAX_COMPONENTS> e = dont_frac_moles(sys, eq);
            for (int k = 1; k <= sys.nc; ++k) c[k].total = c[k].total - c[k].solid + e[k];
            io.listing().line(dont_frac_heading(sys));
            break;
        }
        case 5: return flush_box(sys, rp, ps, eq, io);
        default: break;
    }
    return StepOutcome::Continue;
}

}  // namespace zq
