// Linear dependence of the phases in the matrix. The Newton system holds one mass-action
// equation per phase; when the reactions of the phases, written in the component species
// whose activities the solution is free to take, are linearly dependent, those equations
// are dependent too and the system is singular: the phases cannot all be saturated at once
// (the phase rule). The activity of water (and of H+ when the pH is fixed) is held by the
// solution, so those components do not count. End members of solid solutions carry their
// mole fraction as a variable of their own and never take part in a dependence.
#pragma once

#include <string>
#include <vector>

namespace zq {

struct ChemicalSystem;
struct EquilibriumState;
struct RunParams;

// v = sum of coef[i] * basis[i] over the independent vectors `basis`, when such a sum
// reproduces v to within the tolerance: the reaction by which v depends on them. `coef` is
// empty when v is independent of them. The tolerance is relative to the stoichiometric
// scale (the largest coefficient of the vectors): a residual below 1e-9 of it counts as 0.
std::vector<double> dependence_on(const std::vector<std::vector<double>>& basis, const std::vector<double>& v);

// The reaction vector of phase `phase` over the free components of the run (see above).
std::vector<double> free_component_vector(const ChemicalSystem& sys, const RunParams& rp, int phase);

// True for a phase that takes part in the dependence test (a pure phase).
bool tested_for_dependence(const ChemicalSystem& sys, int phase);

// What happens when phase `entering` joins the phases of the matrix `in_matrix` (all
// independent): 0 when it is independent of them; otherwise the phase of the matrix that
// the reaction forming `entering` from them uses up first (the smallest moles per
// coefficient among the phases the reaction consumes), and the reaction's text for the
// listing in `reaction`. log_qk gives log(Q/K) of each phase (the entering one above 0).
struct Displacement {
    int leaves = 0;
    std::string reaction;
};
Displacement displaced_by(const ChemicalSystem& sys, const RunParams& rp, const EquilibriumState& eq,
                          const std::vector<int>& in_matrix, int entering, const std::vector<double>& log_qk);

}  // namespace zq
