// The chemical system's definition: every table that start-up fills from the run file, the
// database and the reactant file, and that stays fixed for the rest of the run. What
// depends on the temperature and pressure (log K, activity-model header quantities) is in
// Conditions; what a solve or a step changes (molalities, amounts, the phases in the
// matrix) is in the equilibrium state.
#pragma once

#include <array>
#include <string>

#include "base/fixed.h"
#include "base/units.h"

namespace zq {

// One aqueous species: component species occupy 1..NC, derived species NC+1..NS.
struct Species {
    Name20 name;
    double charge = 0;
    double ion_size = 0;  // database size; the activity model converts it in place at start-up
    double radius = 0;    // database size kept by the activity model (4.0 for 0)
    double gfw = 0;       // gram formula weight (components)
    double third = 0;     // third per-species value of the record, kept unused
    Kind4 kind;           // "All " or "L-V "
    int nentries = 0;     // ITOT + 1: entry 1 is the species itself with -1
    std::array<double, MAX_ITOT + 2> coef{};
    std::array<int, MAX_ITOT + 2> index{};  // run positions of component species
    // The last species before this one that the activity model treats alike (the same
    // charge, for an ion the same size, both or neither a dissolved gas), 0 if none: the
    // two usually have one activity coefficient, which is then worked out once. Set with
    // the ion sizes.
    int gamma_peer = 0;
};

// One mineral or gas record.
struct Mineral {
    Name20 name;
    int jsols = 0;      // 6 marks a mixed gas
    double site_n = 0;  // site multiplicity of a solid-solution end member
    Kind4 flag;         // blank, "GAS ", anything else = suppressed in the database
    Kind4 kind;         // "All " or "L-V "
    double gfw = 0;
    double density = 0;
    int itot = 0;
    std::array<double, MAX_ITOT + 1> coefm{};
    std::array<int, MAX_ITOT + 1> specm{};  // run positions after mapping
    double coef_abs_sum = 0;
    int sat_row = 0;  // row of the run file's saturated-mineral list, 0 if none
    double start_moles = 0;
    std::array<double, 3> eos_a{};  // mixed gases: a1, a2, a3
    std::array<double, 3> eos_b{};  // mixed gases: b1, b2, b3
    bool is_gas() const { return flag == Kind4("GAS "); }
};

// One component row of the run file: what stays fixed. The totals that the path changes
// are in the equilibrium state.
struct Component {
    int saq = 0;             // database component number
    double total_input = 0;  // total as read (water in moles), for the charge-adjustment percentage
    double mix_total = 0;    // total moles in the mixing solution (balanced at start-up)
};

struct SatMineral {
    Name20 name;
    double moles = 0;
    int slot = 0;  // mineral slot matched in the database
};

struct Reactant {
    Name20 name;
    double amount = 0;  // weight percent (ppm and ppb converted)
    double gfw = 0;     // 0 until found in the reactant file
    int itot = 0;
    std::array<double, MAX_ITOT + 1> coef{};
    std::array<int, MAX_ITOT + 1> pos{};  // run positions of the components
};

// The end members of every solution index JSOLS, in database order, built once at
// start-up (a solution with a single member is dissolved then: that phase is pure).
struct SolutionMembers {
    Table<int, MAX_SOLUTIONS> nmembers{};                                 // member count of s
    Table<std::array<int, MAX_END_MEMBERS + 1>, MAX_SOLUTIONS> member{};  // phase numbers, slots 1..
    Table<int, MAX_MINERALS> of{};  // solution s of each phase, 0 for a pure phase
};

struct ChemicalSystem {
    // Species table and component rows.
    int nc = 0;  // component species in the run
    int ns = 0;  // last species position kept (NS)
    Table<Species, MAX_SPECIES> sp;
    RawLogKTable<MAX_SPECIES> sp_raw;
    Table<Component, MAX_COMPONENTS> comp;
    Table<int, MAX_DB_COMPONENTS> cmap{};  // database component number -> run position
    // Charge imbalance of the mixing solution's totals (moles); CHGBAL zeroes it when it adjusts.
    double chg_mix = 0;

    bool missing_density = false;  // a mineral of the run took the default density 2.5

    // Fixed species slots (0 when absent).
    int slot_co2aq = 0, slot_ch4aq = 0, slot_h2saq = 0, slot_h2aq = 0, slot_n2aq = 0;

    // Flagged neutral species (neutral, database size above 9.98): they take the
    // dissolved-gas coefficient when NEUT is 0. Sized to the species table so that every
    // qualifying species is flagged, however many the database holds.
    int nflag = 0;
    Table<int, MAX_SPECIES> flagged{};

    // Minerals and gases.
    int nmin = 0;
    Table<Mineral, MAX_MINERALS> mn;
    RawLogKTable<MAX_MINERALS> mn_raw;
    int ngas_records = 0;  // records flagged "GAS "
    int nmixed = 0;        // mixed-gas records (JSOLS 6), mineral slots 1..nmixed
    int ngasmix = 0;       // gases in the mixture: 0, 2 or 3
    // Cross coefficients of the gas mixture: B12, B13, B23, C112, C122, C113, C133, C223,
    // C233, C123, each a triple (c1, c2, c3) of c1/T^2 + c2/T + c3.
    Table<std::array<double, 3>, 10> cross{};
    SolutionMembers ss;

    // Activity-model header quantities: raw grids.
    Table<RawLogK, 5> header_raw;

    // Lists from the run file.
    int nsat = 0;
    Table<SatMineral, MAX_SAT_MINERALS> sat;
    int nreact = 0;
    Table<Reactant, MAX_REACTANTS> react;
    int nsupp = 0;
    Table<Name20, MAX_SUPPRESSED> supp;
    int ndontfrac = 0;
    Table<Name20, MAX_DONT_FRAC> dontfrac;  // 20 blank names at start-up
    int ncurve = 0;
    Table<double, MAX_CURVE> curve_t{};
    Table<double, MAX_CURVE> curve_p{};
};

}  // namespace zq
