// The reaction path between two solves: the after-step sequence (the pH and conditions
// lines, INCREM, the enthalpy report, the step controller, the enthalpy bookkeeping, the
// charge check of the totals and the enthalpy constraint switch-on), and the step
// controller itself: the kind of step, the increment CURINC applied to the path variable,
// the stop at its limit SLIM, the re-evaluation of every temperature- and
// pressure-dependent datum, and fractionation or flushing on full steps.
#pragma once

#include "path/path_state.h"

namespace zq {

class Io;
struct ChemicalSystem;
struct Conditions;
struct EquilibriumState;
struct RunParams;

// The kinds of step, chosen by the run's switches (see step_kind).
enum class StepKind { Flushing, PH, Enthalpy, Pressure, Temperature, Mixing, Titration };

// The first of these that applies: IFRAC 5 flushing; a fixed pH: titration with MINSOL,
// mixing with TEMPC, else a pH step; INCP above 1 enthalpy; INCP 1 pressure; MINSOL
// titration; TEMPC mixing; otherwise a temperature step.
StepKind step_kind(const RunParams& rp);

// Where a pass enters the after-step sequence.
enum class AfterStepEntry {
    Solved,        // after a converged solve (CURINC 0 goes straight to the gas-enthalpy part)
    Calculations,  // INCREM start: from the "Calculations done for" line, before the first solve
    GasEnthalpy,   // start without INCREM: the gas-enthalpy part only
};

// Runs the after-step sequence from `entry` (the pH and conditions lines, INCREM, the
// enthalpy report, the step controller, the enthalpy bookkeeping, the charge check of the
// totals and the enthalpy constraint switch-on). Returns Continue when the next equilibrium
// may be solved, LimitReached when the path has come to its end; a refused question or a
// fault stops the run (RunStop).
StepOutcome after_step(const ChemicalSystem& sys, Conditions& cond, RunParams& rp, PathState& ps, EquilibriumState& eq,
                       Io& io, AfterStepEntry entry);

// One step of the path by ps.CURINC (called with CURINC not 0): the change of the path
// variable and its limit test, the re-evaluation after a change of temperature or
// pressure, fractionation or flushing (full steps only), and the end of half-step
// searching (LOOC set to 0 once the increment is small).
StepOutcome step_controller(const ChemicalSystem& sys, Conditions& cond, RunParams& rp, PathState& ps,
                            EquilibriumState& eq, Io& io);

// After a change of TEMP or PFLUID: the pressure from the T-P curve, the range warnings
// and questions (saturation-curve range, or the grid locator of an extended run, which
// stops the run outside the data), then every datum evaluated at start-up again at the new
// conditions (evaluate_conditions, and the b-dot terms of the activity model).
void change_conditions(const ChemicalSystem& sys, Conditions& cond, RunParams& rp, PathState& ps, Io& io);

}  // namespace zq
