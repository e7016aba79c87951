// The mixing solution of a mixing run (TEMPC not 0): its stoichiometric ionic strength and
// the heat content of water at its temperature.
#pragma once

namespace zq {

struct ChemicalSystem;
struct Conditions;
struct RunParams;

// Stoichiometric ionic strength of the mixing solution's recipe, 0.5 * sum of z^2 * molality
// over the component rows 3..NC; a sum of 0 or less (or no such rows) counts as 1e-10.
double mixing_ionic_strength(const ChemicalSystem& sys);

// Heat content of water (header quantity 5) at TEMPC: on the grid at the mixing solution's
// grid position when CONFLG is 1, on the saturation curve otherwise.
double mixing_heat(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp);

}  // namespace zq
