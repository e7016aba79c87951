#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/db_stage.h"

namespace zq::test {
namespace {

std::string record(std::string_view name, std::string_view fw8, const std::vector<std::pair<std::string, int>>& pairs,
                   int itot = -1) {
    char buf[32];
    std::snprintf(buf, sizeof buf, " %8s %2d ", std::string(fw8).c_str(),
                  itot < 0 ? static_cast<int>(pairs.size()) : itot);
    std::string line = col(name, 20) + buf;
    for (const auto& [coef, db] : pairs) {
        std::snprintf(buf, sizeof buf, "%10s%2d", coef.c_str(), db);
        line += buf;
    }
    return line + "\n";
}

const std::string MARKER = "            ********\n";

struct ReactantCase {
    const char* what;
    std::vector<const char*> run;  // reactant names of the run file
    std::string minox;             // after the header and marker
    int status;                    // -1: the reader returns
    std::string console;           // expected within the console (and the listing, unless listing_only)
    bool listing_only = false;
};

// Every case reads the standard fixture database first, for the components' weights and charges.
TEST(Reactants, RecordsAreMatchedCheckedOrReported) {
    const std::string quartz = record("Quartz-sand", "60.08", {{"1.000", 8}});
    const std::string halite = record("Halite-rock", "58.44", {{"1.000", 3}, {"1.000", 7}});
    const std::string calcite = record("Calcite-rock", "100.09", {{"-1.000", 1}, {"1.000", 5}, {"1.000", 9}});
    const auto not_found = [](std::string_view name) {
        return "\n  Reactant: " + col(name, 20) + " not found in MINOX data file\n\n";
    };
    const std::vector<ReactantCase> cases = {
        {"fixture", {"Calcite-rock", "Quartz-sand"}, "", -1, ""},
        {"weight 0.05 off passes",
         {"Calc"},
         record("Calc", "100.0372", {{"-1.000", 1}, {"1.000", 5}, {"1.000", 9}}),
         -1,
         ""},
        {"weight 0.1 off stops",
         {"Calc"},
         record("Calc", "99.9872", {{"-1.000", 1}, {"1.000", 5}, {"1.000", 9}}),
         1,
         "\n  WARNING: Stoichiometry of Calc                 in     MINOX    data\n"
         "  file, has a WEIGHT imbalance of      0.100 !!!!!\n"},
        {"charge only warns",
         {"Salt"},
         record("Salt", "58.4430", {{"1.00002", 3}, {"1.000", 7}}),
         -1,
         "\n  WARNING: Stoichiometry of Salt                 in     MINOX    data\n"
         "  file, has a CHARGE imbalance of      0.000 !!!!!\n"},
        {"component outside the run",
         {"Feldspar"},
         "",
         1,
         "\n  Reactant " + col("Feldspar", 20) +
             " contains species number 11 which is not\n"
             "    included in the list of component species for this run.\n"},
        {"ITOT 13 of an unused record",
         {"Quartz-sand", "Halite-rock"},
         quartz + record("Junk", "1.00", {}, 13) + halite,
         1,
         "\n  Reactant " + col("Junk", 20) +
             " in MINOX has too many components\n"
             "  ITOT for that reactant is  13 ; maximum is  12\n",
         true},
        {"records after the last needed one",
         {"Quartz-sand"},
         quartz + record("Junk", "1.00", {}, 13) + "#@!\n",
         -1,
         ""},
        {"twice in MINOX does not hide a missing one",
         {"Quartz-sand", "Halite-rock"},
         quartz + quartz,
         1,
         not_found("Halite-rock")},
        {"twice in the run file", {"Quartz-sand", "Calcite-rock", "Quartz-sand"}, quartz + calcite, -1, ""},
        {"unreadable number",
         {"Quartz-sand"},
         record("Quartz-sand", "6o.08", {{"1.000", 8}}),
         1,
         "\n  Error reading MINOX.DAT line 3: a number cannot be read.\n"
         "  Field: the formula weight (columns 22-29) of Quartz-sand.\n  ---> Quartz-sand             6o.08  1 "},
        {"unreadable coefficient",
         {"Quartz-sand"},
         record("Quartz-sand", "60.08", {{"1.0x0", 8}}),
         1,
         "  Field: the coefficient of entry 1 of Quartz-sand.\n"},
        {"unreadable ITOT",
         {"Quartz-sand"},
         col("Quartz-sand", 20) + "    60.08  x\n",
         1,
         "  Field: ITOT (columns 31-32) of Quartz-sand.\n"},
        {"no reactants in a titration run",
         {},
         quartz,
         1,
         "\n  MINSOL =   1 asks for the titration of reactants, but ZARNRUN lists none.\n  EXECUTION ABORTED.\n"},
    };
    for (const ReactantCase& c : cases) {
        SCOPED_TRACE(c.what);
        Stage st;
        ASSERT_EQ(st.read_database(fixture_text("DORNEVAL.QVD")), -1);
        const std::string before = st.console();
        st.sys.nreact = 0;
        for (const char* name : c.run) st.sys.react[++st.sys.nreact].name = Name20(name);
        const std::string minox = c.minox.empty() ? fixture_text("MINOX.DAT") : "header\n" + MARKER + c.minox;
        EXPECT_EQ(st.read_reactants(minox), c.status);
        const std::string console = st.console().substr(before.size());
        const std::string listing = st.listing();
        if (c.console.empty()) {
            EXPECT_EQ(console, "");
        } else {
            EXPECT_EQ(console.find(c.console) == std::string::npos, c.listing_only) << console;
            EXPECT_NE(listing.find(c.console), std::string::npos) << listing;
        }
    }
}

TEST(Reactants, CompositionIsLinkedToTheRunComponents) {
    Stage st;
    ASSERT_EQ(st.read_database(fixture_text("DORNEVAL.QVD")), -1);
    st.sys.nreact = 2;
    st.sys.react[1].name = Name20("Calcite-rock");
    st.sys.react[2].name = Name20("Quartz-sand");
    ASSERT_EQ(st.read_reactants(fixture_text("MINOX.DAT")), -1);
    const Reactant& r = st.sys.react[1];
    EXPECT_DOUBLE_EQ(r.gfw, 100.09);
    EXPECT_EQ(r.itot, 3);
    EXPECT_EQ((std::vector<double>{r.coef[1], r.coef[2], r.coef[3]}), (std::vector<double>{-1, 1, 1}));
    EXPECT_EQ((std::vector<int>{r.pos[1], r.pos[2], r.pos[3]}), (std::vector<int>{1, 5, 6}));
    EXPECT_EQ(st.sys.react[2].pos[1], 7);
}

TEST(Reactants, MarkerOutsideColumns13To20IsNotAMarker) {
    Stage st;
    ASSERT_EQ(st.read_database(fixture_text("DORNEVAL.QVD")), -1);
    st.sys.nreact = 2;
    st.sys.react[1].name = Name20("Quartz-sand");
    st.sys.react[2].name = Name20("Halite-rock");
    const std::string before = st.console();
    EXPECT_EQ(st.read_reactants("********\n" + record("Quartz-sand", "60.08", {{"1.000", 8}})), 1);
    EXPECT_EQ(st.console().substr(before.size()),
              "\n  Reactant: Quartz-sand          not found in MINOX data file\n\n"
              "\n  Reactant: Halite-rock          not found in MINOX data file\n\n");
}

}  // namespace
}  // namespace zq::test
