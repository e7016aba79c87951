// The results listing of an equilibrium in ZARNOUT.DAT: conditions, water, ionic strength,
// the species table, charge balances, and when phases are in the matrix the component and
// phase tables; the step totals it computes (solution, solids and gas masses, the solids
// volume) are kept in sys.kept for the later stages of the step, and an AQGRM of 0 takes
// the mass of the solution of the first listed equilibrium.
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct RunParams;

struct ListingContext {
    int loops = 0;                 // iterations of the solve
    double charge_limit = 0;       // 1e-4 * T(C) at the start of the solve, moles
    double charge_correction = 0;  // fixed pH: per cent change of T(C) against its input
    bool loop_limit = false;       // the solve ended at NLOOP
    bool intermediate = false;     // ISTEP = 1: the listing of iteration 2
};

// Writes the listing of the current state. Unless the solve ended at the loop limit or
// ISTEP is 1, the charge of the solution is checked against its limit (which may stop the
// run or adjust C).
void write_results_listing(ChemicalSystem& sys, RunParams& rp, const ListingContext& ctx, Io& io);

// The gas-model line after the listing of a solve: "NON-" or not, and the gas set.
void write_ideal_mixing_line(const ChemicalSystem& sys, const RunParams& rp, Io& io);

}  // namespace zq
