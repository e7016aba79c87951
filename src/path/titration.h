// Reactant titration: one increment CURINC of the reactant mixture added to the component
// totals at a titration step of the reaction path.
#pragma once

#include <string>

namespace zq {

class Io;
struct ChemicalSystem;
struct EquilibriumState;
struct PathState;
struct RunParams;

// The unit of reactant amounts in the listing, 8 characters: grams for MINSOL 1 and 2,
// moles for 3 and 4.
std::string reactant_unit_label(const RunParams& rp);

// Adds ps.CURINC of the reactant mixture (grams for MINSOL 1 and 2, moles for 3 and 4; each
// reactant by its weight per cent) to the component totals and to rp.TOTMIX, enlarges BOX-1
// by the rock added when IFRAC is 0 and MINSOL 1, and reports the increment and the totals.
// With MINSOL 2 and 4 a reactant named like a phase in the matrix is not added. A reactant of
// weight per cent 0 takes no part; one of molecular weight 0 is warned of and, in a grams
// run, adds nothing. Added charge above 1e-8 stops the run unless CHGF is 1 (the totals
// already hold the increment then).
void titration_step(const ChemicalSystem& sys, RunParams& rp, PathState& ps, EquilibriumState& eq, Io& io);

}  // namespace zq
