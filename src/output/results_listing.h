// The results listing of an equilibrium in ZARNOUT.DAT: conditions, water, ionic strength,
// the species table, charge balances, and when phases are in the matrix the component and
// phase tables, then the closing lines (solids, porosity, reactant consumed). The listing
// only reads: the step totals it shows are computed by the run loop beforehand.
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct Conditions;
struct EquilibriumState;
struct PathState;
struct RunParams;

struct ListingContext {
    int loops = 0;                 // iterations of the solve
    double charge_limit = 0;       // 1e-4 * T(C) at the start of the solve, moles
    double charge_correction = 0;  // fixed pH: per cent change of T(C) against its input
};

// The first part: the heading with the conditions, water and ionic strength, the charge of
// the component totals, and the species table with the charge of the solution. The run
// loop checks that charge (which may stop the run or adjust C) before the second part.
void write_results_head(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp,
                        const ListingContext& ctx, Io& io);

// The second part: the component and phase tables when phases are in the matrix, and the
// closing lines, with the step totals of ps.totals.
void write_results_rest(const ChemicalSystem& sys, const Conditions& cond, const EquilibriumState& eq,
                        const RunParams& rp, const PathState& ps, Io& io);

// The gas-model line after the listing of a solve: "NON-" or not, and the gas set.
void write_ideal_mixing_line(const ChemicalSystem& sys, const RunParams& rp, Io& io);

}  // namespace zq
