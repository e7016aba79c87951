// Reader of the thermodynamic database DORNEVAL.QVD: header grids, component species,
// derived species, gas-mixture coefficients, minerals and gases, with the selection of
// what the run uses and the evaluation of every kept log K at the starting T and P.
#pragma once

#include <cstddef>
#include <string_view>

#include "base/fixed.h"

namespace zq {

// The largest DORNEVAL.QVD the program takes: a file as large as the tables can use, with
// room to spare. It holds the preamble (notices, at most DB_PREAMBLE_BYTES), the five
// header grids, one line per database component and two records (a record may come in an
// O2,aq and an HS- form) for every species and mineral slot, each record with a full grid
// of log K. Every value is given DB_VALUE_BYTES characters (a double printed with 17
// digits, a sign, an exponent and blanks) and every text line DB_LINE_BYTES. About 97 MB;
// a larger file stops the run before it is read.
inline constexpr std::size_t DB_PREAMBLE_BYTES = 1 << 20;
inline constexpr std::size_t DB_VALUE_BYTES = 32;
inline constexpr std::size_t DB_LINE_BYTES = 256;
inline constexpr std::size_t DB_GRID_BYTES = GRID_CELLS * DB_VALUE_BYTES;
inline constexpr std::size_t DB_RECORD_BYTES = 5 * DB_LINE_BYTES + DB_GRID_BYTES;
inline constexpr std::size_t MAX_DATABASE_BYTES = DB_PREAMBLE_BYTES + 5 * (DB_GRID_BYTES + 2 * DB_LINE_BYTES) +
                                                  MAX_DB_COMPONENTS * DB_LINE_BYTES +
                                                  2 * (MAX_SPECIES + MAX_MINERALS) * DB_RECORD_BYTES;

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
