// Solid-solution tables: the start-up listing and member lists, the present solutions and
// their totals, the limits, and the activity of an end member.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "phases/solid_solution.h"
#include "support/chem_builder.h"

namespace zq::test {
namespace {

struct Phases {
    ChemBuilder b;
    Phases() {
        b.component("H+", 1, 1.008, 0.0, 1e-7);
        b.component("H2O", 0, 18.015, WATER_MOLES_PER_KG, 1.0);
    }
    int add(const char* name, int jsols, double moles = 0.0, bool in_matrix = false, double site_n = 3.0) {
        return b.mineral(name, 0.0, 100, 2.5, {{1, 2}}, moles, in_matrix, jsols, site_n);
    }
};

// Members listed in database order with their index; a one-member solution is listed, then
// a pure phase; solutions 3, 6, 7 and 10 are present solutions 1 to 4 whatever is in the
// matrix; mixed gases and electrum members mix one for one.
TEST(SolidSolutionTables, ListingMembersAndPresentSolutions) {
    Phases p;
    const int gas = p.add("H2O,gas", 6, 0.0, false, 0.0);
    const int a = p.add("Calcite-ss", 7, 0.25, true);
    const int lone = p.add("Lonely", 9);
    const int b = p.add("Smithsonite-ss", 3);
    const int c = p.add("Siderite-ss", 7, 0.75, true);
    p.add("Otavite-ss", 3);
    const int au = p.add("Gold", 10, 0.0, false, 4.0);
    p.add("Silver", 10);
    p.add("CO2,gas", 6);
    build_solid_solutions(p.b.sys, p.b.eq, *p.b.io);
    const ChemicalSystem& s = p.b.sys;
    EquilibriumState& eq = p.b.eq;
    EXPECT_EQ(p.b.listing(),
              "\n  The following minerals and/or gases with identical index are in solid solution:\n\n"
              "        H2O,gas                 6\n        Calcite-ss              7\n"
              "        Lonely                  9\n        Smithsonite-ss          3\n"
              "        Siderite-ss             7\n        Otavite-ss              3\n"
              "        Gold                   10\n        Silver                 10\n"
              "        CO2,gas                 6\n");
    EXPECT_EQ(s.ss.member[7][2], c);
    EXPECT_EQ(s.ss.nmembers[9], 0);
    EXPECT_EQ(s.ss.of[lone], 0);
    ASSERT_EQ(eq.ss.npresent, 4);
    EXPECT_EQ(eq.ss.present_s[3], 7);
    EXPECT_EQ(eq.phase[a].ss_present, 3);
    EXPECT_EQ(eq.phase[b].ss_present, 0);  // not in the matrix
    EXPECT_DOUBLE_EQ(eq.ss.total[3], 1.0);
    EXPECT_EQ(s.mn[gas].site_n, 1.0);
    EXPECT_EQ(s.mn[au].site_n, 1.0);
    EXPECT_EQ(s.mn[b].site_n, 3.0);

    // X = 0.25: log a = log lambda + n log X.
    eq.phase[a].lambda = 2.0;
    EXPECT_NEAR(end_member_log_activity(s, eq, a), std::log10(2.0) + 3 * std::log10(0.25), 1e-15);

    // Mode 2 after Siderite-ss left the matrix.
    eq.nph = 1;
    refresh_solid_solutions(s, eq);
    EXPECT_EQ(eq.phase[c].ss_present, 0);
    EXPECT_DOUBLE_EQ(eq.ss.total[3], 0.25);
}

TEST(SolidSolutionTables, LimitsStopTheRun) {
    struct Case {
        int jsols, members;
        std::string listing_tail;
    };
    const Case cases[] = {
        {21, 1,
         "  Too-big              has a too large solid solution index ( 21\n  Maximum value allowed is  20\n\n\n"},
        {4, 21,
         "  Too-big              is part of a solid solution with too many end members ( 21)\n"
         "  Maximum number allowed is  20\n\n\n"},
        {-2, 1,
         "  Too-big              has a negative solid solution index ( -2) in DORNEVAL.\n"
         "  Solid solution indexes run from 1 to  20; 0 is a pure phase.\n\n\n"},
    };
    for (const Case& c : cases) {
        Phases p;
        for (int i = 1; i < c.members; ++i) p.add("Member", c.jsols);
        p.add("Too-big", c.jsols);
        EXPECT_EQ(stop_status([&] { build_solid_solutions(p.b.sys, p.b.eq, *p.b.io); }), 1);
        const std::string listing = p.b.listing();
        EXPECT_EQ(listing.substr(listing.size() - std::min(listing.size(), c.listing_tail.size())), c.listing_tail);
    }
}

}  // namespace
}  // namespace zq::test
