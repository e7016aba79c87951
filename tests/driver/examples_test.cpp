// The bundled examples (examples/<name>/ZARNRUN.DAT with data/DORNEVAL.QVD and MINOX.DAT):
// every solve converges and satisfies the equilibrium identities, matter is conserved along
// the path, the run ends with status 0 having rewritten ZARNRUN.DAT, and the listing and the
// plot file match examples/<name>/ZARNOUT.ref and ZARNPLOT.ref: text exactly, numbers to
// 1e-6 relative (or one unit of the last digit printed).
// To re-bless after a deliberate change of output: ZQ_BLESS=1 zq_tests --gtest_filter='Examples*'
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "driver/program.h"
#include "format/text_io.h"
#include "solver/newton.h"
#include "support/equilibrium_identity.h"
#include "support/ledger.h"
#include "support/run_dir.h"
#include "support/tolerant_diff.h"

namespace zq::test {
namespace {

namespace fs = std::filesystem;

void compare_or_bless(const fs::path& ref, const std::string& got) {
    if (std::getenv("ZQ_BLESS")) {
        std::ofstream(ref, std::ios::binary) << got;
        return;
    }
    ASSERT_TRUE(fs::exists(ref)) << ref << " missing; bless the examples";
    EXPECT_EQ(tolerant_diff(read_text(ref), got), "") << ref;
}

TEST(Examples, BundledExamplesSolveAndMatchTheirReferences) {
    int examples = 0;
    for (const auto& entry : fs::directory_iterator(source_path("examples"))) {
        const fs::path folder = entry.path();
        if (!fs::exists(folder / "ZARNRUN.DAT")) continue;
        SCOPED_TRACE(folder.filename().string());
        ++examples;
        TempDir run;
        const std::string run_file = read_text(folder / "ZARNRUN.DAT");
        run.write("ZARNRUN.DAT", run_file);
        for (const char* file : {"DORNEVAL.QVD", "MINOX.DAT"})
            run.write(file, read_text(fs::exists(folder / file) ? folder / file : source_path("data") / file));
        const CheckedRun checked = run_checked(run);
        EXPECT_EQ(checked.status, 0) << checked.console;
        EXPECT_GT(checked.solves, 0);
        EXPECT_EQ(checked.faults, "");
        EXPECT_NE(run.read("ZARNRUN.DAT"), run_file);  // the pickup of the full step
        expect_run_file_reads_back(run, run_file);

        compare_or_bless(folder / "ZARNOUT.ref", run.read("ZARNOUT.DAT"));
        const std::string plot = run.read("ZARNPLOT.DAT");
        if (!plot.empty() || fs::exists(folder / "ZARNPLOT.ref")) compare_or_bless(folder / "ZARNPLOT.ref", plot);
    }
    EXPECT_GE(examples, 10);
}

TEST(Examples, TolerantDiff) {
    const std::string ref =
        "  Chg. balance for total moles = -.9865E-13   Max. difference allowed = 0.5666E-04\n"
        "   1 H+           0.51741E-08   -8.2862 0.39677E-08   -8.4015 0.76684E+00   -0.1153\n"
        " Quartz               0.1031       -0.987   6.192        0.992   18.08      2.477    \n"
        "  Temperature =   9.9999 C  0.100-299\n"
        "0.9999E-010.1000E+01\n";
    struct Case {
        std::string from, to;
        bool match;
    };
    const Case cases[] = {
        {"0.51741E-08", "0.51742E-08", true},   // the last digit
        {"0.51741E-08", "0.51746E-08", false},  // 1e-4 off
        {"-8.2862", "-8.2863", true},           // rounding of a log
        {"-8.2862", "-8.2864", false},
        {"-.9865E-13", "0.1234E-14", true},  // rounding noise in a balance line
        {"-.9865E-13", "-.9865E-09", false},
        {"H+  ", "H3O+", false},                      // a name
        {"   -8.2862 0.3", "  -8.2862  0.3", false},  // a column moved
        {"   9.9999 C", "  10.0000 C", true},         // a width change inside the field
        {"0.992", "1.000", false},
        {"0.100-299", "0.101-299", true},  // a three-digit exponent
        {"0.100-299", "0.103-299", false},
        {"0.9999E-010.1", "0.1000E+000.1", true},  // fields without blanks between them
        {"0.9999E-010.1", "0.9999E-020.1", false},
        {"  Temperature =   9.9999 C  0.100-299\n", "", false},  // a missing line
    };
    for (const Case& c : cases) {
        std::string got = ref;
        got.replace(got.find(c.from), c.from.size(), c.to);
        EXPECT_EQ(tolerant_diff(ref, got).empty(), c.match) << c.from << " -> " << c.to;
    }
}

}  // namespace
}  // namespace zq::test
