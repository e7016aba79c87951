// The plot file ZARNPLOT.DAT: a header once per run, then one numeric record per full step.
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct RunParams;

// Writes the record of the step just solved, preceded the first time by the header (NC, NS
// and the number of gases; the two titles) unless rp.IPUNCH is already 2; rp.IPUNCH is 2
// afterwards. Checks itself: writes only when rp.IPUNCH is not 0 and rp.CURINC equals
// rp.SINC (a repeat or a half step back writes nothing). The caller calls it after a
// converged solve only, once the listing (which keeps the solids mass and volume and the gas
// mass in sys.kept) and the phase-assemblage check are done. The porosity written is kept in
// sys.kept.porosity for a run without BOX-1.
void write_plot_record(ChemicalSystem& sys, RunParams& rp, Io& io);

}  // namespace zq
