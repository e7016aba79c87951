// Fractionation of solids and gases, and flushing of BOX-1 with fresh fluid: what the step
// controller does to the component totals after a full step (IFRAC 0 to 5).
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct RunParams;

// Grams of the fresh-fluid recipe (the mixing solution's totals times the formula weights
// of the component species), stored in rp.GRMCOM. Run once at start-up, after the input
// echo has settled the mixing solution. In a flushing run (IFRAC 5) a recipe without a
// positive mass cannot be scaled to the grams infused: the run stops with a message.
void prepare_flushing(const ChemicalSystem& sys, RunParams& rp, Io& io);

// Fractionates or flushes by rp.IFRAC. Checks the step itself: it acts only on a full step
// (rp.CURINC equal to rp.SINC) and otherwise returns without changing or writing anything.
//   0      totals unchanged; "Solids and gases carried"
//   1 2 3  totals lose the solids, the gases, or both, of the phases in the matrix
//   4      totals lose the solids except the minerals of the don't-fractionate list
//   5      BOX-1 is flushed: the solids stay, the gases leave, a fraction CURINC of the pore
//          volume is replaced by fresh fluid and TOTMIX grows by the grams infused
// The solid and gas moles are those the Newton iteration left in comp[k].solid and
// comp[k].gas; the flushing reads the step totals the listing kept (solution grams, solids
// volume). Flushing ends the run (RunStop) when the box is plugged, holds no solids, or the
// infused total passes SLIM (status 0), and when the old pore fluid that should stay in the
// box has no mass (status 1).
void fractionate_or_flush(ChemicalSystem& sys, RunParams& rp, Io& io);

}  // namespace zq
