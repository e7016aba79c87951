#include "driver/program.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "driver/file_checks.h"
#include "driver/input_checks.h"
#include "driver/pickup.h"
#include "driver/run_file.h"
#include "driver/run_state.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "format/text_source.h"
#include "output/input_echo.h"
#include "output/plot_file.h"
#include "output/results_listing.h"
#include "output/step_tables.h"
#include "path/fractionation.h"
#include "path/mixing.h"
#include "path/step_controller.h"
#include "path/titration.h"
#include "phases/assemblage.h"
#include "phases/electrum.h"
#include "phases/gas_mixture.h"
#include "phases/phase_dependence.h"
#include "phases/saturation_pressure.h"
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
    electrum_activity_coefficients(r.sys, r.cond.TK, r.eq);
    const AfterStepEntry entry = r.rp.INCREM != 0 ? AfterStepEntry::Calculations : AfterStepEntry::GasEnthalpy;
    if (after_step(r.sys, r.cond, r.rp, r.ps, r.eq, io, entry) == StepOutcome::LimitReached)
        return StepOutcome::LimitReached;
    start_solution(r.sys, r.cond, r.rp, r.eq);
    return StepOutcome::Continue;
}

// A solve that produced a value that is not a number: no listing of it, the last finite
// state goes to the failed-solve pickup.
[[noreturn]] void stop_not_finite(const RunState& r, const SolveResult& res, Io& io) {
    explain_boiling_failure(r.sys, r.cond, r.rp, r.eq, r.ps.enthalpy_row, io);
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
    explain_boiling_failure(r.sys, r.cond, r.rp, r.eq, r.ps.enthalpy_row, io);
    io.both(layout(R"x(/ "  Number of iterations reached the given limit" " (" [I4] ")")x"
                   R"( / "  Non-Convergence assumed. Execution aborted.")"
                   R"( / "  Check ""convergence problems"" in manual.")"
                   R"( / "  Cut step size to one tenth of previous value" " and try again." /)",
                   {r.rp.NLOOP}));
    write_pickup(PICKUP_FAILED, r.sys, r.eq, r.rp, io);
    stop_run(1);
}

// What a converged solve needs before its phase-assemblage check: the log fugacities of the
// gases and the fugacity coefficients of an absent gas mixture; the electrum estimate while
// gold is not in the matrix, and with IPSAT the saturation pressure while the first gas is
// not.
void reports_before_check(RunState& r, Io& io) {
    set_gas_log_fugacities(r.sys, r.cond, r.eq);
    incipient_gas_coefficients(r.sys, r.cond, r.rp, r.eq);
    electrum_saturation_estimate(r.sys, r.cond, r.eq, io);
    if (r.rp.IPSAT != 0 && (r.sys.ngas_records == 0 || matrix_position(r.eq, 1) == 0))
        saturation_pressure_report(r.sys, r.cond, r.rp, r.eq, io);
}

// The step totals of the state just solved, computed before anything of it is written; an
// AQGRM of 0 takes the mass of the first equilibrated solution (not of the intermediate
// listing of an ISTEP run), whether or not phases are in the matrix.
void keep_step_totals(RunState& r, bool intermediate) {
    r.ps.totals = step_totals(r.sys, r.eq, r.rp, r.ps.totals);
    if (r.rp.AQGRM == 0.0 && !intermediate) r.rp.AQGRM = r.ps.totals.solution_grams;
    update_water_rock(r.ps.totals, r.rp);
}

// An assemblage solved before at the same conditions has come back round: the phase that
// entered last would enter again and the solves would repeat. It is kept out of the matrix
// until the path moves on, and the next most supersaturated phase gets its turn.
void bar_a_returning_phase(RunState& r, Io& io) {
    PathState& ps = r.ps;
    std::vector<int> assemblage(&r.eq.ph[1], &r.eq.ph[1] + r.eq.nph);
    std::sort(assemblage.begin(), assemblage.end());
    const bool seen =
        std::find(ps.assemblages_seen.begin(), ps.assemblages_seen.end(), assemblage) != ps.assemblages_seen.end();
    ps.assemblages_seen.push_back(std::move(assemblage));
    const int phase = ps.last_entered;
    if (!seen || phase == 0 || std::find(ps.barred.begin(), ps.barred.end(), phase) != ps.barred.end()) return;
    ps.barred.push_back(phase);
    io.listing().line(R"(/ [2X] [A20] " has entered the matrix and left it again at these conditions:")"
                      R"( / [10X] "it is kept out until the path moves on.")",
                      {r.sys.mn[phase].name});
}

// Times the phases kept out at one point of the path are let in again, from the assemblage
// the search has settled on, before the equilibrium is accepted as it is.
constexpr int MAX_RELEASES = 3;

// The phase-assemblage check of the run loop, with the phases kept out at these conditions;
// with `release`, they may be let in again when nothing else would change.
AssemblageResult check_assemblage(RunState& r, bool moved, bool release, Io& io) {
    PathState& ps = r.ps;
    const AssemblageResult check = check_phase_assemblage(r.sys, r.cond, r.rp, ps.CURINC, moved ? r.rp.LOOC : 0,
                                                          ps.barred, release && ps.releases < MAX_RELEASES, r.eq, io);
    ps.CURINC = check.curinc;
    ps.last_entered = check.entered;
    if (check.released) {
        io.listing().line(R"(/ [2X] [A20] " is still supersaturated where the search has settled:")"
                          R"( / [10X] "it enters again, and the phases kept out may enter too.")",
                          {r.sys.mn[check.entered].name});
        ++ps.releases;
        ps.assemblages_seen.clear();
        ps.barred.clear();
    }
    // The equilibrium is accepted: it is metastable with respect to the kept-out phases
    // still supersaturated, and the listing says so.
    if (ps.CURINC == 0) return check;
    for (const auto& [phase, excess] : check.barred_supersaturated)
        io.listing().line(R"(/ [2X] "Warning: " [A20] " is supersaturated (log(Q/K) = " [F6.2] ") but was kept")"
                          R"( / [11X] "out of the matrix: the equilibrium above is metastable with respect to it.")",
                          {r.sys.mn[phase].name, excess});
    return check;
}

// The path moves on: at the new conditions every phase may enter again.
void move_on(PathState& ps) {
    if (ps.CURINC == 0) return;
    ps.assemblages_seen.clear();
    ps.barred.clear();
    ps.releases = 0;
}

// A failed solve that no retry can mend: the failure as it was first met, with its listing
// and its pickup where the failure has one.
[[noreturn]] void fail(RunState& r, const SolveResult& res, Io& io) {
    switch (res.end) {
        case SolveEnd::NotFinite: stop_not_finite(r, res, io);
        case SolveEnd::Singular:
            explain_boiling_failure(r.sys, r.cond, r.rp, r.eq, r.ps.enthalpy_row, io);
            io.console(
                layout(R"(/ [2X] "Newton iteration " [I4] ": the linear system is singular" " (see ZARNOUT.DAT).")"
                       R"( / [2X] "Non-Convergence assumed. Execution aborted." /)",
                       {res.iterations}));
            stop_run(1);
        default: break;
    }
    list_solve(r, res, io);
    write_ideal_mixing_line(r.sys, r.rp, io);
    // A failed solve keeps the phases it was solved with: the pickup of ZARNRUN.SA2
    // describes the state that did not converge, not an assemblage judged from it.
    if (res.end == SolveEnd::LoopLimit) stop_loop_limit(r, io);
    explain_boiling_failure(r.sys, r.cond, r.rp, r.eq, r.ps.enthalpy_row, io);
    io.both(layout(
        R"(/ [2X] "Newton iteration " [I4] ": the unknowns no longer change, but the " [A])"
        R"( / [2X] "is off by " [E10.4] " times its tolerance." / [2X] "Non-Convergence assumed. Execution aborted.")"
        R"( / [2X] "Check ""convergence problems"" in manual." /)",
        {res.iterations, res.worst_equation, res.worst_ratio}));
    write_pickup(PICKUP_FAILED, r.sys, r.eq, r.rp, io);
    stop_run(1);
}

// What a pass of the run loop changes, to go back to.
struct Snapshot {
    Conditions cond;
    RunParams rp;
    EquilibriumState eq;
    PathState ps;
    SolverVector fprev, damp;  // the Newton iteration's memory of earlier solves

    explicit Snapshot(const RunState& r)
        : cond(r.cond), rp(r.rp), eq(r.eq), ps(r.ps), fprev(r.newton.fprev), damp(r.newton.damp) {}
    // The species and mineral tables of the conditions and the state are copied as far as
    // the run uses them, both ways.
    void take(const RunState& r) {
        assign_in_use(cond, r.cond, r.sys);
        assign_in_use(eq, r.eq, r.sys);
        rp = r.rp, ps = r.ps;
        fprev = r.newton.fprev, damp = r.newton.damp;
    }
    void restore(RunState& r) const {
        const int ipunch = r.rp.IPUNCH;            // the plot file's header stays written
        const KeptAnswers answers = r.ps.answers;  // a question is asked once
        const int releases = r.ps.releases;        // and barred phases are let in a bounded number of times
        assign_in_use(r.cond, cond, r.sys);
        assign_in_use(r.eq, eq, r.sys);
        r.rp = rp, r.ps = ps;
        r.newton.fprev = fprev, r.newton.damp = damp;
        r.rp.IPUNCH = ipunch;
        r.ps.answers = answers;
        r.ps.releases = releases;
    }
};

// A solve that fails after a change of the phase assemblage or of the conditions is tried
// again from the last equilibrium, a bounded number of times (MAX_TRIES): with the phases
// the failed solve used up, or else the phase that entered at its check, kept out of the
// matrix until the path moves on (the next most supersaturated gets its turn), then with
// half and a quarter of the step, then with the phases held in the matrix through the
// iteration. Each try is announced in the listing and on the console. When every try
// fails, the first failure is reported.
class Recovery {
public:
    enum class Outcome { Again, GiveUp, PathEnd };

    // After the listing of a converged solve, before its phase-assemblage check.
    void keep(const RunState& r) {
        if (kept_)
            kept_->take(r);  // in place, as far as the run uses its tables: taken at every solve
        else
            kept_ = std::make_unique<Snapshot>(r);
        recorded_ = false;
    }
    // The kept state's step went to the plot file and the tables.
    void recorded() { recorded_ = true; }

    // A solve converged: its retries, if any, are over.
    void converged(RunState& r) {
        r.newton.keep_phases = r.newton.log_steps = false;
        keep_phases_ = false;
        first_.reset();
        bars_.clear();
        halvings_ = 0;
        tries_ = 0;
    }

    // `record` writes the plot record, table rows and pickup of the state just checked.
    Outcome try_again(RunState& r, const SolveResult& res, bool moved, Io& io, const std::function<void()>& record) {
        if (!first_) first_ = std::make_unique<Failure>(Failure{Snapshot(r), res});
        const bool stepped = r.ps.CURINC != 0;
        std::vector<int> out = exhausted(r);
        if (out.empty() && r.ps.last_entered != 0 && !barred(r.ps.last_entered)) out.push_back(r.ps.last_entered);
        std::string how;
        if (kept_ && !out.empty() && tries_ < MAX_TRIES) {
            for (int i : out) {
                bars_.push_back(i);
                how += (how.empty() ? "" : ", ") + r.sys.mn[i].name.trimmed();
            }
            how = "with " + how + " kept out of the matrix";
        } else if (kept_ && stepped && halvings_ < MAX_HALVINGS && tries_ < MAX_TRIES) {
            ++halvings_;
            how = halvings_ == 1 ? "with half the step" : "with a quarter of the step";
        } else if (kept_ && !keep_phases_ && r.rp.SOLMIN < 0) {
            keep_phases_ = true;
            how = "with the phases kept in the matrix through the iteration";
        } else {
            first_->state.restore(r);
            return Outcome::GiveUp;
        }
        ++tries_;
        io.both(layout(
            R"(/ [2X] "The solve did not converge (" [A] "): trying again from the last equilibrium," / [2X] [A] ".")",
            {why(res), how}));

        kept_->restore(r);
        r.newton.keep_phases = keep_phases_;
        r.newton.log_steps = true;
        for (int i : bars_) {
            take_out(r, i);
            if (std::find(r.ps.barred.begin(), r.ps.barred.end(), i) == r.ps.barred.end()) r.ps.barred.push_back(i);
        }
        const AssemblageResult check = check_assemblage(r, moved, false, io);
        // A step the first check of this state did not accept is accepted now: it is
        // recorded as every accepted step is.
        if (!recorded_) record();
        r.ps.CURINC *= std::pow(0.5, halvings_);
        if (after_step(r.sys, r.cond, r.rp, r.ps, r.eq, io, AfterStepEntry::Solved) == StepOutcome::LimitReached)
            return Outcome::PathEnd;
        move_on(r.ps);
        return Outcome::Again;
    }

private:
    static constexpr int MAX_TRIES = 6;
    static constexpr int MAX_HALVINGS = 2;
    // Moles at or below which a phase of the failed solve counts as used up: the floor of
    // an exhausted solid-solution member is 1e-20.
    static constexpr double EXHAUSTED = 1e-15;

    bool barred(int i) const { return std::find(bars_.begin(), bars_.end(), i) != bars_.end(); }

    // The phases the failed solve left used up or negative, with every member of their
    // solid solution, not yet kept out.
    std::vector<int> exhausted(const RunState& r) const {
        std::vector<int> out;
        auto add = [&](int i) {
            if (!barred(i) && std::find(out.begin(), out.end(), i) == out.end()) out.push_back(i);
        };
        for (int p = 1; p <= r.eq.nph; ++p) {
            const int i = r.eq.ph[p];
            if (!(r.eq.mn_moles[i] <= EXHAUSTED)) continue;
            const int s = r.sys.ss.of[i];
            if (s == 0) add(i);
            for (int k = 1; s != 0 && k <= r.sys.ss.nmembers[s]; ++k)
                add(r.sys.ss.member[s][static_cast<std::size_t>(k)]);
        }
        return out;
    }

    // Phase i leaves the matrix of the state to be checked again.
    static void take_out(RunState& r, int i) {
        int q = 0;
        for (int p = 1; p <= r.eq.nph; ++p)
            if (r.eq.ph[p] != i) r.eq.ph[++q] = r.eq.ph[p];
        for (int p = q + 1; p <= r.eq.nph; ++p) r.eq.ph[p] = 0;
        r.eq.nph = q;
        r.eq.mn_moles[i] = 0;
    }

    static std::string why(const SolveResult& res) {
        switch (res.end) {
            case SolveEnd::LoopLimit: return "loop limit";
            case SolveEnd::NotFinite: return "a value not finite";
            case SolveEnd::Singular: return "singular matrix";
            case SolveEnd::Stalled: return "unknowns no longer changing";
            default: return "";
        }
    }

    struct Failure {
        Snapshot state;
        SolveResult res;
    };
    std::unique_ptr<Snapshot> kept_;
    std::unique_ptr<Failure> first_;
    std::vector<int> bars_;
    int halvings_ = 0;
    int tries_ = 0;
    bool keep_phases_ = false;
    bool recorded_ = false;

public:
    const SolveResult& first_failure() const { return first_->res; }
};

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

// A run file whose starting minerals hold a dependent set (two of one composition, or one
// whose reaction the others make up) would make the first Newton system singular. Nothing
// says yet which of them are stable together, so a mineral whose reaction depends on those
// before it in the run file starts outside the matrix; the first check lets it in again,
// judged by its reaction's affinity, if it is supersaturated.
static void drop_dependent_starting_minerals(RunState& r, Io& io) {
    const std::vector<double> unknown(static_cast<std::size_t>(r.sys.nmin) + 1, 0.0);
    std::vector<int> kept;
    for (int p = 1; p <= r.eq.nph; ++p) {
        const int i = r.eq.ph[p];
        const Displacement d =
            tested_for_dependence(r.sys, i) ? displaced_by(r.sys, r.rp, r.eq, kept, i, unknown) : Displacement{};
        if (d.leaves == 0) {
            kept.push_back(i);
            continue;
        }
        io.both(layout(R"(/ [2X] [A20] " starts outside the matrix: its reaction depends on those of the")"
                       R"( " minerals before it," / [6X] [A])",
                       {r.sys.mn[i].name, d.reaction}));
        r.eq.mn_moles[i] = 0;
    }
    for (int p = 1; p <= r.eq.nph; ++p) r.eq.ph[p] = p <= static_cast<int>(kept.size()) ? kept[p - 1] : 0;
    r.eq.nph = static_cast<int>(kept.size());
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

    RunFileNotes notes;
    read_run_file(run_file, r.sys, r.eq, r.rp, io, &notes);
    r.ps.unit_label = reactant_unit_label(r.rp);
    r.cond.TK = kelvin(r.rp.TEMP);
    r.cond.logP = std::log10(r.rp.PFLUID);
    check_run_range(r.sys, r.rp, r.cond, r.ps.answers.grid, io);
    DatabaseNames names;
    read_database(database, r.sys, r.cond, r.rp, io, &names);
    check_run_file_names(r.sys, notes, names, io);
    check_starting_pressure(r.sys, r.cond, r.rp, notes, io);
    note_temperature_path(r.rp, notes, io);
    enter_saturated_minerals(r.sys, r.eq);
    if (r.rp.MINSOL != 0) read_reactants(reactants, r.sys, r.rp, io);

    echo_titles_and_components(r.sys, r.eq, r.rp, io);
    check_start_charge_balance(r.sys, r.eq, r.rp, io);
    echo_run_data(r.sys, r.cond, r.rp, io);
    drop_dependent_starting_minerals(r, io);
    r.ps.GRMCOM = prepare_flushing(r.sys, r.rp, io);
    prepare_mixing(r.sys, r.cond, r.rp, r.ps);
}

void list_solve(RunState& r, const SolveResult& res, Io& io) {
    keep_step_totals(r, false);
    write_results_head(r.sys, r.eq, r.rp, {res.iterations, r.newton.charge_limit, r.newton.charge_correction}, io);
    if (res.end != SolveEnd::LoopLimit && r.rp.ISTEP != 1)
        check_equilibrium_charge(r.sys, r.rp, solution_charge(r.sys, r.eq), r.newton.charge_limit, r.eq, io);
    write_results_rest(r.sys, r.cond, r.eq, r.rp, r.ps, io);
}

namespace {

void run_path(RunState& r, Io& io, const RunObserver* observer, const RunOptions& options, PickupSchedule& pickups,
              StepTables& tables) {
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
    set_electrum_hook(hooks, sys, r.cond, eq);
    hooks.intermediate_listing = [&](const NewtonState& st) {
        keep_step_totals(r, true);
        write_results_head(sys, eq, rp, {st.loop, st.charge_limit, st.charge_correction}, io);
        write_results_rest(sys, r.cond, eq, rp, ps, io);
    };
    Recovery recovery;
    if (options.tables) tables.open(sys, rp, io);
    double arrived_by = 0;  // the last increment that moved the path: full, part of one, or none yet
    // After the check of a converged solve: a full step goes to the plot file and the
    // tables; every solve offers its pickup.
    auto record_step = [&] {
        const bool full = ps.CURINC == rp.SINC;
        if (plot_record_due(rp, ps)) {
            write_plot_record(sys, eq, rp, ps, io);
            rp.IPUNCH = 2;  // the header is written once
        }
        if (options.tables && full) {
            const StepArrival arrival = arrived_by == 0         ? StepArrival::Start
                                        : arrived_by == rp.SINC ? StepArrival::Full
                                                                : StepArrival::Half;
            tables.write_step(sys, r.cond, eq, rp, arrival, io);
        }
        pickups.offer(full ? PICKUP_RUN_FILE : PICKUP_SAVE, sys, eq, rp, io);
        if (full) recovery.recorded();
    };
    for (;;) {
        if (observer && observer->before_solve) observer->before_solve(r);
        r.newton.entering = ps.last_entered;
        const SolveResult res = solve_equilibrium(sys, r.cond, rp, ps.enthalpy_row, eq, r.newton, io, hooks);
        if (observer && observer->after_solve) observer->after_solve(r, res);
        if (!res.converged()) {
            const Recovery::Outcome next = recovery.try_again(r, res, moved, io, record_step);
            if (next == Recovery::Outcome::PathEnd) return;
            if (next == Recovery::Outcome::Again) continue;
            fail(r, recovery.first_failure(), io);
        }
        recovery.converged(r);

        list_solve(r, res, io);
        write_ideal_mixing_line(sys, rp, io);
        reports_before_check(r, io);
        recovery.keep(r);

        bar_a_returning_phase(r, io);
        if (ps.CURINC != 0) arrived_by = ps.CURINC;
        check_assemblage(r, moved, true, io);
        record_step();
        moved = moved || ps.CURINC != 0;
        repeats = ps.CURINC == 0 ? repeats + 1 : 0;
        if (repeats == MAX_REPEATS) stop_unsettled(io);
        if (after_step(sys, r.cond, rp, ps, eq, io, AfterStepEntry::Solved) == StepOutcome::LimitReached) return;
        move_on(r.ps);
    }
}

}  // namespace

void run_loop(RunState& r, Io& io, const RunObserver* observer, const RunOptions& options) {
    // Whatever ends the path, the tables' rows and the pickups still waiting are written:
    // the rows first, as before every pickup, so that the tables reach the pickup's step.
    StepTables tables;
    PickupSchedule pickups(options.pickup_interval, [&tables] { tables.flush(); });
    try {
        run_path(r, io, observer, options, pickups, tables);
    } catch (const RunStop&) {
        tables.flush();
        pickups.flush(io);
        throw;
    }
    tables.flush();
    pickups.flush(io);
}

int run_program(Io& io, const RunObserver* observer, const RunOptions& options) {
    auto run = std::make_unique<RunState>();
    int status = 0;
    try {
        start_up(*run, io);
        if (run->rp.NLOOP == 0) {
            io.both(layout(R"(/ [6X] "End data echo. set NLOOP > 0" " to start calculations." /)"));
        } else {
            run_loop(*run, io, observer, options);
        }
    } catch (const RunStop& stop) {
        status = stop.status();
        if (status != 0) io.show_unseen_listing_message();
    }
    return close_output_files(io, status);
}

}  // namespace zq
