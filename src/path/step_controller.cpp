#include "path/step_controller.h"

#include <array>
#include <cmath>
#include <string>

#include "base/run_params.h"
#include "base/units.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "path/fractionation.h"
#include "path/mixing.h"
#include "path/path_progress.h"
#include "path/titration.h"
#include "phases/data_limits.h"
#include "phases/enthalpy.h"
#include "phases/gas_mixture.h"
#include "solver/activity.h"
#include "solver/equilibrium_state.h"
#include "thermo/conditions.h"
#include "thermo/grid.h"
#include "thermo/system_tables.h"
#include "thermo/tp_curve.h"

namespace zq {

namespace {

// Half-step searching ends once the increment is this small: a step back below
// LOOC_BACK_LIMIT, or any step below LOOC_RATIO_LIMIT of SINC.
constexpr double LOOC_BACK_LIMIT = 0.05;
constexpr double LOOC_RATIO_LIMIT = 0.24;

// The path variable has not yet passed SLIM in the direction of SINC.
bool within_limit(const RunParams& rp, double value) {
    return (rp.SINC > 0 && value <= rp.SLIM) || (rp.SINC < 0 && value >= rp.SLIM);
}

// The message of a path limit reached (listing, then console): the end of the path.
StepOutcome limit_reached(Io& io, const std::string& text) {
    io.both(text);
    return StepOutcome::LimitReached;
}

StepOutcome ph_step(RunParams& rp, double curinc, Io& io) {
    io.console(layout<R"("  ZARN-QVD assumes that you wish to INCREMENT pH at contsant temperature.")"
                      R"( / "  IF NOT, reset your ZARNRUN file." /)">());
    rp.pH += curinc;
    io.console(layout<R"(/ "  pH changed by " [F7.3] " units to " [F7.3] /)">(curinc, rp.pH));
    if (!within_limit(rp, rp.pH))
        return limit_reached(
            io, layout<R"(/ "  pH reached given limit of " [F10.4] / "  New pH =" [F10.4] "  Execution stopped.")">(
                    rp.SLIM, rp.pH));
    return StepOutcome::Continue;
}

StepOutcome enthalpy_step(RunParams& rp, double curinc, Io& io) {
    rp.ENTH += curinc;
    io.console(
        layout<R"("   Next enthalpy change of " [F10.4] "kcal")"
               R"x( / "  total  enthalpy added (incl. starting enthalpy)" [F10.4] " kcal" /)x">(curinc, rp.enth_added));
    rp.enth_added += curinc;
    io.listing()
        .line<R"("  enthalpy changed by " [F10.4] " kcal to " [F10.4] " kcal")"
              R"x( / "  Total enthalpy added (incl. starting enthalpy)" [F10.4] " kcal" /)x">(curinc, rp.ENTH,
                                                                                              rp.enth_added);
    if (!within_limit(rp, rp.ENTH))
        return limit_reached(
            io,
            layout<R"(/ "  Enthalpy reached given limit of " [F10.4] / "  ENTH  =" [F10.4] "  Execution stopped.")">(
                rp.SLIM, rp.ENTH));
    return StepOutcome::Continue;
}

StepOutcome pressure_step(RunParams& rp, double curinc, Io& io) {
    rp.PFLUID += curinc;
    io.listing().line<R"("  Pressure changed by " [F9.4] " bar to " [F9.4] " bar" /)">(curinc, rp.PFLUID);
    io.console(layout<R"("   Next pressure change of " [F9.5] "bar" /)">(curinc));
    if (!within_limit(rp, rp.PFLUID))
        return limit_reached(
            io,
            layout<R"(/ "  Pressure reached given limit of " [F10.4] / "  PFLUID = " [F10.4] "  Execution stopped.")">(
                rp.SLIM, rp.PFLUID));
    return StepOutcome::Continue;
}

StepOutcome temperature_step(RunParams& rp, double curinc, Io& io) {
    rp.TEMP += curinc;
    io.listing().line<R"("  Temperature changed by " [F7.3] " degrees to " [F7.3] " degrees C." /)">(curinc, rp.TEMP);
    io.console(layout<R"("   Next temperature change of " [F10.4] "deg. C " /)">(curinc));
    if (!within_limit(rp, rp.TEMP))
        return limit_reached(
            io,
            layout<R"(/ "  Temperature reached given limit of " [F10.4] / "  TEMP = " [F10.4] "  Execution stopped.")">(
                rp.SLIM, rp.TEMP));
    return StepOutcome::Continue;
}

// A mixing run goes on while TOTMIX has not passed SLIM: it goes on at SLIM itself.
StepOutcome mixing(const ChemicalSystem& sys, Conditions& cond, RunParams& rp, PathState& ps, EquilibriumState& eq,
                   Io& io) {
    mixing_step(sys, cond, rp, ps, eq, io);
    if ((rp.SINC > 0 && rp.TOTMIX > rp.SLIM) || (rp.SINC < 0 && rp.TOTMIX < rp.SLIM))
        return limit_reached(
            io,
            layout<
                R"(/ "  Mixing fraction reached given limit of " [E10.4] / "  TOTMIX = " [E10.4] "  Execution stopped.")">(
                rp.SLIM, rp.TOTMIX));
    return StepOutcome::Continue;
}

// A titration goes on while TOTMIX has not reached SLIM: it stops at SLIM itself.
StepOutcome titration(const ChemicalSystem& sys, RunParams& rp, PathState& ps, EquilibriumState& eq, Io& io) {
    titration_step(sys, rp, ps, eq, io);
    if ((rp.SINC > 0 && rp.TOTMIX < rp.SLIM) || (rp.SINC < 0 && rp.TOTMIX > rp.SLIM)) return StepOutcome::Continue;
    return limit_reached(
        io,
        layout<
            R"(/ "  Mixing fraction reached given limit of " [E10.4] / "  TOTMIX = " [E10.4] "  Execution stopped.")">(
            rp.SLIM, rp.TOTMIX));
}

// The gases of the mixture that carry an enthalpy: their lines of the enthalpy report, with
// the molar enthalpies of the last solve, and the enthalpy in kcal of those in the matrix.
double gas_enthalpy(const ChemicalSystem& sys, const EquilibriumState& eq, Io& io) {
    double total = 0;
    for (int g = 1; g <= enthalpy_gases(sys); ++g) {
        const double h = eq.gas.h[g];
        io.listing().line<R"([6X] [A20] [2X] [F10.4] " kcal/mole")">(sys.mn[g].name, h);
        if (matrix_position(eq, g) != 0) total += h * eq.mn_moles[g];
    }
    return total;
}

// Enthalpy of the liquid water of the solution at TEMP, kcal.
double solution_enthalpy(const EquilibriumState& eq, double h_water) {
    return WATER_MOLES_PER_KG * eq.water_kg * h_water;
}

void enthalpy_report(const ChemicalSystem& sys, const RunParams& rp, const EquilibriumState& eq, PathState& ps,
                     Io& io) {
    const double h_water = water_molar_enthalpy(rp.TEMP);
    io.listing().line<R"(/ "  Enthalpies: " / [6X] "Pure water" [F10.4] " kcal/mole")">(h_water);
    ps.gas_enthalpy = ps.enthalpy_row ? gas_enthalpy(sys, eq, io) : 0.0;
    const double solution = solution_enthalpy(eq, h_water);
    io.listing()
        .line<R"([6X] "Current solution " [F10.4] [6X] "Gas " [F10.4] " kcal")"
              R"( / [6X] "Total current enthalpy " [3X] [F10.4] " kcal")"
              R"( / [6X] "Starting enthalpy " [F10.4] " kcal")">(solution, ps.gas_enthalpy, solution + ps.gas_enthalpy,
                                                                 rp.SENTH);
}

// While the enthalpy constraint holds: the heat lost or gained per degree, and the heat
// of gases that fractionation takes away.
void enthalpy_bookkeeping(RunParams& rp, const PathState& ps, double liquid_before, const EquilibriumState& eq,
                          Io& io) {
    if (!ps.enthalpy_row) return;
    // A flush of BOX-1 exchanges pore water for fresh water at the box's temperature: the
    // enthalpy follows the water of the box (the gases leave below with their heat).
    if (rp.IFRAC == 5 && ps.CURINC == rp.SINC) rp.ENTH += eq.gas.h_water * (eq.comp[2].total - liquid_before);
    if (rp.DENTH != 0) {
        // Per degree of the step taken: a half step back is charged half a step.
        rp.ENTH -= ps.CURINC * rp.DENTH;
        io.listing()
            .line<R"(/ "  Given heat loss or gain per Deg. C  cooling: " [F10.4] " kcal")"
                  R"( / [10X] "New total enthalpy: " [14X] [F10.4] " kcal")">(rp.DENTH, rp.ENTH);
    }
    // The heat of the gases goes with them: on full steps of the modes that take the gases
    // away (gases, gases and solids, flushing of BOX-1).
    const bool gases_left = rp.IFRAC == 2 || rp.IFRAC == 3 || rp.IFRAC == 5;
    if (gases_left && ps.CURINC == rp.SINC) {
        rp.ENTH -= ps.gas_enthalpy;
        io.listing()
            .line<R"("  Gas fractionation, we fractionate the gas heat" [5X] "New total enthalpy: " [F10.4] " KCAL")">(
                rp.ENTH);
    }
}

// Charge of the component totals after titration, fractionation or mixing changed them.
void total_charge_check(const ChemicalSystem& sys, const RunParams& rp, const EquilibriumState& eq, Io& io) {
    if (rp.MINSOL == 0 && rp.IFRAC == 0 && rp.TEMPC == 0) return;
    double tbal = 0;
    for (int k = 1; k <= sys.nc; ++k) tbal += eq.comp[k].total * sys.sp[k].charge;
    io.listing().line<R"(/ "  Charge balance check after fractionation or titration: TBAL = " [E10.4])">(tbal);
}

// An IENTH run: the molar enthalpies of pure water and of the gases at the conditions of
// the next solve; once the first gas has entered the matrix the enthalpy balance becomes
// the row after the last component species, from a total enthalpy of the solution's own
// when none was given.
void gas_enthalpy_preparation(const ChemicalSystem& sys, const Conditions& cond, RunParams& rp, EquilibriumState& eq,
                              PathState& ps, Io& io) {
    if (rp.IENTH == 0) return;
    eq.gas.h_water = water_molar_enthalpy(rp.TEMP);
    gas_enthalpies(sys, cond, rp, rp.PFLUID, eq);
    if (sys.ngas_records == 0 || matrix_position(eq, 1) == 0) return;
    if (!ps.enthalpy_row) io.listing().line<R"(/ "  Gases just saturated. Enthalpy constraint kicks in")">();
    if (rp.ENTH == 0) rp.ENTH = solution_enthalpy(eq, water_molar_enthalpy(rp.TEMP)) + 0.01;
    if (rp.SENTH == 0) rp.SENTH = rp.ENTH;
    ps.enthalpy_row = true;
}

}  // namespace

StepKind step_kind(const RunParams& rp) {
    if (rp.IFRAC == 5) return StepKind::Flushing;
    if (rp.pH != 0) {
        if (rp.MINSOL != 0) return StepKind::Titration;
        return rp.TEMPC != 0 ? StepKind::Mixing : StepKind::PH;
    }
    if (rp.INCP > 1) return StepKind::Enthalpy;
    if (rp.INCP == 1) return StepKind::Pressure;
    if (rp.MINSOL != 0) return StepKind::Titration;
    if (rp.TEMPC != 0) return StepKind::Mixing;
    return StepKind::Temperature;
}

void change_conditions(const ChemicalSystem& sys, Conditions& cond, RunParams& rp, PathState& ps, Io& io) {
    if (const auto p = pressure_on_curve(sys, rp.TEMP)) rp.PFLUID = *p;
    if (rp.CONFLG != 1) {
        check_saturation_range(rp.TEMP, ps.answers.saturation, io);
    } else {
        relocate_grid(cond.grid, rp.PFLUID, rp.TEMP);
        report_grid_status(cond.grid, rp.PFLUID, rp.TEMP, ps.answers.grid, io);
    }
    evaluate_conditions(sys, rp, cond);
    evaluate_bdot(sys, cond);
}

StepOutcome step_controller(const ChemicalSystem& sys, Conditions& cond, RunParams& rp, PathState& ps,
                            EquilibriumState& eq, Io& io) {
    const double curinc = ps.CURINC;
    const PathMark mark = mark_path(rp, curinc);
    // The data at the new conditions; a phase of the matrix whose data end there leaves it.
    auto reevaluate = [&] {
        change_conditions(sys, cond, rp, ps, io);
        leave_matrix_without_data(sys, cond, rp.TEMP, eq, io);
    };
    StepOutcome out = StepOutcome::Continue;
    switch (step_kind(rp)) {
        case StepKind::Flushing: break;
        case StepKind::PH: out = ph_step(rp, curinc, io); break;
        case StepKind::Enthalpy: out = enthalpy_step(rp, curinc, io); break;
        case StepKind::Pressure:
            out = pressure_step(rp, curinc, io);
            if (out == StepOutcome::Continue) reevaluate();
            break;
        case StepKind::Temperature:
            out = temperature_step(rp, curinc, io);
            if (out == StepOutcome::Continue) reevaluate();
            break;
        case StepKind::Mixing:
            out = mixing(sys, cond, rp, ps, eq, io);
            if (out == StepOutcome::Continue && rp.TEMPC != rp.TEMP) reevaluate();
            break;
        case StepKind::Titration: out = titration(sys, rp, ps, eq, io); break;
    }
    if (out != StepOutcome::Continue) return out;
    out = fractionate_or_flush(sys, rp, ps, eq, io);
    if (out != StepOutcome::Continue) return out;
    check_path_progress(mark, sys, rp, io);

    const double ratio = std::fabs(curinc / rp.SINC);
    if ((rp.SINC * curinc < 0 && std::fabs(curinc) < LOOC_BACK_LIMIT) || ratio < LOOC_RATIO_LIMIT) rp.LOOC = 0;
    return StepOutcome::Continue;
}

StepOutcome after_step(const ChemicalSystem& sys, Conditions& cond, RunParams& rp, PathState& ps, EquilibriumState& eq,
                       Io& io, AfterStepEntry entry) {
    const bool step = entry == AfterStepEntry::Calculations || (entry == AfterStepEntry::Solved && ps.CURINC != 0);
    if (step) {
        if (entry == AfterStepEntry::Solved) io.console(layout<R"(/ "  The pH is: " [F5.2])">(-std::log10(eq.act[1])));
        io.both(
            layout<R"(/ [2X] "Calculations done for " [F10.4] " Deg. C;" [2X] [F10.4] " bar")">(rp.TEMP, rp.PFLUID));
        if (rp.INCREM != 0) ps.CURINC = rp.SINC;
        if (rp.IENTH != 0) enthalpy_report(sys, rp, eq, ps, io);
        const double liquid_before = eq.comp[2].total - eq.comp[2].gas;
        if (step_controller(sys, cond, rp, ps, eq, io) == StepOutcome::LimitReached) return StepOutcome::LimitReached;
        enthalpy_bookkeeping(rp, ps, liquid_before, eq, io);
        total_charge_check(sys, rp, eq, io);
    }
    gas_enthalpy_preparation(sys, cond, rp, eq, ps, io);
    return StepOutcome::Continue;
}

}  // namespace zq
