#include "path/path_progress.h"

#include <cmath>
#include <string>

#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "thermo/grid.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

const char* variable_name(StepKind kind) {
    switch (kind) {
        case StepKind::PH: return "pH";
        case StepKind::Enthalpy: return "ENTH";
        case StepKind::Pressure: return "PFLUID";
        case StepKind::Temperature: return "TEMP";
        case StepKind::Flushing:
        case StepKind::Mixing:
        case StepKind::Titration: return "TOTMIX";
    }
    return "";
}

[[noreturn]] void stop_path(Io& io, const std::string& text) {
    io.both(text);
    stop_run(1);
}

}  // namespace

double path_variable(StepKind kind, const RunParams& rp) {
    switch (kind) {
        case StepKind::PH: return rp.pH;
        case StepKind::Enthalpy: return rp.ENTH;
        case StepKind::Pressure: return rp.PFLUID;
        case StepKind::Temperature: return rp.TEMP;
        case StepKind::Flushing:
        case StepKind::Mixing:
        case StepKind::Titration: return rp.TOTMIX;
    }
    return 0;
}

PathMark mark_path(const RunParams& rp, double curinc) {
    const StepKind kind = step_kind(rp);
    return {kind, path_variable(kind, rp), curinc};
}

void check_path_progress(const PathMark& mark, const ChemicalSystem& sys, const RunParams& rp, Io& io) {
    const bool full = mark.curinc == rp.SINC;
    if (mark.kind == StepKind::Flushing && !full) return;
    const std::string name = variable_name(mark.kind);
    const double after = path_variable(mark.kind, rp);

    if (after == mark.before) {
        std::string text =
            layout(R"(/ [2X] "The step of " A " by " A " (SINC = " A ") leaves " A " at " A ":")"
                   R"( / [2X] "the path would never reach SLIM = " A ". Execution stopped.")",
                   {name, shortest(mark.curinc), shortest(rp.SINC), name, shortest(after), shortest(rp.SLIM)});
        if (mark.kind == StepKind::Pressure && sys.ncurve > 0) {
            text += layout(R"(/ [2X] "PFLUID follows the T-P curve at TEMP: a pressure path needs a run file)"
                           R"( without the curve." /)");
        }
        stop_path(io, text);
    }
    if (mark.kind == StepKind::Pressure && !(after > 0)) {
        stop_path(io, layout(R"(/ [2X] "The pressure path takes PFLUID to " A " bar (SINC = " A "):")"
                             R"( " a pressure must stay above 0. Execution stopped.")",
                             {shortest(after), shortest(rp.SINC)}));
    }
    if (mark.kind == StepKind::Temperature && rp.CONFLG != 1 && !(after >= DATA_T_MIN && after <= SATURATION_T_LIMIT)) {
        stop_path(io, layout(R"(/ [2X] "The temperature path takes TEMP to " A " C (SINC = " A "), out of the")"
                             R"( " range of the data: " A " to " A " C on the saturation curve. Execution stopped.")",
                             {shortest(after), shortest(rp.SINC), shortest(DATA_T_MIN), shortest(SATURATION_T_LIMIT)}));
    }
    if (!full) return;
    const double steps = std::fabs(rp.SLIM - after) / std::fabs(after - mark.before);
    if (steps > MAX_PATH_STEPS) {
        stop_path(io, layout(R"(/ [2X] "SINC = " A " would take more than " A " steps to bring " A " from " A)"
                             R"( " to SLIM = " A "." / [2X] "Execution stopped: give a larger SINC.")",
                             {shortest(rp.SINC), shortest(MAX_PATH_STEPS), name, shortest(after), shortest(rp.SLIM)}));
    }
}

}  // namespace zq
