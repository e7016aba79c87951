// Reader of the run file ZARNRUN.DAT: titles, parameters, options, the component block and
// the five name blocks, with the defaults and cross-adjustments of the switches.
#pragma once

namespace zq {

class Io;
class TextSource;
struct ChemicalSystem;
struct EquilibriumState;
struct RunParams;

// Reads the whole run file from `src` into the run parameters, the tables and the starting
// equilibrium state (component totals, trial molalities and gammas, kilograms of water);
// returns only when everything is valid, otherwise writes its message and stops the run
// (status 1). Every count the reader fills and the component map are reset first. With
// T-P curve points PFLUID is the curve's pressure at TEMP.
void read_run_file(TextSource& src, ChemicalSystem& sys, EquilibriumState& eq, RunParams& rp, Io& io);

}  // namespace zq
