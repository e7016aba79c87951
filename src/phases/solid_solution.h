// Solid solutions: the end-member lists of every solution index JSOLS (built once at
// start-up, with their listing), the solutions present and their totals (refreshed after
// every phase-assemblage check and during the Newton iteration), and the activity of an end
// member, lambda * X^n with X its mole fraction among the members in the matrix.
#pragma once

#include "thermo/system_tables.h"

namespace zq {

class Io;

inline constexpr int ELECTRUM_JSOLS = 10;  // gold in member slot 1, silver in slot 2
inline constexpr int MIXED_GAS_JSOLS = 6;

// Mode 1: lists the members of every solution index to the listing and builds the member
// tables, then does mode 2. Mixed gases and electrum members take the site multiplicity 1.
// An index above 20, a 21st member or a negative index stops the run.
void build_solid_solutions(ChemicalSystem& sys, Io& io);

// Mode 2: numbers the solutions with two or more members (present solutions 1, 2, ... in
// order of their index), marks their members in the matrix, sums their moles and clears the
// saturation sums; a solution left with one member becomes a pure phase for good.
void refresh_solid_solutions(ChemicalSystem& sys);

// Position of phase `phase` in the matrix list, 0 when it is not in the matrix.
int matrix_position(const ChemicalSystem& sys, int phase);

// Sums the totals of the present solutions from the moles of their members in the matrix.
void sum_solution_totals(ChemicalSystem& sys);

// log10 of an end member's activity in its present solution: log10 lambda + n log10 X.
double end_member_log_activity(const ChemicalSystem& sys, int phase);

}  // namespace zq
