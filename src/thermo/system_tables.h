// The chemical system: every table of a run, with fixed capacities and 1-based indexes
// as the program numbers them. Created once per run, filled by the run-file reader, the
// database reader and the reactant reader, then updated in place by every later stage.
#pragma once

#include <array>
#include <cassert>
#include <string>
#include <string_view>

namespace zq {

// Capacities. Storing a species in slot MAX_SPECIES (or a mineral in slot MAX_MINERALS)
// is the overflow, so one slot less is usable.
inline constexpr int MAX_SPECIES = 600;
inline constexpr int MAX_MINERALS = 500;
inline constexpr int MAX_COMPONENTS = 70;
inline constexpr int MAX_DB_COMPONENTS = 71;
inline constexpr int MAX_ITOT = 12;
inline constexpr int MAX_SAT_MINERALS = 40;
inline constexpr int MAX_REACTANTS = 50;
inline constexpr int MAX_SUPPRESSED = 500;
inline constexpr int MAX_DONT_FRAC = 20;
inline constexpr int MAX_CURVE = 200;
inline constexpr int MAX_MIXED_GASES = 20;
inline constexpr int MAX_PHASES = 40;   // phases in the matrix
inline constexpr int MAX_ORDER = 100;   // unknowns of the Newton system
inline constexpr int MAX_NEUTRAL = 10;  // flagged neutral species of the activity model
inline constexpr int MAX_SOLUTIONS = 20;     // solid-solution indexes JSOLS 1..20
inline constexpr int MAX_END_MEMBERS = 20;   // end members of one solid solution

inline constexpr int GRID_ROWS = 37;  // pressures
inline constexpr int GRID_COLS = 36;  // temperatures
inline constexpr int GRID_CELLS = GRID_ROWS * GRID_COLS;

inline constexpr double WATER_MOLES_PER_KG = 55.5082502;
inline constexpr double NO_DATA = 99999.999;  // no log K at this point

// A table indexed 1..N; slot 0 exists but is never used.
template <class T, int N>
struct Table {
    std::array<T, N + 1> slot{};
    T& operator[](int i) {
        assert(i >= 0 && i <= N);
        return slot[static_cast<std::size_t>(i)];
    }
    const T& operator[](int i) const {
        assert(i >= 0 && i <= N);
        return slot[static_cast<std::size_t>(i)];
    }
    static constexpr int capacity() { return N; }
};

// A blank-padded fixed-width name, compared over all its characters, case-sensitive.
template <int W>
struct FixedName {
    std::array<char, W> c{};
    FixedName() { c.fill(' '); }
    FixedName(std::string_view s) {  // NOLINT: implicit from text is the natural use
        c.fill(' ');
        for (std::size_t i = 0; i < s.size() && i < static_cast<std::size_t>(W); ++i) c[i] = s[i];
    }
    FixedName(const char* s) : FixedName(std::string_view(s)) {}
    FixedName(const std::string& s) : FixedName(std::string_view(s)) {}
    std::string_view view() const { return {c.data(), static_cast<std::size_t>(W)}; }
    std::string str() const { return std::string(view()); }
    bool blank() const { return view().find_first_not_of(' ') == std::string_view::npos; }
    // The name without its trailing blanks, for messages.
    std::string trimmed() const {
        const std::string_view v = view();
        return std::string(v.substr(0, v.find_last_not_of(' ') + 1));
    }
    bool operator==(const FixedName&) const = default;
};
using Name20 = FixedName<20>;
using Kind4 = FixedName<4>;  // "All ", "L-V ", suppression flags "GAS ", "SU33"

// Raw log K data of one record: the 37 x 36 grid (row-major, pressure rows x temperature
// columns) for "All " records, or the first 8 values at 25..350 C for "L-V " records.
using RawLogK = std::array<double, GRID_CELLS>;
inline double& grid_cell(RawLogK& v, int row, int col) {
    return v[static_cast<std::size_t>((row - 1) * GRID_COLS + (col - 1))];
}
inline double grid_cell(const RawLogK& v, int row, int col) {
    return v[static_cast<std::size_t>((row - 1) * GRID_COLS + (col - 1))];
}

// One aqueous species: component species occupy 1..NC, derived species NC+1..NS.
struct Species {
    Name20 name;
    double charge = 0;
    double ion_size = 0;   // database size; the activity model converts it in place
    double radius = 0;     // database size kept by the activity model (4.0 for 0)
    double bdot = 0;
    double gfw = 0;        // gram formula weight (components)
    double third = 0;      // third per-species value of the record, kept unused
    double logk = 0;       // dissociation constant at the current T and P
    Kind4 kind;            // "All " or "L-V "
    int nentries = 0;      // ITOT + 1: entry 1 is the species itself with -1
    std::array<double, MAX_ITOT + 2> coef{};
    std::array<int, MAX_ITOT + 2> index{};  // run positions of component species
};

// One mineral or gas record.
struct Mineral {
    Name20 name;
    int jsols = 0;          // 6 marks a mixed gas
    double site_n = 0;      // site multiplicity of a solid-solution end member
    Kind4 flag;             // blank, "GAS ", anything else = suppressed in the database
    Kind4 kind;             // "All " or "L-V "
    double gfw = 0;
    double density = 0;
    int itot = 0;
    std::array<double, MAX_ITOT + 1> coefm{};
    std::array<int, MAX_ITOT + 1> specm{};  // run positions after mapping
    double coef_abs_sum = 0;
    double logk = 0;        // hydrolysis log K; for a mixed gas log K + log10 P
    double logk_raw = 0;    // mixed gases: log K without the pressure term
    int sat_row = 0;        // row of the run file's saturated-mineral list, 0 if none
    double start_moles = 0;
    std::array<double, 3> eos_a{};  // mixed gases: a1, a2, a3
    std::array<double, 3> eos_b{};  // mixed gases: b1, b2, b3
    double eos_a_t = 0, eos_b_t = 0;  // the two parameters evaluated at the current T
    double logq = 0;        // log Q of the last phase-assemblage check (666 once listed)
    double log_fugacity = 0;  // gases outside the matrix: log fugacity of the last check
    double lambda = 1;      // activity coefficient as a solid-solution end member
    int ss_present = 0;     // number of its present solid solution, 0 if none
    double wt_percent = 0;  // last weight per cent listed (kept when the total mass is 0)
};

// One component row of the run file.
struct Component {
    int saq = 0;            // database component number
    double total = 0;       // total moles in the system (water: moles, read as kg)
    double total_input = 0; // total as read, for the charge-adjustment percentage
    double mix_total = 0;   // total moles in the mixing solution
    double solid = 0;       // moles held in solids of the matrix
    double gas = 0;         // moles held in gases of the matrix
};

struct SatMineral {
    Name20 name;
    double moles = 0;
    int slot = 0;           // mineral slot matched in the database
};

struct Reactant {
    Name20 name;
    double amount = 0;      // weight percent (ppm and ppb converted)
    double gfw = 0;         // 0 until found in the reactant file
    int itot = 0;
    std::array<double, MAX_ITOT + 1> coef{};
    std::array<int, MAX_ITOT + 1> pos{};  // run positions of the components
};

// Values the results listing of a step computes and later stages of the step use.
struct StepTotals {
    double solution_grams = 0;  // mass of the aqueous solution (S_g)
    double solids_grams = 0;    // total mass of the minerals in the matrix (M_s)
    double solids_volume = 0;   // their volume, cm3 (V_s)
    double gas_grams = 0;       // total mass of the gases in the matrix
    double porosity = 0;        // last porosity written to the plot file
    double water_rock = 0;      // last water/rock ratio listed (kept while no reactant is consumed)
    double log_water_rock = 0;  // its log (kept while the ratio is not positive)
    double solid_charge = 0;    // charge of the solid and gas moles of the components
    Table<double, MAX_COMPONENTS> log_ratio{};  // log10(a(k) / a(H+)^z(k)) of each component
};

// Solid solutions: the end members of every solution index JSOLS (database order), built
// once at start-up, and the solutions present (two or more members), refreshed after every
// phase-assemblage check and during the Newton iteration.
struct SolidSolutions {
    Table<int, MAX_SOLUTIONS> nmembers{};                                  // member count of s
    Table<std::array<int, MAX_END_MEMBERS + 1>, MAX_SOLUTIONS> member{};   // phase numbers, slots 1..
    Table<std::array<double, MAX_END_MEMBERS + 1>, MAX_SOLUTIONS> x{};     // saturation terms x
    Table<double, MAX_SOLUTIONS> sumx{};                                   // their sum
    Table<int, MAX_MINERALS> of{};       // solution s of each phase, 0 for a pure phase
    int npresent = 0;                    // present solutions, numbered 1.. in order of s
    Table<int, MAX_SOLUTIONS> present_s{};   // solution s of present solution b
    Table<double, MAX_SOLUTIONS> total{};    // moles of present solution b's members in the matrix
};

struct GridPosition {
    int row = 1;            // pressure row r (1..35)
    int col = 3;            // temperature column q (3..36)
    char pstat = ' ';       // 'N', 'W' or 'E'
    char tstat = ' ';       // ' ', 'W' or 'E'
};

// Run state of the activity model (ACTCOF, WATACT and the high-temperature water
// activity): set up once per run, overwritten at every evaluation.
struct ActivityModelState {
    // Flagged neutral species (neutral, database size above 9.98): they take the
    // dissolved-gas coefficient when NEUT is 0. Sized to the species table so that every
    // qualifying species is flagged, however many the database holds.
    int nflag = 0;
    Table<int, MAX_SPECIES> flagged{};
    Table<double, MAX_COMPONENTS> naq{};  // aqueous moles of each component (total-solid-gas)
    double I = 0;      // true ionic strength
    double I_st = 0;   // stoichiometric ionic strength
    double phi = 0;    // osmotic coefficient
    std::array<double, 3> phi0{1.0, 1.0, 1.0};  // MRKPHI fugacity coefficients at x = (0, 1, 0)
    double xgas = 0;   // dissolved-gas mole fraction per kilogram (0 unless a_w came from it)
};

struct ChemicalSystem {
    // Species table and component rows.
    int nc = 0;             // component species in the run
    int ns = 0;             // last species position kept (NS)
    Table<Species, MAX_SPECIES> sp;
    Table<RawLogK, MAX_SPECIES> sp_raw;
    Table<Component, MAX_COMPONENTS> comp;
    Table<int, MAX_DB_COMPONENTS> cmap{};  // database component number -> run position
    // Charge imbalance of the component totals (moles) of the starting solution (0 when a
    // pH is given) and of the mixing solution; CHGBAL zeroes them when it adjusts.
    double chg_start = 0;
    double chg_mix = 0;

    // Per-species solution state.
    Table<double, MAX_SPECIES> m{};        // molality (H2O slot holds 1.0)
    Table<double, MAX_SPECIES> gamma{};    // activity coefficient (H2O: activity of water)
    Table<double, MAX_SPECIES> act{};      // activity
    ActivityModelState actmodel;           // activity-model run state

    StepTotals kept;
    SolidSolutions ss;
    bool missing_density = false;  // a mineral of the run took the default density 2.5

    // Fixed species slots (0 when absent).
    int slot_co2aq = 0, slot_ch4aq = 0, slot_h2saq = 0, slot_h2aq = 0, slot_n2aq = 0;

    // Minerals and gases.
    int nmin = 0;
    Table<Mineral, MAX_MINERALS> mn;
    Table<RawLogK, MAX_MINERALS> mn_raw;
    Table<double, MAX_MINERALS> mn_moles{};  // current moles of each mineral or gas
    // Phases in the matrix: mineral numbers in matrix order.
    int nph = 0;
    Table<int, MAX_PHASES> ph{};
    int ngas_records = 0;   // records flagged "GAS "
    int nmixed = 0;         // mixed-gas records (JSOLS 6)
    int ngasmix = 0;        // gases in the mixture: 0, 2 or 3
    // Cross coefficients of the gas mixture: B12, B13, B23, C112, C122, C113, C133, C223,
    // C233, C123, each a triple (c1, c2, c3) of c1/T^2 + c2/T + c3, and their value at T.
    Table<std::array<double, 3>, 10> cross{};
    Table<double, 10> cross_t{};

    // Activity-model header quantities: raw grids and values at the current T and P.
    Table<RawLogK, 5> header_raw;
    Table<double, 5> header{};
    double header3_derived = 0;  // quantity 3 * 0.001 / (4.5756... * TEMP + 1249.8...)
    double header4_derived = 0;  // quantity 4 * 0.01

    // Grid position of the run and of the mixing solution; answer of the grid prompt.
    GridPosition grid;
    GridPosition grid_mix;
    char grid_answer = ' ';

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
