// Reader of the thermodynamic database DORNEVAL.QVD: header grids, component species,
// derived species, gas-mixture coefficients, minerals and gases, with the selection of
// what the run uses and the evaluation of every kept log K at the starting T and P.
#pragma once

#include <string_view>

namespace zq {

class Io;
class TextSource;
struct ChemicalSystem;
struct RunParams;

// Needs the run's components (sys.nc, sys.comp, sys.cmap), the suppression list, the
// saturated-mineral list, the grid position (sys.grid) and CONFLG, LIMSOL, ISTEP, PFLUID,
// TEMP, TK and logP. Fills the species and mineral tables, the header quantities, the
// gas-mixture coefficients and the counts, matches the saturated minerals (sys.sat[].slot,
// the matrix phase list sys.ph / sys.nph and sys.mn_moles) and caps IDEAL at 2.
// Stops the run with its message on any fault of the file.
void read_database(TextSource& src, ChemicalSystem& sys, RunParams& rp, Io& io);

// The stoichiometry report shared with the reactant file: source "DORNEVAL" or "MINOX",
// kind "WEIGHT" or "CHARGE". Writes to the listing and the console; does not stop.
void stoichiometry_report(Io& io, std::string_view source, std::string_view kind,
                          std::string_view name, double imbalance);

// True when |imbalance| reaches `limit`. Sums of products of decimal data carry rounding
// noise, so an imbalance that prints as the limit (100.1 against 100.0 is 0.100) counts.
bool imbalance_reaches(double imbalance, double limit);

// The marker that ends the preamble of DORNEVAL.QVD and the header of MINOX.DAT: eight
// asterisks in columns 13-20.
bool is_marker_line(std::string_view line);

}  // namespace zq
