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

void read_database(TextSource& src, ChemicalSystem& sys, RunParams& rp, Io& io);

// The stoichiometry report shared with the reactant file: source "DORNEVAL" or "MINOX",
// kind "WEIGHT" or "CHARGE". Writes to the listing and the console; does not stop.
void stoichiometry_report(Io& io, std::string_view source, std::string_view kind,
                          std::string_view name, double imbalance);

}  // namespace zq
