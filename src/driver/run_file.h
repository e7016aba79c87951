// Reader of the run file ZARNRUN.DAT: titles, parameters, options, the component block and
// the five name blocks, with the defaults and cross-adjustments of the switches.
#pragma once

#include <array>
#include <string>

#include "base/fixed.h"

namespace zq {

class Io;
class TextSource;
struct ChemicalSystem;
struct EquilibriumState;
struct RunParams;

// Where ZARNRUN.DAT gave what the input checks after the database quote: the lines of
// PFLUID, SLIM and of every component row and listed name, and the names written beside
// the component numbers (columns 6-18, blanks trimmed; the run does not use them).
struct RunFileNotes {
    int pfluid_line = 0;
    int slim_line = 0;
    std::array<int, MAX_COMPONENTS + 1> component_line{};
    std::array<std::string, MAX_COMPONENTS + 1> component_name{};
    std::array<int, MAX_SUPPRESSED + 1> supp_line{};
    std::array<int, MAX_DONT_FRAC + 1> dontfrac_line{};
};

// Reads the whole run file from `src` into the run parameters, the tables and the starting
// equilibrium state (component totals, trial molalities and gammas, kilograms of water);
// returns only when everything is valid, otherwise writes its message and stops the run
// (status 1). Every count the reader fills and the component map are reset first. With
// T-P curve points PFLUID is the curve's pressure at TEMP.
// `notes`, when given, receives the lines and names above.
void read_run_file(TextSource& src, ChemicalSystem& sys, EquilibriumState& eq, RunParams& rp, Io& io,
                   RunFileNotes* notes = nullptr);

}  // namespace zq
