// Phase assemblage: the check after every converged equilibrium. It computes log Q of every
// gas and mineral from the component activities, drops the phases of the matrix that no
// longer satisfy their mass-action equation (or went negative), lets the most supersaturated
// phase (or one whole solid solution) enter, chooses CURINC from the number of changes and
// writes the saturation table to the listing.
#pragma once

#include <utility>
#include <vector>

#include "base/fixed.h"

namespace zq {

class Io;
struct ChemicalSystem;
struct Conditions;
struct EquilibriumState;
struct RunParams;

// Affinity in calories of log(Q/K): AFFINITY_PER_KELVIN * T * log(Q/K), T in kelvin.
inline constexpr double AFFINITY_PER_KELVIN = -4.5758350671;

// What one check did. R + U decide CURINC.
struct AssemblageResult {
    double curinc = 0;  // the next increment CURINC
    int R = 0;          // phases removed from the matrix
    int U = 0;          // phases supersaturated outside the matrix (a solution entering whole counts once)
    int best = 0;       // most supersaturated phase outside the matrix, 0 when none
    int entered = 0;    // the phase that entered the matrix (first of its solution's members), 0 when none
    int solution = 0;   // solid-solution index whose end members entered with it or as a whole, 0 when none
    int displaced = 0;  // the phase of the matrix that the entering one displaced, 0 when none
    int nremoved = 0;   // phases of the removed list, in the order they were removed
    Table<int, MAX_PHASES> removed{};
    // Barred phases that are supersaturated all the same, with their log(Q/K), in phase order.
    std::vector<std::pair<int, double>> barred_supersaturated;
    bool released = false;  // the entering phase was barred (see `release`)
};

// log Q of phase i from the activities of its reaction's component species; for a member
// of a solid solution present in the matrix (`in_matrix`), less its own activity term
// log(lambda x^n), so that log Q - log K is 0 at equilibrium.
double phase_log_q(const ChemicalSystem& sys, const EquilibriumState& eq, int i, bool in_matrix);

// Checks the phase assemblage after a converged equilibrium (see the file comment): rebuilds
// eq.ph / eq.nph in phase-table order, sets the moles of entering phases, stores log Q of
// every phase (666 for the phases listed in the matrix part of the table) and the log
// fugacity of every gas listed outside the matrix, chooses the next increment from the
// current one `curinc` (half a step back only with `looc` not 0), and refreshes the solid
// solutions (present numbers, totals, saturation sums cleared). The phases in `barred` may
// not enter (nor count as supersaturated) unless `release` is set and nothing else changes:
// then the most supersaturated of them enters. The table is written when the step is a full one
// (the new increment is SINC) or ISTEP is set. A matrix list that would pass 40 phases stops
// the run with the size-limit message.
AssemblageResult check_phase_assemblage(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp,
                                        double curinc, int looc, const std::vector<int>& barred, bool release,
                                        EquilibriumState& eq, Io& io);

}  // namespace zq
