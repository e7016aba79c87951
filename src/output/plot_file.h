// The plot file ZARNPLOT.DAT: a header once per run, then one numeric record per full step.
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct EquilibriumState;
struct PathState;
struct RunParams;

// A record is due after a converged solve when IPUNCH is not 0 and the step is a full one
// (CURINC equals SINC): a repeat or a half step back writes nothing.
bool plot_record_due(const RunParams& rp, const PathState& ps);

// Writes the record of the step just solved, preceded by the header (NC, NS and the number
// of gases; the two titles) while IPUNCH is not yet 2; the run loop sets IPUNCH to 2 after
// the first record. Called after the phase-assemblage check, with the step totals of the
// equilibrium in ps.totals.
void write_plot_record(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp, const PathState& ps,
                       Io& io);

}  // namespace zq
