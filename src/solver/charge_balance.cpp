#include "solver/charge_balance.h"

#include <cmath>
#include <string>

#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "solver/equilibrium_state.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

// Closing lines of a refused adjustment.
constexpr std::string_view ABORT_TEXT =
    R"(/ / "  Check input data, or change C (charge balance ion)." /)"
    R"( "  If mixing, check charge balance of mixing solution." / "  EXECUTION ABORTED." / /)";

// The old and the adjusted total of the charge-balance component.
constexpr std::string_view PREVIOUS_TEXT = R"(/ / "  Previous total molality of " [A12] " was: " [E11.5] / /)"
                                           R"( [5X] "TOTAL molality adjusted for charge balance is now : " [E11.5] /)"
                                           R"( "  Original value was changed by " [F10.5] " percent")";

// An imbalance that no adjustment can remove: the charge-balance component is neutral (its
// total would become infinite) or is not a component of the run.
[[noreturn]] void stop_neutral(Io& io, std::string_view name) {
    io.both(layout(R"(/ [2X] "Charge imbalance cannot be adjusted: " [A12] " carries no charge." /)"
                   R"( "  Check input data, or change C (charge balance ion)." / "  EXECUTION ABORTED." /)",
                   {name}));
    stop_run(1);
}

[[noreturn]] void stop_not_component(Io& io, int c) {
    io.both(layout(R"(/ [2X] "Charge imbalance cannot be adjusted: C =" [I4])"
                   R"( " is not a component of the run." /)"
                   R"( "  Check input data, or change C (charge balance ion)." / "  EXECUTION ABORTED." /)",
                   {c}));
    stop_run(1);
}

void adjust_start(ChemicalSystem& sys, EquilibriumState& eq, const RunParams& rp, Io& io, bool mixing) {
    double& q = mixing ? sys.chg_mix : eq.chg_start;
    if (rp.C < 1 || rp.C > sys.nc) stop_not_component(io, rp.C);
    const Species& s = sys.sp[rp.C];
    CHGBAL(q, mixing ? sys.comp[rp.C].mix_total : eq.comp[rp.C].total, s.name.view(), s.charge, rp.CHGF, io);
}

}  // namespace

double component_charge(const ChemicalSystem& sys, const EquilibriumState& eq, bool mixing) {
    double q = 0;
    for (int k = 1; k <= sys.nc; ++k) q += sys.sp[k].charge * (mixing ? sys.comp[k].mix_total : eq.comp[k].total);
    return q;
}

void CHGBAL(double& q, double& total, std::string_view name, double z, int chgf, Io& io) {
    if (z == 0) stop_neutral(io, name);
    if (chgf == 1) {
        total -= q / z;
        q = 0;
        return;
    }

    io.both(layout(R"(/ / "  Charge imbalance in starting solution or mixing" /)"
                   R"( "  solution exceeds given limit !! " /)"
                   R"( "  Current limit is: 1.E-4 * total moles of " [A12] /)",
                   {name}));
    if (!io.ask_yes(layout(R"(/ "  adjust for charge balance (Y/N) ? :> ")"))) {
        io.console(layout(R"(/ / "  ZARN-QVD does not allow solutions which are not in " "charge balance." /)"
                          R"( "  You apparently prefer to fix charge" " balance by hand.  OK. " /)"));
        io.both(layout(ABORT_TEXT));
        stop_run(1);
    }

    const double old = total;
    const double adjusted = total - q / z;
    total = adjusted;
    // A zero old total has no percentage: the field shows asterisks.
    const std::string previous = layout(PREVIOUS_TEXT, {name, old, adjusted, 100.0 * (adjusted - old) / old});
    io.console(previous);
    if (!io.ask_yes(layout(R"(/ "  CONTINUE EXECUTION (Y/N) ?    :> ")"))) {
        io.listing().line(layout(ABORT_TEXT));
        stop_run(1);
    }
    io.listing().line(previous);
    q = 0;
}

void check_start_charge_balance(ChemicalSystem& sys, EquilibriumState& eq, const RunParams& rp, Io& io) {
    // The mixing column is the mixing solution of a mixing run and the fresh fluid of a
    // flushing run; in any other run it is unused and is not tested. Its balance line is
    // printed for mixing runs only, as the listing always had it.
    const bool mixing = rp.TEMPC != 0 || rp.IFRAC == 5;
    eq.chg_start = rp.pH == 0 ? component_charge(sys, eq, false) : 0.0;
    sys.chg_mix = mixing ? component_charge(sys, eq, true) : 0.0;
    // A negative total (H+ can have one) still allows a positive difference.
    const double limit = rp.C >= 1 && rp.C <= sys.nc ? 1.0e-4 * std::fabs(eq.comp[rp.C].total) : 0.0;

    io.both(layout(R"(/ [2X] "Chg. balance for total moles = " [E10.4] [3X] "Max. difference allowed = " [E10.4])",
                   {eq.chg_start, limit}));
    if (rp.TEMPC != 0)
        io.both(layout(R"(/ [2X] "Chg. balance for the mixing solution = " [E10.4])"
                       R"( "  Max. difference allowed = " [E10.4])",
                       {sys.chg_mix, limit}));

    if (std::fabs(eq.chg_start) > limit) adjust_start(sys, eq, rp, io, false);
    if (std::fabs(sys.chg_mix) > limit) adjust_start(sys, eq, rp, io, true);
}

}  // namespace zq
