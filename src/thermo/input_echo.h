// The echo of the run's input to the listing, before the first equilibrium.
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct RunParams;

// Writes the echo (titles, components, charge balance of the given totals with its
// adjustment, parameters, options, derived species, minerals, reactants, mixing solution)
// and, for a flushing run that will compute, brings SINC into (0, 1].
void echo_input(ChemicalSystem& sys, RunParams& rp, Io& io);

// Stoichiometric ionic strength of the mixing solution's recipe, 0.5 * sum of z^2 * molality
// over the component rows 3..NC; a sum of 0 or less (or no such rows) counts as 1e-10.
double mixing_ionic_strength(const ChemicalSystem& sys);

// Heat content of water (header quantity 5) at TEMPC: on the grid at the mixing solution's
// grid position when CONFLG is 1, on the saturation curve otherwise.
double mixing_heat(const ChemicalSystem& sys, const RunParams& rp);

}  // namespace zq
