// Placeholder until this stage is built: stops the run with a message.
#include "thermo/reactants.h"
#include "format/text_io.h"
namespace zq {
void read_reactants(TextSource&, ChemicalSystem&, RunParams&, Io& io) { io.console("  reactant reader not built"); stop_run(1); }
}
