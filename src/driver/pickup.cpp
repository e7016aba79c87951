// Placeholder until this stage is built: stops the run with a message.
#include "driver/pickup.h"
#include "format/text_io.h"
namespace zq {
std::string pickup_text(const ChemicalSystem&, const RunParams&, std::string*) { return {}; }
void write_pickup(std::string_view, const ChemicalSystem&, const RunParams&, Io& io) { io.console("  pickup writer not built"); stop_run(1); }
}
