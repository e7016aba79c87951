// Electrum, the gold-silver solid solution (JSOLS 10, gold in member slot 1, silver in
// slot 2): its activity coefficients, their terms in the Newton system, and the estimate of
// its saturation while it is absent, since electrum can be stable when neither gold nor
// silver is saturated alone.
//
// Mixing model (gold fraction X, T in kelvin, R in cal/(mol K)), a subregular solution:
//   ln lambda(Ag) = X^2 (1600 X - 5650 + 1.375 T) / (R T)
//   ln lambda(Au) = (1 - X)^2 (1600 X - 4850 + 1.375 T) / (R T)
// and the Gibbs energy (cal) of forming one mole of electrum of gold fraction X from a
// solution in which gold and silver have the saturation indexes q(Au), q(Ag):
//   G(X) = X (1 - X) ((1600 X + 1.375 T - 5650) X + (1600 X + 1.375 T - 4850) (1 - X))
//          + R T (X ln X + (1 - X) ln(1 - X) - ln 10 (X q(Au) + (1 - X) q(Ag))).
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct Conditions;
struct EquilibriumState;
struct NewtonHooks;

// The phase numbers of gold and silver, 0 when the run has no electrum of two members.
struct ElectrumMembers {
    int gold = 0;
    int silver = 0;
    bool exist() const { return gold != 0 && silver != 0; }
};
ElectrumMembers electrum_members(const ChemicalSystem& sys);

// lambda of gold and silver from their moles at tk (nothing while both amounts are 0); with
// gold in the matrix also the four composition terms d log10 lambda / d n of the Newton
// rows of silver and gold (eq.terms), none otherwise.
void electrum_activity_coefficients(const ChemicalSystem& sys, double tk, EquilibriumState& eq);

// The hook of the Newton iteration: the activity coefficients after every phase update
// while gold is a member of a present solution.
void set_electrum_hook(NewtonHooks& hooks, const ChemicalSystem& sys, const Conditions& cond, EquilibriumState& eq);

// The lowest G(X) over X = 0, 0.1, ..., 0.9, 1 (0.9 tested apart from the sweep 0.1 ... 0.8;
// X = 1 only when nothing tested is below the pure-gold value).
struct ElectrumAffinity {
    double x = 0;
    double g = 0;
};
ElectrumAffinity lowest_electrum_affinity(double q_au, double q_ag, double tk);

// After a converged solve, while electrum exists and gold is not in the matrix: the lowest
// affinity with its gold fraction and the Q/K of gold and silver to the listing; when it is
// negative the electrum is seeded with 1e-12 moles of that composition (at most half of the
// gold and of the silver the system holds) and its saturation sum set to 1, so that the
// phase-assemblage check lets it enter as a whole when no single phase is supersaturated.
void electrum_saturation_estimate(const ChemicalSystem& sys, const Conditions& cond, EquilibriumState& eq, Io& io);

}  // namespace zq
