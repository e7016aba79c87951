// The program driver: start-up, the run loop and every end of a run.
#pragma once

#include <functional>

namespace zq {

class Io;
struct ChemicalSystem;
struct EquilibriumState;
struct RunState;
struct SolveResult;

// Looks at the run from outside (tests and benchmarks): called right before every
// equilibrium solve, and with the solved state right after it, before its listing.
struct RunObserver {
    std::function<void(const RunState&)> before_solve;
    std::function<void(const RunState&, const SolveResult&)> after_solve;
};

// What the command line may change of a run.
struct RunOptions {
    bool tables = true;  // ZARNSTEP.CSV and ZARNSPEC.CSV
};

// Runs the program in io's working directory; returns the process exit status
// (0 a normal end, 1 an error stop, a refused question or a failed solve).
int run_program(Io& io, const RunObserver* observer = nullptr, const RunOptions& options = {});

// Start-up: the input files, the run file, the range check, the database, the reactants,
// the input echo with the charge balance of the given totals, and the preparation of
// flushing. An input error stops the run (RunStop).
void start_up(RunState& run, Io& io);

// The listing of a solve as the run loop makes it: the step totals of the state (an AQGRM of
// 0 takes the mass of the first solution), the head of the results listing, the charge
// check of the solution (after a solve that did not end at the loop limit, unless ISTEP is
// 1; it may adjust C or stop the run), and the rest of the listing.
void list_solve(RunState& run, const SolveResult& res, Io& io);

// The run file's saturated minerals, matched in the database, start in the matrix in
// run-file order, each once with the moles of its first row.
void enter_saturated_minerals(const ChemicalSystem& sys, EquilibriumState& eq);

// The run loop after start-up: the set-up of the first solve (with INCREM, the first step
// of the path before it), then pass after pass: solve, step totals, results listing with
// the charge check, phase-assemblage check, plot record, table rows, pickup file and the
// after-step sequence. Returns when the path has reached its end (exit status 0); a failed solve or
// a fault stops the run (RunStop).
void run_loop(RunState& run, Io& io, const RunObserver* observer = nullptr, const RunOptions& options = {});

}  // namespace zq
