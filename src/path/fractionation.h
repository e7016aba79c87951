// Fractionation of solids and gases, and flushing of BOX-1 with fresh fluid: what the step
// controller does to the component totals after a full step (IFRAC 0 to 5).
#pragma once

#include "path/path_state.h"

namespace zq {

class Io;
struct ChemicalSystem;
struct EquilibriumState;
struct RunParams;

// Start-up of flushing, after the input echo has settled the mixing solution: a flushing
// run that will compute brings SINC into (0, 1] (a fraction of the pore volume per step);
// returns the grams of the fresh-fluid recipe (the mixing solution's totals times the
// formula weights of the component species), GRMCOM. In a flushing run (IFRAC 5) a recipe
// without a positive mass cannot be scaled to the grams infused: the run stops with a
// message.
double prepare_flushing(const ChemicalSystem& sys, RunParams& rp, Io& io);

// Fractionates or flushes by rp.IFRAC. Checks the step itself: it acts only on a full step
// (ps.CURINC equal to rp.SINC) and otherwise returns without changing or writing anything.
//   0      totals unchanged; "Solids and gases carried"
//   1 2 3  totals lose the solids, the gases, or both, of the phases in the matrix
//   4      totals lose the solids except the minerals of the don't-fractionate list
//   5      BOX-1 is flushed: the solids stay, the gases leave, a fraction CURINC of the pore
//          volume is replaced by fresh fluid and TOTMIX grows by the grams infused
// The solid and gas moles are those the Newton iteration left in eq.comp[k].solid and
// .gas; the flushing reads the step totals of the last equilibrium (solution grams, solids
// volume). Flushing reaches the end of the path (LimitReached) when the box is plugged,
// holds no solids, or the infused total passes SLIM, and stops the run (status 1) when the
// old pore fluid that should stay in the box has no mass.
StepOutcome fractionate_or_flush(const ChemicalSystem& sys, RunParams& rp, const PathState& ps, EquilibriumState& eq,
                                 Io& io);

}  // namespace zq
