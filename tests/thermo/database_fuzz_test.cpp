// Damaged input files: every truncation and a deterministic sample of garbled characters.
// The readers must end with a message and RunStop(1) (or accept the file), never crash.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/db_stage.h"

namespace zq::test {
namespace {

// One stage for many runs: a fresh Io per run, the chemical system reused (the reader
// resets what it fills).
struct FuzzStage : Stage {
    void fresh_output() {
        out.str("");
        io = std::make_unique<Io>(dir.path(), in, out);
    }
    std::string messages() { return console() + listing(); }
};

bool numbers_only(const std::string& line) {
    return !line.empty() && line.find_first_not_of(" 0123456789.-+,") == std::string::npos;
}

// Every line except those inside a block of log K or header values, of which every 16th
// and the first and last of each block. The two blank lines after the blank name of the end
// record may be missing (a file without its final newline has lost the last): the file
// then reads normally, with or without that final newline.
TEST(DatabaseFuzz, TruncatedAtEveryLineStopsNamingTheLine) {
    FuzzStage st;
    const std::string whole = fixture_text("DORNEVAL.QVD");
    const std::vector<std::string> lines = split_lines(whole);
    for (std::size_t k = lines.size() - 2; k <= lines.size(); ++k) {
        st.fresh_output();
        EXPECT_EQ(st.read_database(join_lines(lines, k)), -1) << k;
    }
    st.fresh_output();
    EXPECT_EQ(st.read_database(whole.substr(0, whole.size() - 1)), -1);
    for (std::size_t k = 0; k + 2 < lines.size(); ++k) {
        const bool inside = numbers_only(lines[k]) && k > 0 && numbers_only(lines[k - 1]) && k + 1 < lines.size() &&
                            numbers_only(lines[k + 1]);
        if (inside && k % 16 != 0) continue;
        st.fresh_output();
        ASSERT_EQ(st.read_database(join_lines(lines, k)), 1) << k;
        const std::string expected = "DORNEVAL.QVD ends after line " + std::to_string(k) + " while reading the ";
        ASSERT_NE(st.messages().find(expected), std::string::npos) << k << "\n" << st.messages();
    }
}

TEST(DatabaseFuzz, GarbledCharactersEndInAMessageOrARun) {
    FuzzStage st;
    const std::vector<std::string> lines = split_lines(fixture_text("DORNEVAL.QVD"));
    std::mt19937 rng(20240611);
    const std::string garbage = "x#.-+E*,/ 9D\t";
    int stops = 0;
    for (int run = 0; run < 150; ++run) {
        std::vector<std::string> damaged = lines;
        const int edits = 1 + static_cast<int>(rng() % 3);
        for (int e = 0; e < edits; ++e) {
            std::string& line = damaged[rng() % damaged.size()];
            const std::size_t at = line.empty() ? 0 : rng() % (line.size() + 1);
            const char c = garbage[rng() % garbage.size()];
            if (at < line.size() && rng() % 2) {
                line[at] = c;
            } else {
                line.insert(at, 1, c);
            }
        }
        st.fresh_output();
        const int status = st.read_database(join_lines(damaged, damaged.size()));
        ASSERT_TRUE(status == -1 || status == 1) << run;
        if (status == 1) {
            ++stops;
            ASSERT_FALSE(st.messages().empty()) << run;
        }
    }
    EXPECT_GT(stops, 0);
}

TEST(ReactantsFuzz, TruncatedOrGarbledFilesEndInAMessage) {
    FuzzStage st;
    ASSERT_EQ(st.read_database(fixture_text("DORNEVAL.QVD")), -1);
    st.sys.nreact = 2;
    st.sys.react[1].name = Name20("Calcite-rock");
    st.sys.react[2].name = Name20("Halite-rock");
    const std::vector<std::string> lines = split_lines(fixture_text("MINOX.DAT"));
    for (std::size_t k = 0; k < lines.size(); ++k) {
        st.fresh_output();
        ASSERT_EQ(st.read_reactants(join_lines(lines, k)), 1) << k;
        ASSERT_NE(st.console().find("not found in MINOX data file"), std::string::npos) << k;
    }
    std::mt19937 rng(7);
    const std::string garbage = "x#.-+E*,/ 9D";
    for (int run = 0; run < 300; ++run) {
        std::vector<std::string> damaged = lines;
        std::string& line = damaged[rng() % damaged.size()];
        const std::size_t at = rng() % (line.size() + 1);
        line.insert(at, 1, garbage[rng() % garbage.size()]);
        st.fresh_output();
        const int status = st.read_reactants(join_lines(damaged, damaged.size()));
        ASSERT_TRUE(status == -1 || status == 1) << run;
        if (status == 1) {
            ASSERT_FALSE(st.messages().empty()) << run;
        }
    }
}

}  // namespace
}  // namespace zq::test
