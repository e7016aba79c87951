// Reader of the thermodynamic database DORNEVAL.QVD: header grids, component species,
// derived species, gas-mixture coefficients, minerals and gases, with the selection of
// what the run uses and the evaluation of every kept log K at the starting T and P.
#pragma once

#include <string_view>

namespace zq {

class Io;
class TextSource;
struct ChemicalSystem;
struct Conditions;
struct RunParams;

// Needs the run's components (sys.nc, sys.comp, sys.cmap), the suppression list, the
// saturated-mineral list, the grid position (cond.grid, located by the range check) and
// CONFLG, LIMSOL, ISTEP, PFLUID, TEMP, cond.TK and cond.logP. Fills the species and mineral
// tables, the raw header grids, the gas-mixture coefficients and the counts, the log K of
// every kept record and the gas-mixture temperature functions at the starting conditions,
// matches the saturated minerals (sys.sat[].slot, and the first row of each matched
// mineral in its sat_row and start_moles) and caps IDEAL at 2. Stops the run with its
// message on any fault of the file.
void read_database(TextSource& src, ChemicalSystem& sys, Conditions& cond, RunParams& rp, Io& io);

// The stoichiometry report shared with the reactant file: source "DORNEVAL" or "MINOX",
// kind "WEIGHT" or "CHARGE". Writes to the listing and the console; does not stop.
void stoichiometry_report(Io& io, std::string_view source, std::string_view kind, std::string_view name,
                          double imbalance);

// True when |imbalance| reaches `limit`. Sums of products of decimal data carry rounding
// noise, so an imbalance that prints as the limit (100.1 against 100.0 is 0.100) counts.
bool imbalance_reaches(double imbalance, double limit);

// The marker that ends the preamble of DORNEVAL.QVD and the header of MINOX.DAT: eight
// asterisks in columns 13-20.
bool is_marker_line(std::string_view line);

}  // namespace zq
