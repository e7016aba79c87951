#include "path/step_controller.h"

#include <array>
#include <cmath>
#include <string>

#include "driver/run_file.h"
#include "driver/run_parameters.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "path/fractionation.h"
#include "path/titration.h"
#include "phases/enthalpy.h"
#include "phases/gas_mixture.h"
#include "phases/solid_solution.h"
#include "solver/activity.h"
#include "thermo/grid.h"
#include "thermo/system_tables.h"

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

// The message of a path limit reached (listing, then console) and the orderly stop.
[[noreturn]] void stop_at_limit(Io& io, const std::string& text) {
    io.both(text);
    stop_run(0);
}

// Temperature functions c1/T^2 + c2/T + c3 of the gas-mixture coefficients (T in kelvin).
double temperature_function(const std::array<double, 3>& c, double t) { return c[0] / (t * t) + c[1] / t + c[2]; }

void ph_step(RunParams& rp, Io& io) {
    io.console(layout(R"("  ZARN-QVD assumes that you wish to INCREMENT pH at contsant temperature.")"
                      R"( / "  IF NOT, reset your ZARNRUN file." /)"));
    rp.pH += rp.CURINC;
    io.console(layout(R"(/ "  pH changed by " [F7.3] " units to " [F7.3] /)", {rp.CURINC, rp.pH}));
    if (!within_limit(rp, rp.pH))
        stop_at_limit(io, layout(R"(/ "  pH reached given limit of " [F10.4] / "  New pH =" [F10.4] "  Execution stopped.")",
                                 {rp.SLIM, rp.pH}));
}

void enthalpy_step(RunParams& rp, Io& io) {
    rp.ENTH += rp.CURINC;
    io.console(layout(R"("   Next enthalpy change of " [F10.4] "kcal")"
                      R"x( / "  total  enthalpy added (incl. starting enthalpy)" [F10.4] " kcal" /)x",
                      {rp.CURINC, rp.enth_added}));
    rp.enth_added += rp.CURINC;
    io.listing().line(layout(R"("  enthalpy changed by " [F10.4] " kcal to " [F10.4] " kcal")"
                             R"x( / "  Total enthalpy added (incl. starting enthalpy)" [F10.4] " kcal" /)x",
                             {rp.CURINC, rp.ENTH, rp.enth_added}));
    if (!within_limit(rp, rp.ENTH))
        stop_at_limit(io, layout(R"(/ "  Enthalpy reached given limit of " [F10.4] / "  ENTH  =" [F10.4] "  Execution stopped.")",
                                 {rp.SLIM, rp.ENTH}));
}

void pressure_step(RunParams& rp, Io& io) {
    rp.PFLUID += rp.CURINC;
    io.listing().line(layout(R"("  Pressure changed by " [F9.4] " bar to " [F9.4] " bar" /)", {rp.CURINC, rp.PFLUID}));
    io.console(layout(R"("   Next pressure change of " [F9.5] "bar" /)", {rp.CURINC}));
    rp.logP = std::log10(rp.PFLUID);
    if (!within_limit(rp, rp.PFLUID))
        stop_at_limit(io, layout(R"(/ "  Pressure reached given limit of " [F10.4] / "  PFLUID = " [F10.4] "  Execution stopped.")",
                                 {rp.SLIM, rp.PFLUID}));
}

void temperature_step(RunParams& rp, Io& io) {
    rp.TEMP += rp.CURINC;
    io.listing().line(layout(R"("  Temperature changed by " [F7.3] " degrees to " [F7.3] " degrees C." /)",
                             {rp.CURINC, rp.TEMP}));
    io.console(layout(R"("   Next temperature change of " [F10.4] "deg. C " /)", {rp.CURINC}));
    if (!within_limit(rp, rp.TEMP))
        stop_at_limit(io, layout(R"(/ "  Temperature reached given limit of " [F10.4] / "  TEMP = " [F10.4] "  Execution stopped.")",
                                 {rp.SLIM, rp.TEMP}));
}

[[noreturn]] void mixing_not_available(Io& io) {
    io.both(layout(R"(/ "  Mixing of a second fluid (TEMPC not 0) is not available in this version." /)"));
    stop_run(1);
}

// A titration goes on while TOTMIX has not reached SLIM: it stops at SLIM itself.
void titration(ChemicalSystem& sys, RunParams& rp, Io& io) {
    titration_step(sys, rp, io);
    if ((rp.SINC > 0 && rp.TOTMIX < rp.SLIM) || (rp.SINC < 0 && rp.TOTMIX > rp.SLIM)) return;
    stop_at_limit(io, layout(R"(/ "  Mixing fraction reached given limit of " [E10.4] / "  TOTMIX = " [E10.4] "  Execution stopped.")",
                             {rp.SLIM, rp.TOTMIX}));
}

// The gases of the mixture that carry an enthalpy and are in the matrix: their lines of the
// enthalpy report and their enthalpy in kcal.
double gas_enthalpy(const ChemicalSystem& sys, const RunParams& rp, Io& io) {
    double total = 0;
    for (int g = 1; g <= sys.ngasmix; ++g) {
        const double h = mixed_gas_enthalpy(sys, rp, g);
        io.listing().line(layout(R"([6X] [A20] [2X] [F10.4] " kcal/mole")", {sys.mn[g].name, h}));
        if (matrix_position(sys, g) != 0) total += h * sys.mn_moles[g];
    }
    return total;
}

// Enthalpy of the liquid water of the solution at TEMP, kcal.
double solution_enthalpy(const RunParams& rp, double h_water) { return WATER_MOLES_PER_KG * rp.water_kg * h_water; }

void enthalpy_report(const ChemicalSystem& sys, const RunParams& rp, PathState& ps, Io& io) {
    const double h_water = water_molar_enthalpy(rp.TEMP);
    io.listing().line(layout(R"(/ "  Enthalpies: " / [6X] "Pure water" [F10.4] " kcal/mole")", {h_water}));
    ps.gas_enthalpy = rp.enthalpy_row != 0 ? gas_enthalpy(sys, rp, io) : 0.0;
    const double solution = solution_enthalpy(rp, h_water);
    io.listing().line(layout(R"([6X] "Current solution " [F10.4] [6X] "Gas " [F10.4] " kcal")"
                             R"( / [6X] "Total current enthalpy " [3X] [F10.4] " kcal")"
                             R"( / [6X] "Starting enthalpy " [F10.4] " kcal")",
                             {solution, ps.gas_enthalpy, solution + ps.gas_enthalpy, rp.SENTH}));
}

// While the enthalpy constraint holds: the heat lost or gained per degree, and the heat
// of gases that fractionation takes away.
void enthalpy_bookkeeping(RunParams& rp, const PathState& ps, Io& io) {
    if (rp.enthalpy_row == 0) return;
    if (rp.DENTH != 0) {
        rp.ENTH -= rp.SINC * rp.DENTH;
        io.listing().line(layout(R"(/ "  Given heat loss or gain per Deg. C  cooling: " [F10.4] " kcal")"
                                 R"( / [10X] "New total enthalpy: " [14X] [F10.4] " kcal")",
                                 {rp.DENTH, rp.ENTH}));
    }
    if (rp.IFRAC >= 2) {
        rp.ENTH -= ps.gas_enthalpy;
        io.listing().line(layout(R"("  Gas fractionation, we fractionate the gas heat" [5X] "New total enthalpy: " [F10.4] " KCAL")",
                                 {rp.ENTH}));
    }
}

// Charge of the component totals after titration, fractionation or mixing changed them.
void total_charge_check(const ChemicalSystem& sys, const RunParams& rp, Io& io) {
    if (rp.MINSOL == 0 && rp.IFRAC == 0 && rp.TEMPC == 0) return;
    double tbal = 0;
    for (int k = 1; k <= sys.nc; ++k) tbal += sys.comp[k].total * sys.sp[k].charge;
    io.listing().line(layout(R"(/ "  Charge balance check after fractionation or titration: TBAL = " [E10.4])", {tbal}));
}

// An IENTH run whose first gas has entered the matrix: the enthalpy balance becomes the
// row after the last component species, from a total enthalpy of the solution's own when
// none was given.
void gas_enthalpy_preparation(const ChemicalSystem& sys, RunParams& rp, Io& io) {
    if (rp.IENTH == 0 || sys.ngas_records == 0 || matrix_position(sys, 1) == 0) return;
    if (rp.enthalpy_row == 0)
        io.listing().line(layout(R"(/ "  Gases just saturated. Enthalpy constraint kicks in")"));
    if (rp.ENTH == 0) rp.ENTH = solution_enthalpy(rp, water_molar_enthalpy(rp.TEMP)) + 0.01;
    if (rp.SENTH == 0) rp.SENTH = rp.ENTH;
    rp.enthalpy_row = 1;
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

void reevaluate_data(ChemicalSystem& sys, RunParams& rp) {
    const double t = rp.TEMP + 273.15;
    rp.TK = t;
    rp.logP = std::log10(rp.PFLUID);
    for (int k = 1; k <= 10; ++k) sys.cross_t[k] = temperature_function(sys.cross[k], t);
    for (int g = 1; g <= sys.nmixed; ++g) {
        Mineral& mn = sys.mn[g];
        mn.eos_a_t = temperature_function(mn.eos_a, t);
        mn.eos_b_t = temperature_function(mn.eos_b, t);
    }

    evaluate_header_quantities(sys, rp);
    for (int j = sys.nc + 1; j <= sys.ns; ++j)
        sys.sp[j].logk = evaluate_record(sys.sp[j].kind, sys.sp_raw[j], rp.PFLUID, rp.TEMP, sys.grid, rp.CONFLG);
    for (int i = 1; i <= sys.nmin; ++i) {
        Mineral& mn = sys.mn[i];
        mn.logk = evaluate_record(mn.kind, sys.mn_raw[i], rp.PFLUID, rp.TEMP, sys.grid, rp.CONFLG);
        if (i <= sys.nmixed) {
            mn.logk_raw = mn.logk;
            mn.logk += rp.logP;
        }
    }
    ACTCOF(2, sys, rp);
}

void change_conditions(ChemicalSystem& sys, RunParams& rp, PathState& ps, Io& io) {
    pressure_on_curve(sys, rp, rp.TEMP);
    rp.logP = std::log10(rp.PFLUID);
    if (rp.CONFLG != 1) {
        // The check keeps its answer in sys.grid_answer, where the start-up check left one:
        // on the path it asks by the path's own answer instead.
        const char grid_answer = sys.grid_answer;
        sys.grid_answer = ps.saturation_answer;
        check_saturation_range(sys, rp.TEMP, io);
        ps.saturation_answer = sys.grid_answer;
        sys.grid_answer = grid_answer;
    }
    if (rp.CONFLG == 1) {
        relocate_grid(sys, rp.PFLUID, rp.TEMP);
        report_grid_status(sys, sys.grid, rp.PFLUID, rp.TEMP, io);
    }
    reevaluate_data(sys, rp);
}

void step_controller(ChemicalSystem& sys, RunParams& rp, PathState& ps, Io& io) {
    switch (step_kind(rp)) {
        case StepKind::Flushing:
            break;
        case StepKind::PH:
            ph_step(rp, io);
            break;
        case StepKind::Enthalpy:
            enthalpy_step(rp, io);
            break;
        case StepKind::Pressure:
            pressure_step(rp, io);
            change_conditions(sys, rp, ps, io);
            break;
        case StepKind::Temperature:
            temperature_step(rp, io);
            change_conditions(sys, rp, ps, io);
            break;
        case StepKind::Mixing:
            mixing_not_available(io);
        case StepKind::Titration:
            titration(sys, rp, io);
            break;
    }
    fractionate_or_flush(sys, rp, io);

    const double ratio = std::fabs(rp.CURINC / rp.SINC);
    if ((rp.SINC * rp.CURINC < 0 && std::fabs(rp.CURINC) < LOOC_BACK_LIMIT) || ratio < LOOC_RATIO_LIMIT) rp.LOOC = 0;
}

void after_step(ChemicalSystem& sys, RunParams& rp, PathState& ps, Io& io, AfterStepEntry entry) {
    const bool step = entry == AfterStepEntry::Calculations || (entry == AfterStepEntry::Solved && rp.CURINC != 0);
    if (step) {
        if (entry == AfterStepEntry::Solved)
            io.console(layout(R"(/ "  The pH is: " [F5.2])", {-std::log10(sys.act[1])}));
        io.both(layout(R"(/ [2X] "Calculations done for " [F10.4] " Deg. C;" [2X] [F10.4] " bar")", {rp.TEMP, rp.PFLUID}));
        if (rp.INCREM != 0) rp.CURINC = rp.SINC;
        if (rp.IENTH != 0) enthalpy_report(sys, rp, ps, io);
        step_controller(sys, rp, ps, io);
        enthalpy_bookkeeping(rp, ps, io);
        total_charge_check(sys, rp, io);
    }
    gas_enthalpy_preparation(sys, rp, io);
}

}  // namespace zq
