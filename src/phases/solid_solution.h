// Solid solutions: the end-member lists of every solution index JSOLS (built once at
// start-up, with their listing), and the solutions present and their totals (refreshed
// after every phase-assemblage check). The activity of an end member, lambda * X^n with X
// its mole fraction among the members in the matrix, is a term of the Newton system
// (solver/equilibrium_state.h).
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct EquilibriumState;

inline constexpr int ELECTRUM_JSOLS = 10;  // gold in member slot 1, silver in slot 2
inline constexpr int MIXED_GAS_JSOLS = 6;

// Mode 1: lists the members of every solution index to the listing and builds the member
// tables; a solution with a single member is dissolved (that phase is a pure phase for
// good), except the gas mixture: a lone mixed gas (H2O,gas of a run without carbon) keeps
// its fugacity coefficient as a mixture of one; then does mode 2. Mixed gases and electrum
// members take the site multiplicity 1.
// An index above 20, a 21st member or a negative index stops the run.
void build_solid_solutions(ChemicalSystem& sys, EquilibriumState& eq, Io& io);

// Mode 2: numbers the solutions with two or more members (the gas mixture with one or
// more) as present solutions 1, 2, ... in order of their index, marks their members in the
// matrix, sums their moles and clears the saturation sums.
void refresh_solid_solutions(const ChemicalSystem& sys, EquilibriumState& eq);

}  // namespace zq
