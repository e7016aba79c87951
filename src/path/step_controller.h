// The reaction path between two solves: the after-step sequence (the pH and conditions
// lines, INCREM, the enthalpy report, the step controller, the enthalpy bookkeeping, the
// charge check of the totals and the enthalpy constraint switch-on), and the step
// controller itself: the kind of step, the increment CURINC applied to the path variable,
// the stop at its limit SLIM, the re-evaluation of every temperature- and
// pressure-dependent datum, and fractionation or flushing on full steps.
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
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

// State the after-step sequence keeps between passes.
struct PathState {
    double gas_enthalpy = 0;  // kcal of the gases of the last enthalpy report (0 while the constraint is off)
    // Answer to the saturation-range question along the path, 'Y' once given: the start-up
    // check asks without keeping its answer, and the grid question keeps its own.
    char saturation_answer = ' ';
};

// Runs the after-step sequence from `entry`. Returns when the next equilibrium may be
// solved; a path limit passed, a refused question or a fault ends the run (RunStop).
void after_step(ChemicalSystem& sys, RunParams& rp, PathState& ps, Io& io, AfterStepEntry entry);

// One step of the path by rp.CURINC (called with CURINC not 0): the change of the path
// variable and its limit test, the re-evaluation after a change of temperature or
// pressure, fractionation or flushing (full steps only), and the end of half-step
// searching (LOOC set to 0 once the increment is small).
void step_controller(ChemicalSystem& sys, RunParams& rp, PathState& ps, Io& io);

// After a change of TEMP or PFLUID: the pressure from the T-P curve, the range warnings
// and questions (saturation-curve range, or the grid locator of an extended run, which
// stops the run outside the data), then every datum evaluated at start-up again at the new
// conditions (see reevaluate_data).
void change_conditions(ChemicalSystem& sys, RunParams& rp, PathState& ps, Io& io);

// Evaluates at rp.TEMP and rp.PFLUID (grid block sys.grid) what the start-up evaluated at
// the starting conditions: TK and log10 P, the temperature functions of the gas-mixture
// coefficients, the header quantities with their derived values, the log K of every derived
// species, mineral and gas (a mixed gas's with log10 P added, the value without it kept in
// logk_raw), and the b-dot terms of the activity model (ACTCOF mode 2).
void reevaluate_data(ChemicalSystem& sys, RunParams& rp);

}  // namespace zq
