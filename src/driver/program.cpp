#include "driver/program.h"

#include <memory>

#include "driver/run_file.h"
#include "driver/run_parameters.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "format/text_source.h"
#include "thermo/database.h"
#include "thermo/grid.h"
#include "thermo/input_echo.h"
#include "thermo/reactants.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

// Start-up step 1: the three input files must all be there.
void require_input_files(Io& io) {
    if (io.exists("ZARNRUN.DAT") && io.exists("DORNEVAL.QVD") && io.exists("MINOX.DAT")) return;
    io.console(layout(R"(/ / "    One or more files not found that must be present:" / /)"
                      R"("      - DORNEVAL.QVD" / "      - MINOX.DAT" / "      - ZARNRUN.DAT" / /)"
                      R"("    Exiting..." / / /)"));
    stop_run(1);
}

TextSource load(Io& io, std::string_view name) {
    auto text = io.read_file(name);
    if (!text) {
        io.console(layout(R"(/ [2X] "Cannot read " A)", {std::string(name)}));
        stop_run(1);
    }
    return TextSource(std::move(*text), std::string(name));
}

// Start-up values set before the run file is read.
void set_start_values(ChemicalSystem& sys) {
    for (int i = 1; i <= MAX_SPECIES; ++i) sys.gamma[i] = 1.0;
    for (int i = 1; i <= MAX_DONT_FRAC; ++i) sys.dontfrac[i] = Name20();
}

void start_up(ChemicalSystem& sys, RunParams& rp, Io& io) {
    require_input_files(io);
    TextSource run_file = load(io, "ZARNRUN.DAT");
    TextSource database = load(io, "DORNEVAL.QVD");
    TextSource reactants = load(io, "MINOX.DAT");

    io.create_output_files();
    io.console(layout(R"(/ / "       Program ZARN-QVD" / / )"));
    set_start_values(sys);

    read_run_file(run_file, sys, rp, io);
    check_run_range(sys, rp, io);
    read_database(database, sys, rp, io);
    if (rp.MINSOL != 0) read_reactants(reactants, sys, rp, io);
    echo_input(sys, rp, io);
}

}  // namespace

int run_program(Io& io) {
    auto sys = std::make_unique<ChemicalSystem>();
    RunParams rp;
    try {
        start_up(*sys, rp, io);
        if (rp.NLOOP == 0) {
            io.both(layout(R"(/ [6X] "End data echo. set NLOOP > 0" " to start calculations." /)"));
            stop_run(0);
        }
        // The equilibrium loop is not built yet: a run that asks for it ends here.
        io.both(layout(R"(/ [2X] "Equilibrium calculations are not available in this version." /)"));
        stop_run(1);
    } catch (const RunStop& stop) {
        io.listing().flush();
        return stop.status();
    }
}

}  // namespace zq
