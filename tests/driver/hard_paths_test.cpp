// The hard-path corpus (tests/data/hard-paths, written by make_paths.py): cooling and heating
// of the bundled fluids, closed and fractionating, every bundled rock titrated into seawater
// and into the reservoir fluid to 100 g, and pH paths between 3 and 11. Every path must reach
// its limit, and every converged solve along it must hold the equilibrium identities and
// conserve matter.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/ledger.h"
#include "support/run_dir.h"

namespace zq::test {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(HardPaths, EveryPathReachesItsLimitConservingMatter) {
    int paths = 0, finished = 0, retried = 0;
    for (const auto& entry : fs::directory_iterator(source_path("tests/data/hard-paths"))) {
        if (!fs::exists(entry.path() / "ZARNRUN.DAT")) continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++paths;
        TempDir dir;
        dir.write("ZARNRUN.DAT", slurp(entry.path() / "ZARNRUN.DAT"));
        for (const char* file : {"DORNEVAL.QVD", "MINOX.DAT"}) dir.write(file, slurp(source_path("data") / file));
        const CheckedRun run = run_checked(dir);
        finished += run.status == 0;
        retried += run.failed_solves > 0;
        EXPECT_EQ(run.status, 0) << run.console.substr(run.console.size() > 2000 ? run.console.size() - 2000 : 0);
        EXPECT_EQ(run.faults, "");
    }
    EXPECT_GE(paths, 20);
    std::printf("hard paths: %d of %d reach their limit, %d after retrying a failed solve\n", finished, paths, retried);
}

}  // namespace
}  // namespace zq::test
