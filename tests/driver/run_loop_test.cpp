// The run loop: where each end of a solve leaves the pickup file and the exit status, and
// the ISTEP = 1 debug listing of the Newton iteration.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>

#include "driver/program.h"
#include "solver/newton.h"
#include "support/chem_builder.h"
#include "support/db_stage.h"
#include "support/run_dir.h"

namespace zq::test {
namespace {

std::string source_text(std::string_view rel) {
    std::ifstream f(source_path(rel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// The seawater example with the bundled data, NLOOP replaced.
void stage_seawater(const TempDir& dir, int nloop) {
    std::string run = source_text("examples/seawater/ZARNRUN.DAT");
    const std::string options = "    0    3    0    0  100";
    const std::size_t at = run.find(options);
    ASSERT_NE(at, std::string::npos);
    char nl[8];
    std::snprintf(nl, sizeof nl, "%5d", nloop);
    run.replace(at + options.size() - 5, 5, nl);
    dir.write("ZARNRUN.DAT", run);
    dir.write("DORNEVAL.QVD", source_text("data/DORNEVAL.QVD"));
    dir.write("MINOX.DAT", source_text("data/MINOX.DAT"));
}

// The loop limit: the listing of the last iteration without the charge check, the
// ideal-mixing line, the non-convergence message to the listing and the console, the
// pickup into ZARNRUN.SA2 only, and exit status 1.
TEST(RunLoop, LoopLimitWritesTheFailedSolvePickup) {
    TempDir dir;
    stage_seawater(dir, 3);
    const std::string before = dir.read("ZARNRUN.DAT");
    const RunOutcome out = run_in(dir);
    EXPECT_EQ(out.status, 1);
    EXPECT_EQ(dir.read("ZARNRUN.DAT"), before);
    EXPECT_EQ(dir.read("ZARNRUN.SAV"), "");
    const std::string sa2 = dir.read("ZARNRUN.SA2");
    EXPECT_NE(sa2.find("    0    3    0    0    3"), std::string::npos) << sa2;
    const std::string message =
        "\n  Number of iterations reached the given limit (   3)\n"
        "  Non-Convergence assumed. Execution aborted.\n"
        "  Check \"convergence problems\" in manual.\n"
        "  Cut step size to one tenth of previous value and try again.\n\n";
    const std::string listing = dir.read("ZARNOUT.DAT");
    EXPECT_NE(listing.find("  Number of loops used =    3   Loop limit =    3\n"), std::string::npos);
    EXPECT_NE(listing.find("Gases\n\n" + message), std::string::npos);
    EXPECT_NE(out.console.find(message), std::string::npos);
    EXPECT_EQ(listing.find("Charge imbalance of aq. solution"), std::string::npos);
}

// A value that is not a number ends the solve as a failed one: its message, no listing of
// the solve, the last finite state in ZARNRUN.SA2 (readable, no asterisks), exit status 1.
TEST(RunLoop, NotFiniteEndsAsAFailedSolve) {
    ChemBuilder b;
    b.component("H+", 1, 1.008, 0.0, 1e-7);
    b.component("H2O", 0, 18.015, WATER_MOLES_PER_KG, 1.0);
    b.component("SiO2,aq", 0, 60.084, 0.01, 1e-3);
    b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
    b.mineral("Quartz", std::nan(""), 60.084, 2.648, {{1, 3}}, 0.005, true);
    EXPECT_EQ(stop_status([&] { run_loop(*b.run, *b.io); }), 1);
    const std::string message =
        "\n  Newton iteration    1: the residual of the mass action of Quartz is not a finite number.\n"
        "  Non-Convergence assumed. Execution aborted.\n"
        "  Check \"convergence problems\" in manual.\n\n";
    EXPECT_NE(b.console().find(message), std::string::npos) << b.console();
    EXPECT_NE(b.listing().find(message), std::string::npos);
    EXPECT_EQ(b.listing().find("Number of loops used"), std::string::npos);
    const std::string sa2 = b.dir.read("ZARNRUN.SA2");
    EXPECT_NE(sa2.find("Quartz                0.500000000000E-02        \n"), std::string::npos) << sa2;
    EXPECT_EQ(sa2.find('*'), std::string::npos);
    EXPECT_FALSE(b.dir.exists("ZARNRUN.DAT"));
}

// ISTEP = 1: the matrix of iteration 1 and its corrections, the listing of iteration 2 made
// once and followed by its matrix, the fixed-pH note at column 43, the state after each
// update, and with ITREF = 1 the refinement count once.
TEST(RunLoop, DebugListing) {
    ChemBuilder b;
    b.component("H+", 1, 1.008, 0.1, 1e-3);
    b.component("H2O", 0, 18.015, WATER_MOLES_PER_KG, 1.0);
    b.component("Ac-", -1, 59.044, 0.1, 0.05);
    b.component("Na+", 1, 22.99, 0.05, 0.05);
    b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
    b.species("HAc,aq", 0, -4.76, {{1, 1}, {1, 3}});
    b.rp.pH = 5.0;
    b.rp.C = 4;
    b.rp.ISTEP = 1;
    b.rp.ITREF = 1;
    EXPECT_EQ(stop_status([&] { run_loop(*b.run, *b.io); }), -1);  // the path ends normally
    const std::string text = b.listing();
    auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("  MATRIX OF A(I,I), F(I)  I= 4\n"), 2u);
    EXPECT_EQ(count("  Number of loops used =    2   Loop limit =  100\n"), 1u);
    EXPECT_EQ(count("  NUMBER OF ITERATIVE REFINEMENTS :    0\n\n\n"), 1u);
    EXPECT_GE(count(std::string(42, ' ') + "Subroutine HOH was used\n"), 6u);
    EXPECT_NE(text.find("  NO. OF LOOPS =   1     IONIC STRENGTH=.0000000E+00  NH2O = 0.1000E+01\n"
                        "   1 H+           0.10000E-04\n   2 H2O          0.10000E+01\n"),
              std::string::npos)
        << text;
    // The intermediate listing comes before the matrix of iteration 2 and skips the charge check.
    EXPECT_LT(text.find("  Number of loops used =    2"), text.rfind("  MATRIX OF A(I,I)"));
    EXPECT_EQ(count("Number of loops used"), 2u);
}

// Derived molalities are held to [1e-300, 10]; the pass after iteration 5 reports it.
TEST(RunLoop, DerivedSpeciesLimits) {
    ChemBuilder b;
    b.component("H+", 1, 1.008, 0.0, 1e-7);
    b.component("H2O", 0, 18.015, WATER_MOLES_PER_KG, 1.0);
    b.component("Na+", 1, 22.99, 0.1, 0.1);
    const int big = b.species("Na-big", 1, -3.5, {{1, 3}});
    const int tiny = b.species("Na-tiny-species-long", 1, 311.456, {{1, 3}});
    const int fine = b.species("Na-fine", 1, 1.0, {{1, 3}});
    NewtonState st;
    b.eq.m[2] = 1.0;
    EXPECT_EQ(derived_species(b.sys, b.cond, b.eq, st, nullptr), 0);
    EXPECT_EQ(b.console(), "");
    EXPECT_EQ(derived_species(b.sys, b.cond, b.eq, st, b.io.get()), 0);
    EXPECT_EQ(b.console(),
              "  Molality of derived species Na-big              chopped from E+    2.50\n"
              "  Molality of derived species Na-tiny-species-long reset from E -312.46\n");
    EXPECT_DOUBLE_EQ(b.eq.m[big], 10.0);
    EXPECT_EQ(b.eq.m[tiny], 1e-300);
    EXPECT_DOUBLE_EQ(b.eq.m[fine], 0.01);
}

}  // namespace
}  // namespace zq::test
