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

// Members in database order with their index; a one-member solution is listed, then a pure
// phase; solutions 3 and 7 are present solutions 1 and 2 whatever is in the matrix.
TEST(SolidSolutionTables, ListingMembersAndPresentSolutions) {
    Phases p;
    const int g1 = p.add("H2O,gas", 6, 0.0, false, 0.0);
    const int a = p.add("Calcite-ss", 7, 0.25, true);
    const int lone = p.add("Lonely", 9);
    const int pure = p.add("Quartz", 0);
    const int b = p.add("Smithsonite-ss", 3);
    const int c = p.add("Siderite-ss", 7, 0.75, true);
    const int d = p.add("Otavite-ss", 3);
    const int au = p.add("Gold", 10, 0.0, false, 4.0);
    const int ag = p.add("Silver", 10, 0.0, false, 4.0);
    const int g2 = p.add("CO2,gas", 6, 0.0, false, 0.0);
    build_solid_solutions(*p.b.sys, *p.b.io);
    const ChemicalSystem& s = *p.b.sys;

    EXPECT_EQ(p.b.listing(),
              "\n  The following minerals and/or gases with identical index are in solid solution:\n\n"
              "        H2O,gas                 6\n"
              "        Calcite-ss              7\n"
              "        Lonely                  9\n"
              "        Smithsonite-ss          3\n"
              "        Siderite-ss             7\n"
              "        Otavite-ss              3\n"
              "        Gold                   10\n"
              "        Silver                 10\n"
              "        CO2,gas                 6\n");
    EXPECT_EQ(s.ss.nmembers[7], 2);
    EXPECT_EQ(s.ss.member[7][1], a);
    EXPECT_EQ(s.ss.member[7][2], c);
    EXPECT_EQ(s.ss.member[3][1], b);
    EXPECT_EQ(s.ss.member[3][2], d);
    EXPECT_EQ(s.ss.nmembers[9], 0);  // dissolved: a pure phase from now on
    EXPECT_EQ(s.ss.of[lone], 0);
    EXPECT_EQ(s.ss.of[pure], 0);
    EXPECT_EQ(s.ss.of[c], 7);

    // Present solutions in order of their index: 3, 6, 7, 10.
    ASSERT_EQ(s.ss.npresent, 4);
    EXPECT_EQ(s.ss.present_s[1], 3);
    EXPECT_EQ(s.ss.present_s[2], 6);
    EXPECT_EQ(s.ss.present_s[3], 7);
    EXPECT_EQ(s.ss.present_s[4], 10);
    EXPECT_EQ(s.mn[a].ss_present, 3);
    EXPECT_EQ(s.mn[c].ss_present, 3);
    EXPECT_EQ(s.mn[b].ss_present, 0);  // not in the matrix
    EXPECT_DOUBLE_EQ(s.ss.total[3], 1.0);
    EXPECT_DOUBLE_EQ(s.ss.total[1], 0.0);

    // Mixed gases and electrum mix one for one.
    for (int i : {g1, g2, au, ag}) EXPECT_EQ(s.mn[i].site_n, 1.0) << i;
    EXPECT_EQ(s.mn[b].site_n, 3.0);

    // X = 0.25: log a = log lambda + n log X.
    p.b.sys->mn[a].lambda = 2.0;
    EXPECT_NEAR(end_member_log_activity(*p.b.sys, a), std::log10(2.0) + 3 * std::log10(0.25), 1e-15);
    EXPECT_EQ(end_member_log_activity(*p.b.sys, pure), 0.0);
}

TEST(SolidSolutionTables, LimitsStopTheRun) {
    struct Case {
        int jsols, members;
        std::string listing_tail;
    };
    const Case cases[] = {
        {21, 1, "  Too-big              has a too large solid solution index ( 21\n  Maximum value allowed is  20\n\n\n"},
        {4, 21, "  Too-big              is part of a solid solution with too many end members ( 21)\n"
                "  Maximum number allowed is  20\n\n\n"},
        {-2, 1, "  Too-big              has a negative solid solution index ( -2) in DORNEVAL.\n"
                "  Solid solution indexes run from 1 to  20; 0 is a pure phase.\n\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jsols);
        Phases p;
        for (int i = 1; i < c.members; ++i) p.add(("Member" + std::to_string(i)).c_str(), c.jsols);
        p.add("Too-big", c.jsols);
        EXPECT_EQ(stop_status([&] { build_solid_solutions(*p.b.sys, *p.b.io); }), 1);
        const std::string listing = p.b.listing();
        ASSERT_GE(listing.size(), c.listing_tail.size());
        EXPECT_EQ(listing.substr(listing.size() - c.listing_tail.size()), c.listing_tail);
    }
}

// Mode 2 after the matrix changed: only members in the matrix count, and a member that left
// has no present number.
TEST(SolidSolutionTables, RefreshFollowsTheMatrix) {
    Phases p;
    const int a = p.add("A-ss", 5, 0.5, true);
    const int b = p.add("B-ss", 5, 0.25, true);
    build_solid_solutions(*p.b.sys, *p.b.io);
    ChemicalSystem& s = *p.b.sys;
    EXPECT_DOUBLE_EQ(s.ss.total[1], 0.75);
    s.ss.sumx[5] = 3.0;
    s.nph = 1;  // B leaves the matrix
    refresh_solid_solutions(s);
    EXPECT_EQ(s.mn[a].ss_present, 1);
    EXPECT_EQ(s.mn[b].ss_present, 0);
    EXPECT_DOUBLE_EQ(s.ss.total[1], 0.5);
    EXPECT_EQ(s.ss.sumx[5], 0.0);
    EXPECT_EQ(matrix_position(s, a), 1);
    EXPECT_EQ(matrix_position(s, b), 0);
}

}  // namespace
}  // namespace zq::test
