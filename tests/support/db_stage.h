// Test support for the database and reactant readers: a chemical system and run parameters
// filled directly (as the run-file reader would), an Io over a temporary directory, and
// line-level edits of the fixture texts.
#pragma once

#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "driver/run_state.h"
#include "format/text_io.h"
#include "format/text_source.h"
#include "support/run_dir.h"

namespace zq::test {

std::string fixture_text(std::string_view name);  // tests/data/fixture/<name>

// A name padded with blanks (or cut) to w columns, as the reports print it.
std::string col(std::string_view s, std::size_t w);

struct Stage {
    TempDir dir;
    std::istringstream in;
    std::ostringstream out;
    std::unique_ptr<Io> io;
    std::unique_ptr<RunState> run;
    ChemicalSystem& sys;
    Conditions& cond;
    RunParams& rp;
    EquilibriumState& eq;
    PathState& ps;

    // The standard run of the tests: components H+, H2O, Cl-, Na+, Ca++, HCO3-, SiO2,aq,
    // K+, Mg++, HS- (database numbers 1 2 7 3 5 9 8 4 10 6) at 100 C on the saturation
    // curve, PFLUID 10, CaCl+ and Gypsum suppressed, Quartz and Calcite saturated.
    Stage();
    void set_components(std::initializer_list<int> db_numbers);
    void set_temperature(double t, double p, int conflg);

    // Runs the reader on `text`; returns -1 when it returns, else the stop status.
    int read_database(const std::string& text);
    int read_reactants(const std::string& text);

    std::string listing();
    std::string report();
    std::string console() const { return out.str(); }
    // Names of the kept derived species and minerals, in table order.
    std::vector<std::string> species_names() const;
    std::vector<std::string> mineral_names() const;
};

// Line edits of a text. `anchor` is a whole line; the line `offset` lines after it is
// replaced by `replacement` (which may hold several lines joined by '\n').
struct Edit {
    std::string anchor;
    int offset = 0;
    std::string replacement;
};
std::string edited(std::string text, const std::vector<Edit>& edits);
std::vector<std::string> split_lines(const std::string& text);
std::string join_lines(const std::vector<std::string>& lines, std::size_t count);

}  // namespace zq::test
