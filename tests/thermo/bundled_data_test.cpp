// The bundled DORNEVAL.QVD and MINOX.DAT through the program's own readers: the input
// check (NLOOP = 0) of every example runs clean, and a run that lists every component,
// with O2,aq or with HS-, stores the whole database without a capacity or balance stop.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/bundled_run.h"
#include "support/run_dir.h"

namespace zq::test {
namespace {

// The run file with NLOOP, the fifth field of the option line (columns 21-25), set to 0.
std::string as_input_check(std::string run) {
    const std::size_t caption = run.find("\nhiP:1");
    if (caption == std::string::npos) return run;
    const std::size_t options = run.find('\n', caption + 1) + 1;
    run.replace(options + 20, 5, "    0");
    return run;
}

// Messages of the database and reactant readers that stop a run or flag a bad record.
const std::vector<std::string> kTrouble = {"imbalance",        "Stoichiometry",      "exceeds",
                                           "not found",        "too many",           "Reading",
                                           "H+ in a position", "excluded component", "EXECUTION ABORTED"};

void expect_clean_echo(const TempDir& dir, const RunOutcome& out) {
    EXPECT_EQ(out.status, 0) << out.console;
    const std::string listing = dir.read("ZARNOUT.DAT");
    for (const std::string& bad : kTrouble) {
        EXPECT_EQ(out.console.find(bad), std::string::npos) << bad << "\n" << out.console;
        EXPECT_EQ(listing.find(bad), std::string::npos) << bad;
    }
    EXPECT_NE(out.console.find("End data echo. set NLOOP > 0 to start calculations."), std::string::npos);
}

TEST(BundledData, EveryExampleInputCheckRunsClean) {
    for (const char* example : {"seawater", "reservoir-250c", "cooling-250-to-100c", "basalt-seawater-250c"}) {
        SCOPED_TRACE(example);
        TempDir dir;
        stage_bundled_data(dir);
        const std::string run = read_text(source_path(std::string("examples/") + example + "/ZARNRUN.DAT"));
        ASSERT_FALSE(run.empty());
        dir.write("ZARNRUN.DAT", as_input_check(run));
        expect_clean_echo(dir, run_in(dir));
        EXPECT_NE(dir.read("ZARNOUT.DAT").find("For mixed gases (JSOLS=6)"), std::string::npos);
    }
}

// Components 1-28 with O2,aq (31) or HS- (6), each at 1e-3 mol, at `t` C on the saturation
// curve. At 25 C every record has data: the run stores every species, mineral and gas of
// its redox basis.
std::string every_component_run(int redox, int t) {
    static const char* const names[] = {"H+",   "H2O",  "Cl-",  "SO4--",     "Na+",     "HS-",        "K+",
                                        "Mg++", "Fe++", "Ca++", "Al+++",     "SiO2,aq", "HCO3-",      "F-",
                                        "Ba++", "Sr++", "Mn++", "Cu+",       "Zn++",    "Pb++",       "Au+",
                                        "Ag+",  "NO3-", "Li+",  "B(OH)3,aq", "HPO4--",  "Ti(OH)4,aq", "H2AsO4-"};
    std::string s = "Every component of the bundled database\nInput check\n\ncaption\n";
    s += "0 0 0 " + std::to_string(t) + " 0 0 0 0\n\ncaption\n-5 25 0\n\ncaption\n0 0 0 90 1e-10 0 0 1e-10\n";
    s += "\ncaption\ncaption\n0 3 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 1\n\ncaption\n";
    char row[128];
    for (int n = 1; n <= 28; ++n) {
        if (n == 6 && redox != 6) continue;
        const double total = n == 2 ? 1.0 : 1e-3;
        std::snprintf(row, sizeof row, "%5d %-12s%19.6e%19.6e%19.6e%19.6e\n", n, names[n - 1], total, 1e-4, 1.0, 0.0);
        s += row;
    }
    if (redox == 31) {
        std::snprintf(row, sizeof row, "%5d %-12s%19.6e%19.6e%19.6e%19.6e\n", 31, "O2,aq", 1e-3, 1e-4, 1.0, 0.0);
        s += row;
    }
    s += "\ncaption minerals\n\ncaption reactants\n\ncaption suppressed\n\ncaption dont frac\n\ncaption curve\n";
    return s;
}

TEST(BundledData, RunsWithEveryComponentStayWithinCapacities) {
    for (int redox : {31, 6}) {
        for (int t : {25, 100, 200, 300}) {
            SCOPED_TRACE(std::string(redox == 31 ? "O2,aq" : "HS-") + " at " + std::to_string(t) + " C");
            TempDir dir;
            stage_bundled_data(dir);
            dir.write("ZARNRUN.DAT", every_component_run(redox, t));
            expect_clean_echo(dir, run_in(dir));
            if (t == 25) {
                EXPECT_EQ(dir.read("Skip_Species.txt").find("Log K data absent"), std::string::npos);
            }
        }
    }
}

// A fluid of the common rock-forming components (no redox component: every species of the
// run is above the SUPRNT of 1e-300 at every step) heated from 25 to 300 C in 5 C steps at
// 100 bar: every species of the database that has data at 25 C has data all the way, so the
// species table of the listing names the same species at every step (a species whose log K
// ran out would drop to a molality of 0 and leave it).
TEST(BundledData, EverySpeciesStaysInTheSolutionFrom25To300C) {
    TempDir dir;
    stage_bundled_data(dir);
    const BundledRun run{.temp = 25.0,
                         .pfluid = 100.0,
                         .sinc = 5.0,
                         .slim = 300.0,
                         .rows = {{1, "H+", 2.2e-3},
                                  {2, "H2O", 1.0},
                                  {3, "Cl-", 0.1122103},
                                  {4, "SO4--", 0.002},
                                  {5, "Na+", 0.104},
                                  {7, "K+", 0.005},
                                  {8, "Mg++", 0.002},
                                  {9, "Fe++", 1e-5},
                                  {10, "Ca++", 0.001},
                                  {11, "Al+++", 1e-7},
                                  {12, "SiO2,aq", 1e-4},
                                  {13, "HCO3-", 0.001},
                                  {14, "F-", 1e-5}}};
    dir.write("ZARNRUN.DAT", run.run_file());
    const RunOutcome out = run_in(dir);
    ASSERT_EQ(out.status, 0) << out.console;
    const std::vector<SpeciesTable> tables = species_tables(dir.read("ZARNOUT.DAT"));
    ASSERT_FALSE(tables.empty());
    auto names = [](const SpeciesTable& t) {
        std::vector<std::string> v;
        for (const auto& [name, row] : t.species) v.push_back(name);
        return v;
    };
    const std::vector<std::string> at25 = names(tables.front());
    EXPECT_GT(at25.size(), 70u);
    std::vector<double> temps;
    for (const SpeciesTable& t : tables) {
        if (temps.empty() || t.temp != temps.back()) temps.push_back(t.temp);
        EXPECT_EQ(names(t), at25) << "at " << t.temp << " C";
    }
    EXPECT_EQ(temps.size(), 56u);
    EXPECT_EQ(temps.back(), 300.0);
}

}  // namespace
}  // namespace zq::test
