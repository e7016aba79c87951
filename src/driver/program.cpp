#include "driver/program.h"

#include <cmath>
#include <memory>

#include "driver/file_checks.h"
#include "driver/pickup.h"
#include "driver/run_file.h"
#include "driver/run_state.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "format/text_source.h"
#include "output/input_echo.h"
#include "output/plot_file.h"
#include "output/results_listing.h"
#include "path/fractionation.h"
#include "path/step_controller.h"
#include "path/titration.h"
#include "phases/assemblage.h"
#include "phases/gas_mixture.h"
#include "phases/solid_solution.h"
#include "phases/step_totals.h"
#include "solver/activity.h"
#include "solver/charge_balance.h"
#include "solver/equilibrium_charge.h"
#include "solver/newton.h"
#include "thermo/database.h"
#include "thermo/grid.h"
#include "thermo/reactants.h"

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

TextSource load(Io& io, std::string_view name, std::size_t limit = static_cast<std::size_t>(-1)) {
    bool too_large = false;
    auto text = io.read_file(name, limit, &too_large);
    if (too_large) stop_too_large(io, name, limit);
    if (!text) {
        io.console(layout(R"(/ [2X] "Cannot read " A ": " A "." /)", {std::string(name), io.last_error()}));
        stop_run(1);
    }
    return TextSource(std::move(*text), std::string(name));
}

// Set-up of the first solve: the activity model's ion sizes and b-dot terms and the solid
// solutions; with INCREM the first step of the path, taken from the run file's
// conditions; then the starting solution (the run file's trial molalities, W_kg of water,
// the phases of the run file in the matrix with their moles) with its first activities.
StepOutcome prepare_first_solve(RunState& r, Io& io) {
    set_up_ion_sizes(r.sys);
    evaluate_bdot(r.sys, r.cond);
    build_solid_solutions(r.sys, r.eq, io);
    const AfterStepEntry entry = r.rp.INCREM != 0 ? AfterStepEntry::Calculations : AfterStepEntry::GasEnthalpy;
    if (after_step(r.sys, r.cond, r.rp, r.ps, r.eq, io, entry) == StepOutcome::LimitReached)
        return StepOutcome::LimitReached;
    start_solution(r.sys, r.cond, r.rp, r.eq);
    return StepOutcome::Continue;
}

// A solve that produced a value that is not a number: no listing of it, the last finite
// state goes to the failed-solve pickup.
[[noreturn]] void stop_not_finite(const RunState& r, const SolveResult& res, Io& io) {
    io.both(layout(R"(/ [2X] "Newton iteration " [I4] ": the " [A] " is not a finite number.")"
                   R"( / [2X] "Non-Convergence assumed. Execution aborted.")"
                   R"( / [2X] "Check ""convergence problems"" in manual." /)",
                   {res.iterations, res.fault}));
    write_pickup(PICKUP_FAILED, r.sys, r.eq, r.rp, io);
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

[[noreturn]] void stop_loop_limit(const RunState& r, Io& io) {
    io.both(layout(R"x(/ "  Number of iterations reached the given limit" " (" [I4] ")")x"
                   R"( / "  Non-Convergence assumed. Execution aborted.")"
                   R"( / "  Check ""convergence problems"" in manual.")"
                   R"( / "  Cut step size to one tenth of previous value" " and try again." /)",
                   {r.rp.NLOOP}));
    write_pickup(PICKUP_FAILED, r.sys, r.eq, r.rp, io);
    stop_run(1);
}

// The step totals of the state just solved, computed before anything of it is written; an
// AQGRM of 0 takes the mass of the first equilibrated solution (not of the intermediate
// listing of an ISTEP run), whether or not phases are in the matrix.
void keep_step_totals(RunState& r, bool intermediate) {
    r.ps.totals = step_totals(r.sys, r.eq, r.rp, r.ps.totals);
    if (r.rp.AQGRM == 0.0 && !intermediate) r.rp.AQGRM = r.ps.totals.solution_grams;
    update_water_rock(r.ps.totals, r.rp);
}

}  // namespace

void enter_saturated_minerals(const ChemicalSystem& sys, EquilibriumState& eq) {
    eq.nph = 0;
    for (int i = 1; i <= sys.nsat; ++i) {
        const int s = sys.sat[i].slot;
        if (sys.mn[s].sat_row != i) continue;
        eq.mn_moles[s] = sys.sat[i].moles;
        eq.ph[++eq.nph] = s;
    }
}

void start_up(RunState& r, Io& io) {
    require_input_files(io);
    io.lock_directory();
    io.remove_stale_temporaries({PICKUP_RUN_FILE, PICKUP_SAVE, PICKUP_FAILED});
    check_database_size(io);
    TextSource run_file = load(io, "ZARNRUN.DAT");
    TextSource database = load(io, "DORNEVAL.QVD", MAX_DATABASE_BYTES);
    TextSource reactants = load(io, "MINOX.DAT");

    io.create_output_files();
    io.console(layout(R"(/ / "       Program ZARN-QVD" / / )"));
    for (int i = 1; i <= MAX_SPECIES; ++i) r.eq.gamma[i] = 1.0;

    read_run_file(run_file, r.sys, r.eq, r.rp, io);
    r.ps.unit_label = reactant_unit_label(r.rp);
    r.cond.TK = kelvin(r.rp.TEMP);
    r.cond.logP = std::log10(r.rp.PFLUID);
    check_run_range(r.sys, r.rp, r.cond, r.ps.answers.grid, io);
    read_database(database, r.sys, r.cond, r.rp, io);
    enter_saturated_minerals(r.sys, r.eq);
    if (r.rp.MINSOL != 0) read_reactants(reactants, r.sys, r.rp, io);

    echo_titles_and_components(r.sys, r.eq, r.rp, io);
    check_start_charge_balance(r.sys, r.eq, r.rp, io);
    echo_run_data(r.sys, r.cond, r.rp, io);
    r.ps.GRMCOM = prepare_flushing(r.sys, r.rp, io);
}

void list_solve(RunState& r, const SolveResult& res, Io& io) {
    keep_step_totals(r, false);
    write_results_head(r.sys, r.eq, r.rp, {res.iterations, r.newton.charge_limit, r.newton.charge_correction}, io);
    if (res.end != SolveEnd::LoopLimit && r.rp.ISTEP != 1)
        check_equilibrium_charge(r.sys, r.rp, solution_charge(r.sys, r.eq), r.newton.charge_limit, r.eq, io);
    write_results_rest(r.sys, r.cond, r.eq, r.rp, r.ps, io);
}

void run_loop(RunState& r, Io& io, const RunObserver* observer) {
    const ChemicalSystem& sys = r.sys;
    RunParams& rp = r.rp;
    PathState& ps = r.ps;
    EquilibriumState& eq = r.eq;
    if (prepare_first_solve(r, io) == StepOutcome::LimitReached) return;
    // Half a step back needs a step to go back into: until the path variable has first
    // moved, a check with two or more changes lets the most supersaturated phase enter, as
    // with LOOC 0, instead of sending the path behind its starting point (a cooling path
    // above its starting temperature, a negative amount of reactant).
    bool moved = rp.INCREM != 0;
    int repeats = 0;
    NewtonHooks hooks;
    set_gas_phase_hooks(hooks, sys, r.cond, rp, eq);
    hooks.intermediate_listing = [&](const NewtonState& st) {
        keep_step_totals(r, true);
        write_results_head(sys, eq, rp, {st.loop, st.charge_limit, st.charge_correction}, io);
        write_results_rest(sys, r.cond, eq, rp, ps, io);
    };
    for (;;) {
        if (observer && observer->before_solve) observer->before_solve(r);
        const SolveResult res = solve_equilibrium(sys, r.cond, rp, ps.enthalpy_row, eq, r.newton, io, hooks);
        if (observer && observer->after_solve) observer->after_solve(r, res);
        if (res.end == SolveEnd::NotFinite) stop_not_finite(r, res, io);
        const bool failed = res.end == SolveEnd::LoopLimit;

        list_solve(r, res, io);
        write_ideal_mixing_line(sys, rp, io);
        // A failed solve keeps the phases it was solved with: the pickup of ZARNRUN.SA2
        // describes the state that did not converge, not an assemblage judged from it.
        if (failed) stop_loop_limit(r, io);

        ps.CURINC = check_phase_assemblage(sys, r.cond, rp, ps.CURINC, moved ? rp.LOOC : 0, eq, io).curinc;
        if (plot_record_due(rp, ps)) {
            write_plot_record(sys, eq, rp, ps, io);
            rp.IPUNCH = 2;  // the header is written once
        }
        write_pickup(ps.CURINC == rp.SINC ? PICKUP_RUN_FILE : PICKUP_SAVE, sys, eq, rp, io);
        moved = moved || ps.CURINC != 0;
        repeats = ps.CURINC == 0 ? repeats + 1 : 0;
        if (repeats == MAX_REPEATS) stop_unsettled(io);
        if (after_step(sys, r.cond, rp, ps, eq, io, AfterStepEntry::Solved) == StepOutcome::LimitReached) return;
    }
}

int run_program(Io& io, const RunObserver* observer) {
    auto run = std::make_unique<RunState>();
    int status = 0;
    try {
        start_up(*run, io);
        if (run->rp.NLOOP == 0) {
            io.both(layout(R"(/ [6X] "End data echo. set NLOOP > 0" " to start calculations." /)"));
        } else {
            run_loop(*run, io, observer);
        }
    } catch (const RunStop& stop) {
        status = stop.status();
        if (status != 0) io.show_unseen_listing_message();
    }
    return close_output_files(io, status);
}

}  // namespace zq
