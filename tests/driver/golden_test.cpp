// Golden runs: whole inputs under tests/data/golden/<case>/ whose outputs are committed in
// <case>/expected/. A run takes ZARNRUN.DAT (and stdin.txt, the console answers) from the
// case folder and DORNEVAL.QVD and MINOX.DAT from the case folder when present, else from
// the test database in tests/data/fixture. Text must match exactly.
// To re-bless after a deliberate change of output: ZQ_BLESS=1 zq_tests --gtest_filter='Golden*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/run_dir.h"

namespace zq::test {
namespace {

namespace fs = std::filesystem;

void spit(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

// The first line where two texts differ, for a readable failure.
std::string first_difference(const std::string& want, const std::string& got) {
    std::istringstream a(want), b(got);
    std::string la, lb;
    for (int n = 1;; ++n) {
        const bool ea = !std::getline(a, la), eb = !std::getline(b, lb);
        if (ea && eb) return "texts differ only in their line ends";
        if (ea || eb || la != lb)
            return "line " + std::to_string(n) + "\n  expected: [" + (ea ? "<end>" : la) + "]\n  got:      [" +
                   (eb ? "<end>" : lb) + "]";
    }
}

TEST(Golden, CommittedRunsReproduceTheirOutputs) {
    const fs::path root = source_path("tests/data/golden");
    const bool bless = std::getenv("ZQ_BLESS") != nullptr;
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(root)) {
        if (!entry.is_directory()) continue;
        const fs::path dir = entry.path();
        SCOPED_TRACE("golden case " + dir.filename().string());
        ++cases;
        TempDir run;
        run.write("ZARNRUN.DAT", read_text(dir / "ZARNRUN.DAT"));
        for (const char* name : {"DORNEVAL.QVD", "MINOX.DAT"}) {
            const fs::path own = dir / name;
            run.write(name, read_text(fs::exists(own) ? own : source_path("tests/data/fixture") / name));
        }
        const std::string input = fs::exists(dir / "stdin.txt") ? read_text(dir / "stdin.txt") : "";
        const RunOutcome out = run_in(run, input);

        const std::pair<std::string, std::string> outputs[] = {
            {"status", std::to_string(out.status) + "\n"}, {"console.txt", out.console},
            {"ZARNOUT.DAT", run.read("ZARNOUT.DAT")},      {"Skip_Species.txt", run.read("Skip_Species.txt")},
            {"ZARNPLOT.DAT", run.read("ZARNPLOT.DAT")},    {"ZARNRUN.DAT", run.read("ZARNRUN.DAT")},
        };
        for (const auto& [name, got] : outputs) {
            const fs::path want_path = dir / "expected" / name;
            if (bless) {
                spit(want_path, got);
                continue;
            }
            ASSERT_TRUE(fs::exists(want_path)) << want_path << " missing; bless the case";
            const std::string want = read_text(want_path);
            EXPECT_TRUE(want == got) << name << ": " << first_difference(want, got);
        }
    }
    EXPECT_GT(cases, 0);
}

}  // namespace
}  // namespace zq::test
