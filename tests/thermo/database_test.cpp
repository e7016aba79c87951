#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/db_stage.h"
#include "thermo/database.h"

namespace zq::test {
namespace {

using Lines = std::vector<std::string>;

std::string species_line(std::string_view name, const std::string& text) { return "  " + col(name, 12) + text; }
std::string mineral_line(std::string_view name, const std::string& text) { return "  " + col(name, 20) + text; }
std::string joined(const Lines& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

// Fixed-column lines of the fixture's records, for edits.
std::string species_line2(std::string_view charge3) {
    return col("", 8) + col(charge3, 3) + col("", 16) + "0.00" + col("", 11) + "0.000";
}
std::string mineral_line1(std::string_view name, int jsols, std::string_view kind) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%2d   0.000", jsols);
    return col(name, 20) + col("", 46) + buf + col("", 14) + std::string(kind);
}
std::string mineral_line2(double gfw, double rho) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%8.3f%37s%6.3f", gfw, "", rho);
    return col("   gfw, rho:", 13) + buf;
}

const std::string SUPP_FILE = " is suppressed in DORNEVAL data file.";
const std::string SUPP_RUN = " is suppressed in THIS RUN.";
const std::string NO_LOGK = " skipped.  Log K data absent at given T.";
const std::string DENSITY = " density is not specified in DORNEVAL. 2.5 assumed.";
const std::string REDOX = " is SUPPRESSED in this run to accomodate slow redox kinetics.";

TEST(Database, StandardRunKeepsSelectsAndReports) {
    Stage st;
    ASSERT_EQ(st.read_database(fixture_text("DORNEVAL.QVD")), -1) << st.console() << st.listing();
    const ChemicalSystem& sys = st.sys;
    const Conditions& cond = st.cond;
    const EquilibriumState& eq = st.eq;

    // Components in run order, from their database lines.
    EXPECT_EQ(sys.sp[3].name.str(), col("Cl-", 20));
    EXPECT_DOUBLE_EQ(sys.sp[3].charge, -1.0);
    EXPECT_DOUBLE_EQ(sys.sp[3].ion_size, 3.0);
    EXPECT_DOUBLE_EQ(sys.sp[6].gfw, 61.0171);

    EXPECT_EQ(st.species_names(), (Lines{col("OH-", 20), col("NaCl,aq", 20), col("CO2,aq", 20), col("KCl,aq", 20),
                                         col("HSiO3-", 20), col("H2S,aq", 20), col("CaOH+", 20)}));
    EXPECT_EQ(sys.ns, 17);
    EXPECT_EQ(sys.slot_co2aq, 13);
    EXPECT_EQ(sys.slot_h2saq, 16);
    EXPECT_EQ(sys.slot_ch4aq + sys.slot_h2aq + sys.slot_n2aq, 0);
    // log K = a + b T of the fixture at 100 C, through the grid and the eight points.
    const double logk[] = {-12.0, 1.0, -5.3, -0.5, -8.8, -6.4, -11.3};
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(cond.logk[11 + i], logk[i], 1e-9) << i;
    const Species& oh = sys.sp[11];
    EXPECT_EQ(oh.nentries, 3);
    EXPECT_EQ(oh.kind, Kind4("All "));
    EXPECT_DOUBLE_EQ(oh.charge, -1.0);
    EXPECT_DOUBLE_EQ(oh.ion_size, 3.5);
    EXPECT_EQ((std::vector<double>{oh.coef[1], oh.coef[2], oh.coef[3]}), (std::vector<double>{-1, -1, 1}));
    EXPECT_EQ((std::vector<int>{oh.index[1], oh.index[2], oh.index[3]}), (std::vector<int>{11, 1, 2}));
    EXPECT_EQ(sys.sp[14].kind, Kind4("L-V "));
    EXPECT_EQ(sys.sp[12].index[2], 4);  // Na+ is database 3, run position 4

    EXPECT_EQ(st.mineral_names(),
              (Lines{col("H2O,gas", 20), col("CO2,gas", 20), col("Quartz", 20), col("Halite", 20), col("Calcite", 20),
                     col("Magnesite", 20), col("Sylvite", 20), col("Portlandite", 20)}));
    const double mlogk[] = {0.5 + 1.0, 8.8 + 1.0, -3.0, 1.4, 0.6, 0.8, 1.0, 18.8};
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(cond.mn_logk[1 + i], mlogk[i], 1e-9) << i;
    EXPECT_NEAR(cond.mn_logk_raw[1], 0.5, 1e-9);
    EXPECT_DOUBLE_EQ(sys.mn[1].density, 0.0);  // a gas keeps density 0
    EXPECT_DOUBLE_EQ(sys.mn[4].density, 2.5);  // Halite had none
    EXPECT_DOUBLE_EQ(sys.mn[3].density, 2.648);
    EXPECT_DOUBLE_EQ(sys.mn[3].gfw, 60.084);
    EXPECT_EQ(sys.mn[5].jsols, 2);
    EXPECT_DOUBLE_EQ(sys.mn[6].site_n, 2.0);
    EXPECT_EQ(sys.mn[1].jsols, 6);
    EXPECT_EQ(sys.mn[1].flag, Kind4("GAS "));
    const Mineral& calcite = sys.mn[5];
    EXPECT_EQ(calcite.itot, 3);
    EXPECT_EQ((std::vector<int>{calcite.specm[1], calcite.specm[2], calcite.specm[3]}), (std::vector<int>{1, 5, 6}));
    EXPECT_DOUBLE_EQ(calcite.coef_abs_sum, 3.0);

    // Gas mixture: two mixed gases with their equation-of-state parameters at 373.15 K.
    const double t = 373.15;
    EXPECT_EQ(sys.nmixed, 2);
    EXPECT_EQ(sys.ngas_records, 2);
    EXPECT_EQ(sys.ngasmix, 2);
    EXPECT_NEAR(cond.eos_a_t[1], 125000.0 / (t * t) - 620.0 / t + 0.75, 1e-12);
    EXPECT_NEAR(cond.eos_b_t[1], -3500.0 / (t * t) + 12.0 / t - 0.02, 1e-12);
    EXPECT_DOUBLE_EQ(sys.mn[2].eos_a[0], -98000.0);
    for (int k = 1; k <= 10; ++k) {
        EXPECT_DOUBLE_EQ(sys.cross[k][0], 1000.0 * k);
        EXPECT_NEAR(cond.cross_t[k], 1000.0 * k / (t * t) - 10.0 * k / t + 0.01 * k, 1e-12);
    }
    EXPECT_EQ(st.rp.IDEAL, 2);

    // Header quantities of the constant grids.
    EXPECT_NEAR(cond.header[1], 0.5, 1e-12);
    EXPECT_NEAR(cond.header[5], 10.0, 1e-12);
    EXPECT_NEAR(cond.header3_derived, 3.0 * 0.001 / (4.575673886150001 * 100 + 1249.8453220018725), 1e-15);
    EXPECT_NEAR(cond.header4_derived, 0.04, 1e-15);

    // Saturated minerals: slots, starting moles and the matrix phase list in run-file order.
    EXPECT_EQ(sys.sat[1].slot, 3);
    EXPECT_EQ(sys.sat[2].slot, 5);
    EXPECT_EQ(sys.mn[3].sat_row, 1);
    EXPECT_DOUBLE_EQ(sys.mn[5].start_moles, 1e-3);
    EXPECT_EQ(eq.nph, 2);
    EXPECT_EQ(eq.ph[1], 3);
    EXPECT_EQ(eq.ph[2], 5);
    EXPECT_DOUBLE_EQ(eq.mn_moles[3], 0.5);

    const std::string hplus = "  WARNING: Species " + col("HSiO3-", 12) + " has H+ in a position beyond I = 1.";
    EXPECT_EQ(st.listing(), joined({species_line("HCl,aq", SUPP_FILE), species_line("CaCl+", SUPP_RUN), hplus,
                                    species_line("NaSO4-", SUPP_FILE), mineral_line("Fluorite", SUPP_FILE),
                                    mineral_line("Gypsum", SUPP_RUN)}));
    EXPECT_EQ(st.console(), joined({species_line("HCl,aq", SUPP_FILE), species_line("CaCl+", SUPP_RUN),
                                    species_line("MgOH+", NO_LOGK), species_line("Mg4(OH)4++++", NO_LOGK), hplus,
                                    species_line("NaSO4-", SUPP_FILE), species_line("KHSiO3,aq", NO_LOGK),
                                    mineral_line("Fluorite", SUPP_FILE), mineral_line("Gypsum", SUPP_RUN),
                                    mineral_line("Anhydrite", NO_LOGK)}));
    EXPECT_EQ(st.report(), joined({species_line("HCl,aq", SUPP_FILE), species_line("CaCl+", SUPP_RUN),
                                   species_line("MgOH+", NO_LOGK), species_line("Mg4(OH)4++++", NO_LOGK),
                                   species_line("NaSO4-", SUPP_FILE), species_line("KHSiO3,aq", NO_LOGK),
                                   mineral_line("Halite", DENSITY), mineral_line("Fluorite", DENSITY),
                                   mineral_line("Fluorite", SUPP_FILE), mineral_line("Gypsum", SUPP_RUN),
                                   mineral_line("Anhydrite", NO_LOGK)}));
}

// Runs that differ from the standard one in one setting, with the lines they add or drop.
TEST(Database, RunSettingsChangeTheSelection) {
    {  // Extended run: saturation-only records are reported in Skip_Species.txt only.
        Stage st;
        st.set_temperature(100.0, 500.0, 1);
        ASSERT_EQ(st.read_database(fixture_text("DORNEVAL.QVD")), -1) << st.console();
        const std::string report = st.report();
        for (const char* name : {"H2,aq", "KCl,aq", "KHSiO3,aq"}) {
            const std::string line = species_line(name, " skipped.  Data limited to L-V saturation") + "\n";
            EXPECT_NE(report.find(line), std::string::npos) << name;
            EXPECT_EQ(st.listing().find(name), std::string::npos);
            EXPECT_EQ(st.console().find(name), std::string::npos);
        }
        EXPECT_NE(report.find(mineral_line("Sylvite", " skipped.  Data limited to L-V saturation.") + "\n"),
                  std::string::npos);
        EXPECT_EQ(st.species_names().size(), 6u);
        EXPECT_NEAR(st.cond.logk[11], -12.0, 1e-9);  // on the grid at 500 bar
        EXPECT_NEAR(st.cond.mn_logk[1], 0.5 + std::log10(500.0), 1e-9);
    }
    {  // Redox components 45-48 in the run: the slow-redox species go, the gas mixture grows.
        Stage st;
        st.set_components({1, 2, 7, 3, 5, 9, 8, 4, 10, 6, 45, 46, 47, 48});
        ASSERT_EQ(st.read_database(fixture_text("DORNEVAL.QVD")), -1) << st.console();
        const Lines redox = {species_line("CH4,aq", REDOX), species_line("ethanol,aq", REDOX),
                             species_line("H2,aq", REDOX), species_line("N2,aq", REDOX), species_line("NH3,aq", REDOX)};
        const std::string text = joined(redox);
        EXPECT_EQ(st.report().substr(0, text.size()), text);
        EXPECT_EQ(st.console().substr(0, text.size()), text);
        EXPECT_EQ(st.listing().substr(0, text.size()), text);
        EXPECT_EQ(st.sys.slot_ch4aq, 11);
        EXPECT_EQ(st.sys.slot_h2aq, 12);
        EXPECT_EQ(st.sys.slot_n2aq, 13);
        EXPECT_EQ(st.sys.slot_co2aq, 17);  // CO2,aq is not a redox species
        EXPECT_EQ(st.sys.mn[3].name, Name20("CH4,gas"));
        EXPECT_EQ(st.sys.nmixed, 3);
        EXPECT_EQ(st.sys.ngasmix, 3);
    }
    {  // ISTEP 1 names the records dropped for a component outside the run; LIMSOL 0.
        Stage st;
        st.rp.ISTEP = 1;
        st.rp.LIMSOL = 0;
        st.rp.IDEAL = 1;
        ASSERT_EQ(st.read_database(fixture_text("DORNEVAL.QVD")), -1) << st.console();
        const std::string listing = st.listing();
        for (const char* line : {"  Mineral CH4,gas              contains excluded component  45\n",
                                 "  Mineral O2,gas               contains excluded component  31\n",
                                 "  Mineral Corundum             contains excluded component  11\n"})
            EXPECT_NE(listing.find(line), std::string::npos) << line;
        EXPECT_EQ(st.console().find("excluded"), std::string::npos);
        for (int i = 1; i <= st.sys.nmin; ++i) EXPECT_EQ(st.sys.mn[i].jsols, 0) << i;
        EXPECT_EQ(st.sys.nmixed, 2);
        EXPECT_NEAR(st.cond.mn_logk[2], 9.8, 1e-9);
        EXPECT_EQ(st.rp.IDEAL, 1);
    }
    {  // A used component whose line has a blank name does not end the component section,
        // and a reaction naming database component 99 drops its species silently.
        Stage st;
        const std::string text =
            edited(fixture_text("DORNEVAL.QVD"), {{"Cl-                 -1      3.0         35.4527  0.0000   comment",
                                                   0, "                    -1      3.0         35.4527  0.0000"},
                                                  {"  ---- CaOH+", 3, " 3     -1.000 1     1.000 5     1.00099"}});
        ASSERT_EQ(st.read_database(text), -1) << st.console();
        EXPECT_TRUE(st.sys.sp[3].name.blank());
        EXPECT_DOUBLE_EQ(st.sys.sp[3].charge, -1.0);
        EXPECT_EQ(st.species_names().back(), col("H2S,aq", 20));
        EXPECT_EQ(st.report().find("CaOH+"), std::string::npos);
    }
    {  // A mineral with given weight 0 has no weight check; a saturated mineral listed twice
        // enters the matrix once.
        Stage st;
        st.sys.nsat = 3;
        st.sys.sat[3].name = Name20("Quartz");
        st.sys.sat[3].moles = 2.0;
        const std::string text =
            edited(fixture_text("DORNEVAL.QVD"), {{"  ---- Quartz", 2, mineral_line2(0.0, 2.648)}});
        ASSERT_EQ(st.read_database(text), -1) << st.console();
        EXPECT_EQ(st.sys.sat[3].slot, 3);
        EXPECT_EQ(st.eq.nph, 2);
        EXPECT_DOUBLE_EQ(st.eq.mn_moles[3], 0.5);
    }
}

std::string stoich(std::string_view name, std::string_view kind, std::string_view amount) {
    return "\n  WARNING: Stoichiometry of " + col(name, 20) + " in     DORNEVAL data\n  file, has a " +
           std::string(kind) + " imbalance of " + std::string(amount) + " !!!!!\n";
}

// The stoichiometry limits, each just inside and just outside: a charge imbalance of 1e-5
// (derived species and minerals) and a weight imbalance of 0.1 g (minerals, whose weight
// has three decimals).
TEST(Database, StoichiometryLimitsAtTheirBoundary) {
    struct Case {
        const char* what;
        Edit edit;
        bool stops;
    };
    const Case cases[] = {
        {"species charge 9.9e-6", {"  ---- OH-", 3, " 2 -1.0000099 1     1.000 2"}, false},
        {"species charge 1.01e-5", {"  ---- OH-", 3, " 2 -1.0000101 1     1.000 2"}, true},
        {"mineral charge 9.9e-6", {"  ---- Quartz", 3, "  2    1.000  80.0000099  1"}, false},
        {"mineral charge 1.01e-5", {"  ---- Quartz", 3, "  2    1.000  80.0000101  1"}, true},
        {"mineral weight 0.099", {"  ---- Quartz", 2, mineral_line2(60.183, 2.648)}, false},
        {"mineral weight 0.101", {"  ---- Quartz", 2, mineral_line2(60.185, 2.648)}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Stage st;
        EXPECT_EQ(st.read_database(edited(fixture_text("DORNEVAL.QVD"), {c.edit})), c.stops ? 1 : -1) << st.console();
        EXPECT_EQ(st.console().find("!!!!!") != std::string::npos, c.stops);
    }
}

// Faults of the file: the message, where it goes, and the stop.
TEST(Database, FaultsStopWithTheirMessage) {
    struct Case {
        const char* what;
        std::vector<Edit> edits;
        std::string listing;  // expected within the listing ("" = nothing expected there)
        std::string console;  // expected within the console
    };
    const std::string eos_line = "     1.00000     2.00000     3.00000     4.00000     5.00000     6.00000";
    const std::vector<Case> cases = {
        {"species ITOT 13",
         {{"  ---- OH-", 3, "13     -1.000 1     1.000 2"}},
         "\n  Species OH-          in DORNEVAL has too many components\n"
         "  ITOT for that species is  13 ; maximum is  12\n  EXECUTION ABORTED.\n",
         ""},
        {"mineral ITOT 13",
         {{"  ---- Quartz", 3, " 13    1.000  8"}},
         "\n  Mineral Quartz               in dorneval has too many components\n"
         "  itot for that mineral is  13 ; maximum is  12\n",
         ""},
        {"species charge",
         {{"  ---- NaCl,aq", 2, species_line2("  1")}},
         stoich("NaCl,aq", "CHARGE", "    -1.000"),
         stoich("NaCl,aq", "CHARGE", "    -1.000")},
        {"mineral weight",
         {{"  ---- Quartz", 2, mineral_line2(60.284, 2.648)}},
         stoich("Quartz", "WEIGHT", "    -0.200"),
         stoich("Quartz", "WEIGHT", "    -0.200")},
        {"mineral charge",
         {{"  ---- Halite", 2, mineral_line2(0.0, 2.16)}, {"  ---- Halite", 3, "  2    1.000  3    2.000  7"}},
         stoich("Halite", "CHARGE", "    -1.000"),
         stoich("Halite", "CHARGE", "    -1.000")},
        {"zero coefficient",
         {{"  ---- Quartz", 3, "  2    1.000  8    0.000  2"}},
         "  Mineral Quartz               has zero in stoichiometry.  Check itot, coefm & specm\n",
         "\n  Fatal error. Stoichiometry zero(s) found in DORNEVAL.  See above.\n"},
        {"zero component",
         {{"  ---- Quartz", 3, "  1    1.000  0"}},
         "  Mineral Quartz               has zero in stoichiometry.  Check itot, coefm & specm\n",
         "  Anhydrite            skipped.  Log K data absent at given T.\n"
         "\n  Fatal error. Stoichiometry zero(s) found in DORNEVAL.  See above.\n"},
        {"marker missing",
         {{std::string(80, '*'), 0, "*******"}},
         "",
         "\n  DORNEVAL.QVD ends after line 1886 while reading the preamble (no line with ******** in columns 13-20).\n"},
        {"unreadable field",
         {{"  ---- NaCl,aq", 2, species_line2(" x1")}},
         "\n  Error reading DORNEVAL.QVD line 590 (derived species): a number cannot be read.\n"
         "  Field: the charge of NaCl,aq.\n  ---> " +
             species_line2(" x1") + "\n",
         "a number cannot be read"},
        {"unreadable density",
         {{"  ---- Quartz", 2, col("   gfw, rho:", 13) + "  60.084" + col("", 37) + " 2.6x8"}},
         "  Field: the density of Quartz.\n",
         ""},
        {"unreadable reaction coefficient",
         {{"  ---- Quartz", 3, "  1    1.0x0  8"}},
         "  Field: the coefficient of reaction entry 1 of Quartz.\n",
         ""},
        {"unreadable log K",
         {{"  ---- NaCl,aq", 4, "    0.500050     0.625000     0.75#000     0.875000"}},
         "",
         "  Reading ZZILCH error, dorneval line: \n.50005E+00.62500E+00\n"
         "  DORNEVAL.QVD line 592, derived species: a number cannot be read.\n"
         "  Field: value 3 of log K row 1 of NaCl,aq.\n"},
        {"unreadable header",
         {{std::string(80, '*'), 3, "  0.5000 , 0.5000 ; 0.5000"}},
         "",
         "  Reading ZZILCH error, dorneval line: \n.50000E+00.50000E+00\n"
         "  DORNEVAL.QVD line 6, header grids: a number cannot be read.\n"
         "  Field: value 3 of row 1 of header grid 1 (Debye-Huckel A).\n"},
        {"mixed gas after a mineral",
         {{"  ---- Calcite", 1, mineral_line1("Calcite", 6, "All ")},
          {"  ---- Calcite", 3, "  3   -1.000  1    1.000  5    1.000  9\n" + eos_line}},
         "\n  Mixed gas Calcite              (JSOLS = 6) in DORNEVAL is not among the\n"
         "  first records kept; mixed gases (at most 20) must come first.\n",
         "mixed gases (at most 20) must come first."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Stage st;
        EXPECT_EQ(st.read_database(edited(fixture_text("DORNEVAL.QVD"), c.edits)), 1);
        const std::string listing = st.listing();
        if (!c.listing.empty()) {
            EXPECT_NE(listing.find(c.listing), std::string::npos) << listing;
        }
        if (!c.console.empty()) {
            EXPECT_NE(st.console().find(c.console), std::string::npos) << st.console();
        }
    }
}

TEST(Database, RunNamesMissingFromTheDatabaseStop) {
    {
        Stage st;
        st.sys.nsat = 3;
        st.sys.sat[3].name = Name20("Diamond");
        EXPECT_EQ(st.read_database(fixture_text("DORNEVAL.QVD")), 1);
        const std::string msg =
            "\n  Diamond             , specified in ZARNRUN, was not found in DORNEVAL. check spelling.\n";
        EXPECT_NE(st.listing().find(msg), std::string::npos);
        EXPECT_NE(st.console().find(msg), std::string::npos);
    }
    {  // Component 50 lies after the blank line that ends the fixture's component section.
        Stage st;
        st.set_components({1, 2, 7, 3, 50});
        EXPECT_EQ(st.read_database(fixture_text("DORNEVAL.QVD")), 1);
        EXPECT_NE(st.console().find("\n  Component species number  50 of ZARNRUN is not in the component section"
                                    " of DORNEVAL\n  (the section ends at line 435).\n"),
                  std::string::npos)
            << st.console();
    }
}

// Synthetic "L-V " records inserted before the end of a section.
std::string with_extra_records(int nspecies, int nminerals) {
    std::string species, minerals;
    char name[32];
    for (int i = 1; i <= nspecies; ++i) {
        std::snprintf(name, sizeof name, "S%04d", i);
        species += std::string("  ---- x\n") + col(name, 90) + "L-V \n\n 1      1.000 2\n-1 -1 -1 -1 -1 -1 -1 -1\n";
    }
    for (int i = 1; i <= nminerals; ++i) {
        std::snprintf(name, sizeof name, "M%04d", i);
        minerals += std::string("  ---- x\n") + col(name, 90) + "L-V \n" + col("", 58) + " 1.000\n  1    1.000  2\n" +
                    "-1 -1 -1 -1 -1 -1 -1 -1\n";
    }
    std::string text = fixture_text("DORNEVAL.QVD");
    text.insert(text.find("  ---- end of derived species\n"), species);
    text.insert(text.find("  ---- end of minerals\n"), minerals);
    return text;
}

TEST(Database, CapacitiesOfTheSpeciesAndMineralTables) {
    {  // 10 components + 7 standard + 582 inserted = 599 species; 8 + 491 = 499 minerals.
        Stage st;
        ASSERT_EQ(st.read_database(with_extra_records(582, 491)), -1) << st.listing();
        EXPECT_EQ(st.sys.ns, 599);
        EXPECT_EQ(st.sys.nmin, 499);
        EXPECT_EQ(st.sys.mn[499].name, Name20("M0491"));
    }
    {
        Stage st;
        EXPECT_EQ(st.read_database(with_extra_records(583, 0)), 1);
        EXPECT_NE(st.listing().find("\n  Number of species read in dorneval exceeds maximum of 600\n"
                                    "  last name read is:  S0583        (NS=600)\n"),
                  std::string::npos)
            << st.listing();
    }
    {
        Stage st;
        EXPECT_EQ(st.read_database(with_extra_records(0, 492)), 1);
        EXPECT_NE(st.listing().find("\n  Number of minerals read in dorneval exceeds maximum of 500\n"
                                    "  last name read is:  M0492               \n"),
                  std::string::npos)
            << st.listing();
    }
}

}  // namespace
}  // namespace zq::test

namespace zq::test {
namespace {

// The whole start-up on the fixture: the report gets its header from the run-file reader
// and then the database reader's events; the reactant is linked; the echo ends the run.
TEST(DatabaseRun, FixtureFromRunFileToEcho) {
    TempDir dir;
    std::string run =
        "Fixture run\nsecond title\nskip\nskip\n0 7.0 10 100 0 0 0 0\nskip\nskip\n0 0 0\nskip\nskip\n"
        "0 0 0 0 0 0 0 0\nskip\nskip\nskip\n0 1 0 0 0 0 1 0 0 0 3 0 0 0 1 0 0 0\nskip\nskip\n";
    char buf[160];
    for (int db : {1, 2, 7, 3, 5, 9, 8, 4, 10, 6}) {
        std::snprintf(buf, sizeof buf, "%5d%13s%19.10f%19.10f%19.10f%19.10f\n", db, "", db == 2 ? 1.0 : 1e-3, 1e-3, 1.0,
                      0.0);
        run += buf;
    }
    run += "\nsaturated\n" + col("Quartz", 22) + "           0.5\n" + col("Calcite", 22) + "         0.001\n\n";
    run +=
        "reactants\n" + col("Quartz-sand", 22) + "           1.0\n\nsuppressed\nCaCl+\nGypsum\n\ndont frac\n\ncurve\n";
    dir.write("ZARNRUN.DAT", run);
    dir.write("DORNEVAL.QVD", fixture_text("DORNEVAL.QVD"));
    dir.write("MINOX.DAT", fixture_text("MINOX.DAT"));
    const RunOutcome outcome = run_in(dir);
    EXPECT_EQ(outcome.status, 0) << outcome.console;
    const std::string report = dir.read("Skip_Species.txt");
    EXPECT_EQ(report.substr(0, 58), "\n  This file lists species and minerals omitted from the c");
    const std::string events = species_line("HCl,aq", SUPP_FILE) + "\n" + species_line("CaCl+", SUPP_RUN) + "\n";
    EXPECT_EQ(report.find(events), report.find("DORNEVAL.\n\n") + 11) << report;
    EXPECT_TRUE(report.ends_with("Gypsum               is suppressed in THIS RUN.\n" +
                                 mineral_line("Anhydrite", NO_LOGK) + "\n"));
    EXPECT_NE(outcome.console.find("End data echo"), std::string::npos);
}

}  // namespace
}  // namespace zq::test
