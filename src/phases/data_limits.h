// Phases of the matrix at the end of their data: a record whose log K ends inside the range
// of a path (an "L-V " record without values above some temperature) has no log K at the
// new conditions, and its mass-action row could not hold.
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct Conditions;
struct EquilibriumState;

// Every phase of the matrix whose log K has no data at the current conditions (above 99999;
// for a mixed gas its log K without log10 P) leaves the matrix with a message naming it and
// the temperature (listing, then console); its moles return to the solution. The present
// solid solutions are renumbered.
void leave_matrix_without_data(const ChemicalSystem& sys, const Conditions& cond, double temp, EquilibriumState& eq,
                               Io& io);

}  // namespace zq
