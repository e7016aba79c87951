// The program driver: start-up, the run loop and every end of a run.
#pragma once

#include <functional>

namespace zq {

class Io;
struct ChemicalSystem;
struct RunParams;
struct SolveResult;

// Looks at the run from outside (tests and benchmarks): called right before every
// equilibrium solve, and with the solved state right after it, before its listing.
struct RunObserver {
    std::function<void(const ChemicalSystem&, const RunParams&)> before_solve;
    std::function<void(const ChemicalSystem&, const RunParams&, const SolveResult&)> after_solve;
};

// Runs the program in io's working directory; returns the process exit status
// (0 a normal end, 1 an error stop, a refused question or a failed solve).
int run_program(Io& io, const RunObserver* observer = nullptr);

// The run loop after start-up: the set-up of the first solve (with INCREM, the first step
// of the path before it), then pass after pass: solve, results listing, phase-assemblage
// check, plot record, pickup file and the after-step sequence, until a stop ends the run
// (RunStop): a path limit, a failed solve or a fault.
[[noreturn]] void run_loop(ChemicalSystem& sys, RunParams& rp, Io& io, const RunObserver* observer = nullptr);

}  // namespace zq
