// The bundled examples (examples/<name>/ZARNRUN.DAT with data/DORNEVAL.QVD and
// data/MINOX.DAT): every solve of every example satisfies the equilibrium identities, and
// where a folder holds a reference listing ZARNOUT.ref a fresh run matches it, text exactly
// and numbers to 1e-6 relative (or one unit of the last digit printed).
// To re-bless after a deliberate change of output: ZQ_BLESS=1 zq_tests --gtest_filter='Examples*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "driver/program.h"
#include "format/text_io.h"
#include "solver/newton.h"
#include "support/equilibrium_identity.h"
#include "support/run_dir.h"
#include "support/tolerant_diff.h"

namespace zq::test {
namespace {

namespace fs = std::filesystem;

// Folders whose listing is kept as a reference.
const std::set<std::string> kReferenced = {"seawater", "reservoir-250c"};

std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(Examples, BundledExamplesSolveAndMatchTheirReferences) {
    const bool bless = std::getenv("ZQ_BLESS") != nullptr;
    int examples = 0;
    for (const auto& entry : fs::directory_iterator(source_path("examples"))) {
        const fs::path folder = entry.path();
        if (!fs::exists(folder / "ZARNRUN.DAT")) continue;
        const std::string name = folder.filename().string();
        SCOPED_TRACE("example " + name);
        ++examples;

        TempDir run;
        run.write("ZARNRUN.DAT", slurp(folder / "ZARNRUN.DAT"));
        for (const char* file : {"DORNEVAL.QVD", "MINOX.DAT"}) {
            const fs::path own = folder / file;
            run.write(file, slurp(fs::exists(own) ? own : source_path("data") / file));
        }
        int solves = 0;
        RunObserver observer;
        observer.after_solve = [&](const ChemicalSystem& sys, const RunParams& rp, const SolveResult& r) {
            ++solves;
            EXPECT_TRUE(r.converged()) << "solve " << solves << " ended after " << r.iterations << " iterations";
            if (!r.converged()) return;
            const IdentityReport id = check_equilibrium(sys, rp);
            EXPECT_TRUE(id.ok()) << "solve " << solves << ":\n" << id.text();
        };
        std::istringstream in;
        std::ostringstream out;
        int status = -1;
        {
            Io io(run.path(), in, out);
            status = run_program(io, &observer);
        }
        EXPECT_EQ(status, 0) << out.str();
        EXPECT_GT(solves, 0);

        const fs::path ref = folder / "ZARNOUT.ref";
        if (!kReferenced.count(name) && !fs::exists(ref)) continue;
        const std::string listing = run.read("ZARNOUT.DAT");
        if (bless) {
            std::ofstream(ref, std::ios::binary) << listing;
            continue;
        }
        ASSERT_TRUE(fs::exists(ref)) << ref << " missing; bless the examples";
        const std::string diff = tolerant_diff(slurp(ref), listing);
        EXPECT_TRUE(diff.empty()) << diff;
    }
    EXPECT_GE(examples, 2);
}

// The comparison itself: what it lets through and what it catches.
TEST(Examples, TolerantDiff) {
    const std::string ref =
        "  Chg. balance for total moles = -.9865E-13   Max. difference allowed = 0.5666E-04\n"
        "   1 H+           0.51741E-08   -8.2862 0.39677E-08   -8.4015 0.76684E+00   -0.1153\n"
        " Quartz               0.1031       -0.987   6.192        0.992   18.08      2.477    \n"
        "     Loop no.   3  Ionic strength:  0.648102084054\n"
        "  Temperature =   9.9999 C\n";
    struct Case {
        const char* what;
        std::string from, to;
        bool match;
    };
    const Case cases[] = {
        {"identical", "", "", true},
        {"last digit of a molality", "0.51741E-08", "0.51742E-08", true},
        {"a molality off by 1e-4", "0.51741E-08", "0.51746E-08", false},
        {"rounding of a log", "-8.2862", "-8.2863", true},
        {"a log off by 2e-4", "-8.2862", "-8.2864", false},
        {"noise in a balance line", "-.9865E-13", "0.1234E-14", true},
        {"a real imbalance", "-.9865E-13", "-.9865E-09", false},
        {"a name", "H+   ", "H3O+ ", false},
        {"a column moved", "   -8.2862 0.39677E-08", "  -8.2862  0.39677E-08", false},
        {"a width change inside its field", "   9.9999 C", "  10.0000 C", true},
        {"a real change in a field", "  0.992   18.08", "  1.000   18.08", false},
        {"12 decimals", "0.648102084054", "0.648102084055", true},
        {"a missing line", "  Temperature =   9.9999 C\n", "", false},
    };
    for (const Case& c : cases) {
        std::string got = ref;
        if (!c.from.empty()) got.replace(got.find(c.from), c.from.size(), c.to);
        EXPECT_EQ(tolerant_diff(ref, got).empty(), c.match) << c.what << "\n" << tolerant_diff(ref, got);
    }
}

}  // namespace
}  // namespace zq::test
