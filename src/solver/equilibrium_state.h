// The equilibrium state: what a solve changes and a step of the path changes again. The
// run-file reader sets its starting values (totals, trial molalities, gammas), start-up
// puts the run file's minerals into the matrix, every solve brings it to equilibrium, the
// phase-assemblage check changes the matrix, and titration, fractionation and flushing
// change the totals.
#pragma once

#include <array>

#include "base/fixed.h"

namespace zq {

struct ChemicalSystem;

// The amounts of one component.
struct ComponentAmounts {
    double total = 0;  // total moles in the system (water: moles)
    double solid = 0;  // moles held in solids of the matrix
    double gas = 0;    // moles held in gases of the matrix
    double aqueous() const { return total - solid - gas; }
};

// What the model and the checks last found for one mineral or gas.
struct PhaseState {
    double logq = 0;          // log Q of the last phase-assemblage check (666 once listed)
    double log_fugacity = 0;  // gases outside the matrix: log fugacity of the last check
    double lambda = 1;        // activity coefficient as a solid-solution end member
    int ss_present = 0;       // number of its present solid solution, 0 if none
};

// Run state of the activity model (ACTCOF, WATACT and the high-temperature water
// activity), overwritten at every evaluation.
struct ActivityModelState {
    Table<double, MAX_COMPONENTS> naq{};        // aqueous moles of each component (total-solid-gas)
    double I = 0;                               // true ionic strength
    double I_st = 0;                            // stoichiometric ionic strength
    double phi = 0;                             // osmotic coefficient
    std::array<double, 3> phi0{1.0, 1.0, 1.0};  // MRKPHI fugacity coefficients at x = (0, 1, 0)
    double xgas = 0;                            // dissolved-gas mole fraction per kilogram (0 unless a_w came from it)
};

// The solid solutions present (two or more members), refreshed after every
// phase-assemblage check and during the Newton iteration.
struct PresentSolutions {
    Table<std::array<double, MAX_END_MEMBERS + 1>, MAX_SOLUTIONS> x{};  // saturation terms x
    Table<double, MAX_SOLUTIONS> sumx{};                                // their sum, per solution index s
    int npresent = 0;                                                   // present solutions, numbered 1.. in order of s
    Table<int, MAX_SOLUTIONS> present_s{};                              // solution s of present solution b
    Table<double, MAX_SOLUTIONS> total{};  // moles of present solution b's members in the matrix
};

// The gas mixture: the mixed gases (JSOLS 6, mineral slots 1..nmixed) as the Newton
// iteration, the listing and the enthalpy balance see them. The fugacity coefficient of a
// mixed gas is its activity coefficient lambda (PhaseState); here are its mole fraction,
// the two pressure coefficients of ln phi = (a + b P / 2) P, and the molar enthalpies.
struct GasMixtureState {
    Table<double, MAX_MIXED_GASES> y{};  // mole fractions (of the gas phase, or at saturation)
    Table<double, MAX_MIXED_GASES> a{};  // P coefficient of ln phi, 1/bar (the volume's B')
    Table<double, MAX_MIXED_GASES> b{};  // its P^2 coefficient times 2 (the volume's C'), 1/bar^2
    Table<double, 3> h{};                // molar enthalpy of H2O, CO2, CH4 gas at T and P, kcal/mol
    Table<double, 3> dhdp{};             // their pressure derivatives, kcal/(mol bar)
    double h_water = 0;                  // molar enthalpy of pure liquid water at TEMP, kcal/mol
};

// A term of the Newton system from an activity coefficient that depends on the amounts of
// the members of its solution (electrum): d log10 lambda(phase) / d moles(wrt).
struct CompositionTerm {
    int phase = 0;
    int wrt = 0;
    double dlog10_lambda = 0;
};

// The tables of the state indexed by species and by mineral number: of their fixed
// capacity a run uses the slots up to NS and NMIN.
struct SpeciesAndPhaseTables {
    // Per-species solution state.
    Table<double, MAX_SPECIES> m{};      // molality (H2O slot holds 1.0)
    Table<double, MAX_SPECIES> gamma{};  // activity coefficient (H2O: activity of water)
    Table<double, MAX_SPECIES> act{};    // activity

    // Minerals and gases: current moles and what the model and the checks last found.
    Table<double, MAX_MINERALS> mn_moles{};
    Table<PhaseState, MAX_MINERALS> phase{};
};

// The rest of the state.
struct EquilibriumCore {
    double water_kg = 0;  // kilograms of liquid water W_kg
    ActivityModelState actmodel;

    Table<ComponentAmounts, MAX_COMPONENTS> comp{};
    // Charge imbalance of the component totals (moles) as the start-of-run balance found it
    // (0 when a pH is given); 0 once C has been adjusted.
    double chg_start = 0;

    // The phases in the matrix in matrix order.
    int nph = 0;
    Table<int, MAX_PHASES> ph{};
    PresentSolutions ss;
    GasMixtureState gas;
    int nterms = 0;  // composition terms of the Newton system, in force while gold is in the matrix
    std::array<CompositionTerm, 4> terms{};
};

struct EquilibriumState : EquilibriumCore, SpeciesAndPhaseTables {};

// Makes `to` the state `from` as far as the run of `sys` uses it: the species and
// mineral tables up to NS and NMIN, everything else whole. The slots after those keep
// what they held: nothing of a run reads or writes them.
void assign_in_use(EquilibriumState& to, const EquilibriumState& from, const ChemicalSystem& sys);

// Position of phase `phase` in the matrix list, 0 when it is not in the matrix.
int matrix_position(const EquilibriumState& eq, int phase);

// Sums the totals of the present solutions from the moles of their members in the matrix.
void sum_solution_totals(EquilibriumState& eq);

// log10 of an end member's activity in its present solution: log10 lambda + n log10 X.
double end_member_log_activity(const ChemicalSystem& sys, const EquilibriumState& eq, int phase);

}  // namespace zq
