// Reader of the reactant compositions MINOX.DAT.
#pragma once

namespace zq {

class Io;
class TextSource;
struct ChemicalSystem;
struct RunParams;

void read_reactants(TextSource& src, ChemicalSystem& sys, const RunParams& rp, Io& io);

}  // namespace zq
