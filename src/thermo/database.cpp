// Placeholder until this stage is built: stops the run with a message.
#include "thermo/database.h"
#include "format/text_io.h"
namespace zq {
void read_database(TextSource&, ChemicalSystem&, RunParams&, Io& io) { io.console("  database reader not built"); stop_run(1); }
void stoichiometry_report(Io&, std::string_view, std::string_view, std::string_view, double) {}
}
