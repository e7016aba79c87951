// The path state: what the run loop and the after-step sequence keep from one equilibrium
// to the next, apart from the run file's own values (RunParams) and the equilibrium state.
#pragma once

#include <string>
#include <vector>

#include "phases/step_totals.h"

namespace zq {

// Answers kept for the rest of the run, 'Y' once given.
struct KeptAnswers {
    char grid = ' ';  // the grid range question (start-up and extended-grid paths)
    // The saturation-range question along the path: the start-up check asks without
    // keeping its answer, and the grid question keeps its own.
    char saturation = ' ';
};

struct PathState {
    double CURINC = 0;                    // current step increment, chosen by the phase-assemblage check
    bool enthalpy_row = false;            // the enthalpy balance is a row of the matrix (G = 1); stays on
    double GRMCOM = 0;                    // grams of the fresh-fluid recipe that flushes BOX-1
    std::string unit_label = " g      ";  // unit of reactant amounts, 8 characters
    double gas_enthalpy = 0;  // kcal of the gases of the last enthalpy report (0 while the constraint is off)
    // Mixing: heat content of water per mole (header quantity 5) of the mixing solution at
    // TEMPC, fixed at start-up, and of the system's solution at the last mixing step.
    double heat_mix = 0;
    double heat_act = 0;
    KeptAnswers answers;
    StepTotals totals;  // of the last converged equilibrium

    // The assemblages solved at the current conditions (each sorted), and the phases kept
    // out of the matrix there because the assemblage came back round to one of them. Both
    // are cleared when the path moves on.
    std::vector<std::vector<int>> assemblages_seen;
    std::vector<int> barred;
    int releases = 0;      // times barred phases were let in again at these conditions
    int last_entered = 0;  // the phase that entered at the last check, 0 when none
};

}  // namespace zq

namespace zq {

// What a step of the path did: the path goes on, or it has reached its end normally (the
// path variable passed SLIM, or BOX-1 can take no more fluid). Errors stop the run by
// RunStop instead.
enum class StepOutcome { Continue, LimitReached };

}  // namespace zq
