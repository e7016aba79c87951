#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/run_params.h"
#include "driver/input_checks.h"
#include "support/bundled_run.h"
#include "support/run_dir.h"

namespace zq::test {
namespace {

// `text` with `lines` inserted after the caption line `caption` of a BundledRun file.
std::string with_rows(std::string text, const std::string& caption, const std::string& lines) {
    const std::size_t at = text.find(caption + "\n");
    text.insert(at + caption.size() + 1, lines);
    return text;
}

std::string mineral_row(const std::string& name) {
    std::string row = name + std::string(20 - name.size(), ' ');
    return row + "           0.001\n";
}

// Each mistake of a run file that the database shows: the warning (listing and console, or
// the console alone for the note of a temperature path) and whether the run goes on.
TEST(InputChecks, MistakesAreNamedAndTheRunGoesOnWhereItCan) {
    struct Case {
        const char* what;
        std::function<void(BundledRun&)> run;
        std::function<std::string(std::string)> edit;
        std::string message;
        bool listing;  // the message is in the listing too
        int status;
    };
    const auto none = [](BundledRun&) {};
    const auto same = [](std::string t) { return t; };
    const std::vector<Case> cases = {
        {"misspelled name to suppress", none,
         [](std::string t) { return with_rows(t, "caption suppressed", "Calcit\n"); },
         "\n  Warning: \"Calcit\" (line 28 of ZARNRUN.DAT, minerals to suppress) is not\n"
         "  a species or mineral of DORNEVAL.QVD: it suppresses nothing. The closest name there is Calcite.\n",
         true, 0},
        {"component name to suppress", none, [](std::string t) { return with_rows(t, "caption suppressed", "Na+\n"); },
         "\n  Warning: \"Na+\" (line 28 of ZARNRUN.DAT, minerals to suppress) is a component species of "
         "DORNEVAL.QVD,\n  not a species or mineral: it suppresses nothing.\n",
         true, 0},
        {"misspelled name not to fractionate", none,
         [](std::string t) { return with_rows(t, "caption dont frac", "Calcit\n"); },
         "\n  Warning: \"Calcit\" (line 30 of ZARNRUN.DAT, don't-fractionate minerals) is not\n"
         "  a mineral or gas of DORNEVAL.QVD: it has no effect. The closest name there is Calcite.\n",
         true, 0},
        {"component name of another number", [](BundledRun& r) { r.rows[3].name = "K+"; }, same,
         "\n  Warning: line 21 of ZARNRUN.DAT gives component number 5 the name \"K+\";\n"
         "  in DORNEVAL.QVD number 5 is Na+, and the run uses Na+. K+ is number 7.\n",
         true, 0},
        {"component name that is no component", [](BundledRun& r) { r.rows[3].name = "Na++"; }, same,
         "\n  Warning: line 21 of ZARNRUN.DAT gives component number 5 the name \"Na++\";\n"
         "  in DORNEVAL.QVD number 5 is Na+, and the run uses Na+.\n",
         true, 0},
        {"starting mineral of a component not in the run", none,
         [](std::string t) { return with_rows(t, "caption minerals", mineral_row("Calcite")); },
         "\n  Calcite             , specified in ZARNRUN, needs component Ca++ (number 10),\n"
         "  which is not in the component block of ZARNRUN: add it, or leave the mineral out.\n",
         true, 1},
        {"starting mineral left out of the run", none,
         [](std::string t) {
             return with_rows(with_rows(t, "caption minerals", mineral_row("Halite")), "caption suppressed",
                              "Halite\n");
         },
         "\n  Halite              , specified in ZARNRUN, is in DORNEVAL but left out of this run:\n"
         "  Skip_Species.txt says why.\n",
         true, 1},
        {"misspelled starting mineral", none,
         [](std::string t) { return with_rows(t, "caption minerals", mineral_row("Halit")); },
         "\n  Halit               , specified in ZARNRUN, was not found in DORNEVAL. check spelling.\n"
         "  The closest name in DORNEVAL is Halite.\n",
         true, 1},
        {"pressure below boiling", [](BundledRun& r) { r.temp = r.slim = 150; }, same,
         "\n  Warning: PFLUID = 1.0133 bar (line 5 of ZARNRUN.DAT) is below the boiling pressure\n"
         "  of water at TEMP = 150 C, 4.7443 bar: the solution would boil.\n"
         "  For a liquid at 150 C give PFLUID = 4.7443 bar or more.\n",
         true, 1},  // the run goes on, and its water boils away
        {"temperature path", [](BundledRun& r) { r.temp = 50; }, same,
         "\n  Note: TEMP = 50 C and SLIM = 25 C (line 8 of ZARNRUN.DAT): this temperature path\n"
         "  takes 6 steps of SINC = -5 C, more where phases enter or leave.\n"
         "  For one equilibrium at TEMP, give SLIM = TEMP.\n",
         false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        stage_bundled_data(dir);
        BundledRun run;
        run.rows = {{1, "H+", 0.0}, {2, "H2O", 1.0}, {3, "Cl-", 0.1}, {5, "Na+", 0.1}};
        c.run(run);
        dir.write("ZARNRUN.DAT", c.edit(run.run_file()));
        const RunOutcome out = run_in(dir);
        EXPECT_EQ(out.status, c.status) << out.console;
        EXPECT_NE(out.console.find(c.message), std::string::npos) << out.console;
        EXPECT_EQ(dir.read("ZARNOUT.DAT").find(c.message) != std::string::npos, c.listing);
    }
}

// A run file without those mistakes gets none of the warnings: names as the database has
// them (a name cut to 12 characters as the pickup writes it, or none at all), PFLUID at the
// boiling pressure, SLIM equal to TEMP.
TEST(InputChecks, ACleanRunFileGetsNoWarning) {
    TempDir dir;
    stage_bundled_data(dir);
    BundledRun run;
    run.temp = run.slim = 100;
    run.pfluid = 1.0133;
    run.rows = {{1, "", 0.0}, {2, "H2O", 1.0}, {3, "Cl-", 0.1}, {5, "Na+", 0.1}, {27, "Ti(OH)4,aq", 1e-9}};
    std::string text = with_rows(run.run_file(), "caption suppressed", "Calcite\nCaCl+\n");
    dir.write("ZARNRUN.DAT", with_rows(text, "caption dont frac", "Halite\n"));
    const RunOutcome out = run_in(dir);
    EXPECT_EQ(out.status, 0) << out.console;
    EXPECT_EQ(out.console.find("Warning:"), std::string::npos) << out.console;
    EXPECT_EQ(out.console.find("Note:"), std::string::npos) << out.console;
}

// Equilibria at full steps of a temperature path: every value from TEMP to SLIM in steps of
// SINC, SLIM included; one when the path starts past SLIM; one fewer with INCREM.
TEST(InputChecks, TemperaturePathSteps) {
    struct Case {
        double temp, sinc, slim;
        int increm, steps;
    };
    for (const Case& c :
         {Case{150, -5, 100, 0, 11}, Case{150, -5, 101, 0, 10}, Case{150, -5, 99.9, 0, 11}, Case{150, -5, 100, 1, 10},
          Case{25, 0.1, 25.3, 0, 4}, Case{25, -5, 100, 0, 1}, Case{25, -5, 25, 0, 1}}) {
        RunParams rp;
        rp.TEMP = c.temp, rp.SINC = c.sinc, rp.SLIM = c.slim, rp.INCREM = c.increm;
        EXPECT_EQ(temperature_path_steps(rp), c.steps) << c.temp << " " << c.sinc << " " << c.slim;
    }
}

}  // namespace
}  // namespace zq::test
