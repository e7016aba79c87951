#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include <sys/wait.h>

#include "driver/program.h"
#include "driver/run_state.h"
#include "support/bundled_run.h"
#include "support/run_dir.h"
#include "thermo/database.h"

namespace zq::test {
namespace {

const char* const kMissingFiles =
    "\n\n    One or more files not found that must be present:\n\n"
    "      - DORNEVAL.QVD\n      - MINOX.DAT\n      - ZARNRUN.DAT\n\n"
    "    Exiting...\n\n\n\n";

// Whichever of the three input files is missing, the message names all three, nothing
// else is written and no output file is created.
TEST(ProgramStartUp, MissingInputFilesListAllThreeAndStop) {
    const std::array<const char*, 3> inputs = {"ZARNRUN.DAT", "DORNEVAL.QVD", "MINOX.DAT"};
    for (int present = 0; present < 7; ++present) {
        TempDir dir;
        for (int i = 0; i < 3; ++i)
            if (present & (1 << i)) dir.write(inputs[static_cast<std::size_t>(i)], "x\n");
        const RunOutcome out = run_in(dir);
        SCOPED_TRACE("present mask " + std::to_string(present));
        EXPECT_EQ(out.status, 1);
        EXPECT_EQ(out.console, kMissingFiles);
        for (const char* name : {"ZARNOUT.DAT", "ZARNPLOT.DAT", "ZARNRUN.SAV", "ZARNRUN.SA2", "Skip_Species.txt"})
            EXPECT_FALSE(dir.exists(name)) << name;
    }
}

// The real program in an empty directory, as a user or a script sees it.
TEST(ProgramStartUp, ProgramInEmptyDirectoryPrintsMessageAndExitsOne) {
    TempDir dir;
    const std::string cmd = "cd '" + dir.path().string() + "' && '" + ZQ_PROGRAM + "' </dev/null >console.txt 2>&1";
    const int raw = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_EQ(dir.read("console.txt"), kMissingFiles);
}

// An input check writes the listing and the report; output files it never writes keep
// what an earlier run left in them, and files that did not exist are created empty.
TEST(ProgramStartUp, InputCheckLeavesUnwrittenOutputFilesAsTheyWere) {
    TempDir dir;
    for (const char* name : {"ZARNRUN.DAT", "DORNEVAL.QVD", "MINOX.DAT"}) {
        const std::string from = std::string(name) == "ZARNRUN.DAT" ? "tests/data/golden/fixture-saturation/ZARNRUN.DAT"
                                                                    : std::string("tests/data/fixture/") + name;
        std::ifstream f(source_path(from), std::ios::binary);
        dir.write(name, std::string(std::istreambuf_iterator<char>(f), {}));
    }
    dir.write("ZARNRUN.SA2", "earlier failed-solve pickup\n");
    dir.write("ZARNOUT.DAT", "earlier listing, longer than nothing at all\n");
    const RunOutcome out = run_in(dir);
    EXPECT_EQ(out.status, 0) << out.console;
    EXPECT_EQ(dir.read("ZARNRUN.SA2"), "earlier failed-solve pickup\n");
    EXPECT_TRUE(dir.exists("ZARNRUN.SAV"));
    EXPECT_EQ(dir.read("ZARNRUN.SAV"), "");
    EXPECT_EQ(dir.read("ZARNPLOT.DAT"), "");
    EXPECT_EQ(dir.read("ZARNOUT.DAT").rfind("earlier listing", 0), std::string::npos);
    EXPECT_NE(out.console.find("End data echo. set NLOOP > 0 to start calculations."), std::string::npos);
}

// Start-up keeps TEMP in kelvin and log10 PFLUID beside the run file's values, and the unit
// of reactant amounts (grams for MINSOL 1 and 2, moles for 3 and 4).
TEST(ProgramStartUp, ConditionsAndReactantUnit) {
    for (const int minsol : {1, 3}) {
        SCOPED_TRACE(minsol);
        TempDir dir;
        std::string run = std::string(std::istreambuf_iterator<char>(*std::make_unique<std::ifstream>(
                                          source_path("tests/data/golden/fixture-saturation/ZARNRUN.DAT"))),
                                      {});
        const std::string options = "    0    7    0    1    0    0    1    1    0    0    0    0    0    0    1";
        run.replace(run.find(options) + options.size() - 1, 1, std::to_string(minsol));  // MINSOL
        dir.write("ZARNRUN.DAT", run);
        for (const char* name : {"DORNEVAL.QVD", "MINOX.DAT"}) {
            std::ifstream f(source_path(std::string("tests/data/fixture/") + name), std::ios::binary);
            dir.write(name, std::string(std::istreambuf_iterator<char>(f), {}));
        }
        std::istringstream in;
        std::ostringstream out;
        Io io(dir.path(), in, out);
        auto state = std::make_unique<RunState>();
        ASSERT_EQ(stop_status([&] { start_up(*state, io); }), -1) << out.str();
        EXPECT_DOUBLE_EQ(state->cond.TK, 423.15);
        EXPECT_NEAR(state->rp.PFLUID, 4.758, 1e-9);  // the T-P curve's pressure at 150 C
        EXPECT_DOUBLE_EQ(state->cond.logP, std::log10(state->rp.PFLUID));
        EXPECT_EQ(state->ps.unit_label, minsol >= 3 ? " moles  " : " g      ");
    }
}

// An impossible value stops the whole run at the reader, with the message last on the
// console, before the report or any result is written: never a listing of NaN and status 0.
TEST(ProgramStartUp, AnImpossiblePressureStopsBeforeAnythingIsComputed) {
    TempDir dir;
    stage_bundled_data(dir);
    BundledRun run;
    run.pfluid = -5;
    run.rows = {{1, "H+", 0.0}, {2, "H2O", 1.0}, {3, "Cl-", 0.1}, {5, "Na+", 0.1}, {13, "HCO3-", 0.01}};
    dir.write("ZARNRUN.DAT", run.run_file());
    const RunOutcome out = run_in(dir);
    EXPECT_EQ(out.status, 1);
    const std::string message =
        "\n  PFLUID = -5 in line 5 of ZARNRUN.DAT is out of range;\n"
        "  expected: a pressure above 0 and below 10000 bar (0 takes 500 bar).\n";
    EXPECT_TRUE(out.console.ends_with(message)) << out.console;
    EXPECT_EQ(dir.read("ZARNOUT.DAT"), message);
    EXPECT_EQ(dir.read("Skip_Species.txt"), "");
}

// A stop whose message goes to the listing only (a mineral of the database with more
// components than a reaction may hold) shows that message on the console too.
TEST(ProgramStartUp, AStopListedOnlyInTheListingReachesTheConsole) {
    TempDir dir;
    stage_bundled_data(dir);
    std::string db = dir.read("DORNEVAL.QVD");
    const std::size_t quartz = db.rfind("\nQuartz  ");
    const std::size_t itot = db.find('\n', db.find('\n', quartz + 1) + 1) + 1;
    db.replace(itot, 3, " 13");
    dir.write("DORNEVAL.QVD", db);
    BundledRun run;
    run.rows = {{1, "H+", 0.0}, {2, "H2O", 1.0}, {3, "Cl-", 0.1}, {5, "Na+", 0.1}, {12, "SiO2,aq", 0.01}};
    dir.write("ZARNRUN.DAT", run.run_file());
    const RunOutcome out = run_in(dir);
    EXPECT_EQ(out.status, 1);
    EXPECT_TRUE(out.console.ends_with("  itot for that mineral is  13 ; maximum is  12\n")) << out.console;
}

// Starting minerals of one composition would make the first Newton system singular: the
// second starts outside the matrix, saying why, and the run goes on.
TEST(ProgramStartUp, DependentStartingMineralsDoNotAllStartInTheMatrix) {
    TempDir dir;
    stage_bundled_data(dir);
    BundledRun run;
    run.rows = {{1, "H+", 0.0}, {2, "H2O", 1.0}, {3, "Cl-", 0.1}, {5, "Na+", 0.1}, {12, "SiO2,aq", 0.01}};
    std::string text = run.run_file();
    const std::string minerals = "caption minerals\n";
    text.insert(text.find(minerals) + minerals.size(),
                "Quartz                           0.005\nChalcedony                       0.005\n");
    dir.write("ZARNRUN.DAT", text);
    const RunOutcome out = run_in(dir);
    EXPECT_EQ(out.status, 0) << out.console;
    EXPECT_NE(out.console.find("  Chalcedony           starts outside the matrix: its reaction depends on those of the "
                               "minerals before it,\n      Chalcedony = 1.0000 Quartz\n"),
              std::string::npos)
        << out.console;
}

// The bundled database without its final newline reads as the whole file does; a file
// larger than any database the tables can take is refused before it is read (a sparse file
// here: it takes no disk space).
TEST(ProgramStartUp, DatabaseSizeAndFinalNewline) {
    BundledRun run;
    run.rows = {{1, "H+", 0.0}, {2, "H2O", 1.0}, {3, "Cl-", 0.1}, {5, "Na+", 0.1}};
    TempDir whole, cut, huge;
    for (const TempDir* d : {&whole, &cut, &huge}) {
        stage_bundled_data(*d);
        d->write("ZARNRUN.DAT", run.run_file());
    }
    const std::string db = whole.read("DORNEVAL.QVD");
    ASSERT_EQ(db.back(), '\n');
    cut.write("DORNEVAL.QVD", db.substr(0, db.size() - 1));
    EXPECT_EQ(run_in(whole).status, 0);
    EXPECT_EQ(run_in(cut).status, 0);
    EXPECT_EQ(cut.read("ZARNOUT.DAT"), whole.read("ZARNOUT.DAT"));

    std::filesystem::resize_file(huge.path() / "DORNEVAL.QVD", MAX_DATABASE_BYTES + 1);
    const RunOutcome out = run_in(huge);
    EXPECT_EQ(out.status, 1);
    EXPECT_TRUE(out.console.ends_with("\n  DORNEVAL.QVD holds " + std::to_string(MAX_DATABASE_BYTES + 1) +
                                      " bytes, more than the program can take (" + std::to_string(MAX_DATABASE_BYTES) +
                                      " bytes).\n  The file is not read. Execution stopped.\n\n"))
        << out.console;
}

}  // namespace
}  // namespace zq::test
