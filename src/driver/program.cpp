#include "driver/program.h"

#include <memory>

#include "driver/pickup.h"
#include "driver/run_file.h"
#include "driver/run_parameters.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "format/text_source.h"
#include "output/plot_file.h"
#include "output/results_listing.h"
#include "path/fractionation.h"
#include "path/step_controller.h"
#include "phases/assemblage.h"
#include "phases/solid_solution.h"
#include "solver/activity.h"
#include "solver/newton.h"
#include "thermo/database.h"
#include "thermo/grid.h"
#include "thermo/input_echo.h"
#include "thermo/reactants.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

// Start-up step 1: the three input files must all be there.
void require_input_files(Io& io) {
    if (io.exists("ZARNRUN.DAT") && io.exists("DORNEVAL.QVD") && io.exists("MINOX.DAT")) return;
    io.console(layout(R"(/ / "    One or more files not found that must be present:" / /)"
                      R"("      - DORNEVAL.QVD" / "      - MINOX.DAT" / "      - ZARNRUN.DAT" / /)"
                      R"("    Exiting..." / / /)"));
    stop_run(1);
}

TextSource load(Io& io, std::string_view name) {
    auto text = io.read_file(name);
    if (!text) {
        io.console(layout(R"(/ [2X] "Cannot read " A)", {std::string(name)}));
        stop_run(1);
    }
    return TextSource(std::move(*text), std::string(name));
}

// Start-up values set before the run file is read.
void set_start_values(ChemicalSystem& sys) {
    for (int i = 1; i <= MAX_SPECIES; ++i) sys.gamma[i] = 1.0;
    for (int i = 1; i <= MAX_DONT_FRAC; ++i) sys.dontfrac[i] = Name20();
}

void start_up(ChemicalSystem& sys, RunParams& rp, Io& io) {
    require_input_files(io);
    TextSource run_file = load(io, "ZARNRUN.DAT");
    TextSource database = load(io, "DORNEVAL.QVD");
    TextSource reactants = load(io, "MINOX.DAT");

    io.create_output_files();
    io.console(layout(R"(/ / "       Program ZARN-QVD" / / )"));
    set_start_values(sys);

    read_run_file(run_file, sys, rp, io);
    check_run_range(sys, rp, io);
    read_database(database, sys, rp, io);
    if (rp.MINSOL != 0) read_reactants(reactants, sys, rp, io);
    echo_input(sys, rp, io);
    prepare_flushing(sys, rp, io);
}

// Set-up of the first solve: the activity model's ion sizes and b-dot terms and the solid
// solutions; with INCREM the first step of the path, taken from the run file's
// conditions; then the starting solution (the run file's trial molalities, W_kg of water,
// the phases of the run file in the matrix with their moles) with its first activities.
void prepare_first_solve(ChemicalSystem& sys, RunParams& rp, PathState& ps, Io& io) {
    ACTCOF(1, sys, rp);
    ACTCOF(2, sys, rp);
    build_solid_solutions(sys, io);
    after_step(sys, rp, ps, io, rp.INCREM != 0 ? AfterStepEntry::Calculations : AfterStepEntry::GasEnthalpy);
    start_solution(sys, rp);
}

// A solve that produced a value that is not a number: no listing of it, the last finite
// state goes to the failed-solve pickup.
[[noreturn]] void stop_not_finite(const ChemicalSystem& sys, const RunParams& rp, const SolveResult& r, Io& io) {
    io.both(layout(R"(/ [2X] "Newton iteration " [I4] ": the " [A] " is not a finite number.")"
                   R"( / [2X] "Non-Convergence assumed. Execution aborted.")"
                   R"( / [2X] "Check ""convergence problems"" in manual." /)",
                   {r.iterations, r.fault}));
    write_pickup(PICKUP_FAILED, sys, rp, io);
    stop_run(1);
}

// Solves in a row at the same conditions (CURINC 0) after which the run gives up on the
// phase assemblage: a phase that the check lets in and the next solve drops again (or two
// phases that take turns) would otherwise repeat the same solves without end.
constexpr int MAX_REPEATS = 100;

[[noreturn]] void stop_unsettled(Io& io) {
    io.both(layout(R"(/ "  The phase assemblage has not settled after " [I4] " solves at the same conditions:")"
                   R"( / "  phases keep entering and leaving the matrix. Execution stopped.")"
                   R"( / "  Suppress the phase that enters and leaves in turn, or change the step." /)",
                   {MAX_REPEATS}));
    stop_run(1);
}

[[noreturn]] void stop_loop_limit(const ChemicalSystem& sys, const RunParams& rp, Io& io) {
    io.both(layout(R"x(/ "  Number of iterations reached the given limit" " (" [I4] ")")x"
                   R"( / "  Non-Convergence assumed. Execution aborted.")"
                   R"( / "  Check ""convergence problems"" in manual.")"
                   R"( / "  Cut step size to one tenth of previous value" " and try again." /)",
                   {rp.NLOOP}));
    write_pickup(PICKUP_FAILED, sys, rp, io);
    stop_run(1);
}

}  // namespace

void run_loop(ChemicalSystem& sys, RunParams& rp, Io& io, const RunObserver* observer) {
    PathState path;
    prepare_first_solve(sys, rp, path, io);
    // Half a step back needs a step to go back into: until the path variable has first
    // moved, a check with two or more changes lets the most supersaturated phase enter, as
    // with LOOC 0, instead of sending the path behind its starting point (a cooling path
    // above its starting temperature, a negative amount of reactant).
    bool moved = rp.INCREM != 0;
    int repeats = 0;
    auto state = std::make_unique<NewtonState>();
    NewtonHooks hooks;
    hooks.intermediate_listing = [&](const NewtonState& st) {
        write_results_listing(sys, rp, {st.loop, st.charge_limit, st.charge_correction, false, true}, io);
    };
    for (;;) {
        if (observer && observer->before_solve) observer->before_solve(sys, rp);
        const SolveResult r = solve_equilibrium(sys, rp, *state, io, hooks);
        rp.iterations = r.iterations;
        if (observer && observer->after_solve) observer->after_solve(sys, rp, r);
        if (r.end == SolveEnd::NotFinite) stop_not_finite(sys, rp, r, io);
        const bool failed = r.end == SolveEnd::LoopLimit;
        write_results_listing(sys, rp, {r.iterations, state->charge_limit, state->charge_correction, failed}, io);
        write_ideal_mixing_line(sys, rp, io);
        // A failed solve keeps the phases it was solved with: the pickup of ZARNRUN.SA2
        // describes the state that did not converge, not an assemblage judged from it.
        if (failed) stop_loop_limit(sys, rp, io);

        const int looc = rp.LOOC;
        if (!moved) rp.LOOC = 0;
        check_phase_assemblage(sys, rp, io);
        rp.LOOC = looc;
        write_plot_record(sys, rp, io);
        write_pickup(rp.CURINC == rp.SINC ? PICKUP_RUN_FILE : PICKUP_SAVE, sys, rp, io);
        moved = moved || rp.CURINC != 0;
        repeats = rp.CURINC == 0 ? repeats + 1 : 0;
        if (repeats == MAX_REPEATS) stop_unsettled(io);
        after_step(sys, rp, path, io, AfterStepEntry::Solved);
    }
}

int run_program(Io& io, const RunObserver* observer) {
    auto sys = std::make_unique<ChemicalSystem>();
    RunParams rp;
    try {
        start_up(*sys, rp, io);
        if (rp.NLOOP == 0) {
            io.both(layout(R"(/ [6X] "End data echo. set NLOOP > 0" " to start calculations." /)"));
            stop_run(0);
        }
        run_loop(*sys, rp, io, observer);
    } catch (const RunStop& stop) {
        io.listing().flush();
        return stop.status();
    }
}

}  // namespace zq
