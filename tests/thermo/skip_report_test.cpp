#include <gtest/gtest.h>

#include "support/db_stage.h"
#include "thermo/skip_report.h"

namespace zq::test {
namespace {

// A run whose records are all usable leaves the report with its header only.
TEST(SkipReport, CleanDatabaseAddsNoEventLines) {
    Stage st;
    write_skip_header(*st.io);
    const std::string header = st.report();
    std::string text = fixture_text("DORNEVAL.QVD");
    // Keep OH- alone: cut the derived species after it and the minerals after Quartz.
    const auto lines = split_lines(text);
    std::vector<std::string> kept;
    bool skipping = false;
    for (const auto& l : lines) {
        if (l == "  ---- NaCl,aq" || l == "  ---- Halite") skipping = true;
        if (l == "  ---- end of derived species" || l == "  ---- end of minerals") skipping = false;
        if (l == "  ---- CH4,gas") skipping = true;
        if (l == "  ---- Quartz") skipping = false;
        if (!skipping) kept.push_back(l);
    }
    st.sys.nsat = 1;
    ASSERT_EQ(st.read_database(join_lines(kept, kept.size())), -1) << st.console();
    EXPECT_EQ(st.report(), header);
    EXPECT_EQ(st.species_names().size(), 1u);
    EXPECT_EQ(st.mineral_names().size(), 3u);
}

}  // namespace
}  // namespace zq::test
