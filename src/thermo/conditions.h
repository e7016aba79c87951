// The conditions of the run: its temperature and pressure as the models use them, the
// grid block around them, and every datum evaluated there (log K of every species,
// mineral and gas, the activity-model header quantities, the b-dot terms, the temperature
// functions of the gas mixture). Start-up evaluates them; every change of TEMP or PFLUID
// evaluates them again.
#pragma once

#include <array>

#include "base/fixed.h"

namespace zq {

struct GridPosition {
    int row = 1;       // pressure row r (1..35)
    int col = 3;       // temperature column q (3..36)
    char pstat = ' ';  // 'N', 'W' or 'E'
    char tstat = ' ';  // ' ', 'W' or 'E'
};

// The values of each species and mineral at the conditions: of their fixed capacity a run
// uses the slots up to NS and NMIN.
struct SpeciesAndPhaseValues {
    Table<double, MAX_SPECIES> logk{};          // dissociation constant of each derived species
    Table<double, MAX_SPECIES> bdot{};          // b-dot term of each charged species
    Table<double, MAX_MINERALS> mn_logk{};      // hydrolysis log K; for a mixed gas log K + log10 P
    Table<double, MAX_MINERALS> mn_logk_raw{};  // mixed gases: log K without the pressure term
};

// The rest of the conditions.
struct ConditionsCore {
    double TK = 0;    // TEMP in kelvin
    double logP = 0;  // log10 PFLUID

    // Grid position of the run and of the mixing solution.
    GridPosition grid;
    GridPosition grid_mix;

    // Mixed gases: the virial parameters at TK, and the cross coefficients of the mixture.
    Table<double, MAX_MIXED_GASES> eos_a_t{};
    Table<double, MAX_MIXED_GASES> eos_b_t{};
    Table<double, 10> cross_t{};

    // Activity-model header quantities at the current T and P, and two derived values.
    Table<double, 5> header{};
    double header3_derived = 0;  // quantity 3 * 0.001 / (4.5756... * TEMP + 1249.8...)
    double header4_derived = 0;  // quantity 4 * 0.01
};

struct Conditions : ConditionsCore, SpeciesAndPhaseValues {};

}  // namespace zq

namespace zq {

struct ChemicalSystem;
struct RunParams;

// Temperature function c1/tk^2 + c2/tk + c3 of the gas-mixture coefficients (tk in kelvin).
double temperature_function(const std::array<double, 3>& c, double tk);

// Evaluates at rp.TEMP and rp.PFLUID (grid block cond.grid) what start-up evaluated at the
// starting conditions: TK and log10 P, the temperature functions of the gas mixture, the
// header quantities with their derived values, and the log K of every derived species,
// mineral and gas (a mixed gas's with log10 P added, the value without it kept in
// mn_logk_raw). The b-dot terms follow from the header quantities (the activity model).
void evaluate_conditions(const ChemicalSystem& sys, const RunParams& rp, Conditions& cond);

// Makes `to` the conditions `from` as far as the run of `sys` uses them: the species and
// mineral tables up to NS and NMIN, everything else whole. The slots after those keep
// what they held: nothing of a run reads or writes them.
void assign_in_use(Conditions& to, const Conditions& from, const ChemicalSystem& sys);

}  // namespace zq
