// The mixing solution of a mixing run (TEMPC not 0) and the mixing step: a portion CURINC of
// the mixing solution's recipe joins the system, and the temperature of the mixture follows
// from a heat balance on the heat content of water per mole (header quantity 5), weighted by
// the moles of water of the two solutions corrected for their salts; once the enthalpy
// constraint is on, the portion's heat joins ENTH instead and the temperature stays.
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct Conditions;
struct EquilibriumState;
struct PathState;
struct RunParams;

// Stoichiometric ionic strength of the mixing solution's recipe, 0.5 * sum of z^2 * molality
// over the component rows 3..NC; a sum of 0 or less (or no such rows) counts as 1e-10.
double mixing_ionic_strength(const ChemicalSystem& sys);

// Heat content of water (header quantity 5) at TEMPC: on the grid at the mixing solution's
// grid position when CONFLG is 1, on the saturation curve otherwise.
double mixing_heat(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp);

// Start-up of a mixing run: the heat content of the mixing solution, ps.heat_mix. On the
// extended grid the mixing solution is located at TEMPC first when the range check did not
// (TEMPC equal to TEMP at the start).
void prepare_mixing(const ChemicalSystem& sys, Conditions& cond, const RunParams& rp, PathState& ps);

// Temperature (C) at which water has the heat content `heat` per mole, by inverse
// three-point Lagrange interpolation (heat the abscissa): on the saturation curve through
// three of its nodes 0.01, 25, ..., 350 C chosen by the heat; on the extended grid
// (CONFLG 1) through the three columns of the grid block at PFLUID, the block located again
// at each new temperature until it holds, so that a large change of temperature does not
// extrapolate from the block of the old one.
double temperature_of_heat(const ChemicalSystem& sys, const RunParams& rp, double heat);

// One mixing step of ps.CURINC units of the recipe (see the file comment): the totals and
// TOTMIX grow, and TEMP becomes the temperature of the mixture (unchanged when the two
// temperatures are equal or the recipe holds no water), or, with the enthalpy constraint on,
// ENTH grows by the enthalpy of the portion's water at TEMPC. On the extended grid the grid
// check of TEMP (warning, question, stop outside the data) comes first.
void mixing_step(const ChemicalSystem& sys, Conditions& cond, RunParams& rp, PathState& ps, EquilibriumState& eq,
                 Io& io);

}  // namespace zq
