// The echo of the run's input to the listing, before the first equilibrium.
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct RunParams;

void echo_input(ChemicalSystem& sys, RunParams& rp, Io& io);

}  // namespace zq
