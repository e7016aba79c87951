// The totals of a converged equilibrium that the listing shows and later stages of the step
// use: masses of the solution, the solids and the gases, the solids volume and porosity of
// BOX-1, the charge of the components held in phases, the log activity ratios of the
// components, the weight per cent of each phase and the water/rock ratio. The run loop
// computes them after a solve, before anything is written.
#pragma once

#include "base/fixed.h"

namespace zq {

struct ChemicalSystem;
struct EquilibriumState;
struct RunParams;

struct StepTotals {
    double solution_grams = 0;                  // mass of the aqueous solution (S_g)
    double solids_grams = 0;                    // total mass of the minerals in the matrix (M_s)
    double solids_volume = 0;                   // their volume, cm3 (V_s)
    double gas_grams = 0;                       // total mass of the gases in the matrix
    double porosity = 0;                        // porosity of BOX-1, per cent (the last value while there is no box)
    double water_rock = 0;                      // water/rock ratio (kept while no reactant is consumed)
    double log_water_rock = 0;                  // its log (kept while the ratio is not positive)
    double solid_charge = 0;                    // charge of the solid and gas moles of the components
    Table<double, MAX_COMPONENTS> log_ratio{};  // log10(a(k) / a(H+)^z(k)) of each component
    Table<double, MAX_MINERALS> wt_percent{};   // weight per cent of each phase in the matrix
                                                // (the last one while its kind has no mass)
};

// The totals of the current state; `kept` holds the values of the last step that carry
// over when there is nothing to compute them from.
StepTotals step_totals(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp,
                       const StepTotals& kept);

// The water/rock ratio of a titration run (MINSOL not 0), once AQGRM is known: the grams of
// the original solution over the reactant consumed (TOTMIX); kept while TOTMIX is 0.
void update_water_rock(StepTotals& t, const RunParams& rp);

}  // namespace zq
