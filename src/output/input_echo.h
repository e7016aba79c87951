// The echo of the run's input to the listing, before the first equilibrium. Start-up
// writes it in two parts with the charge balance of the given totals between them.
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct Conditions;
struct EquilibriumState;
struct RunParams;

// The titles and the component rows as read (totals, trial molalities, gammas, the mixing
// solution).
void echo_titles_and_components(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp, Io& io);

// Parameters, options, derived species with their log K, minerals and gases, reactants and
// the mixing solution.
void echo_run_data(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, Io& io);

}  // namespace zq
