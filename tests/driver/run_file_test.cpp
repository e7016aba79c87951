#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "driver/pickup.h"
#include "driver/run_file.h"
#include "driver/run_file_samples.h"
#include "path/titration.h"

namespace zq::test {
namespace {

bool contains(const std::string& hay, std::string_view needle) { return hay.find(needle) != std::string::npos; }

TEST(RunFileReader, ReadsEveryBlockOfARichFile) {
    auto run = fresh_run();
    auto& sys = run->sys;
    auto& eq = run->eq;
    auto& rp = run->rp;
    const ReadOutcome r = read_text(rich_parts().text(), *run);
    ASSERT_EQ(r.status, 0) << r.console;

    EXPECT_EQ(rp.title1.view(), pad_right("Rich run: every block populated", 120));
    EXPECT_EQ(rp.title2.view().size(), 120u);
    EXPECT_DOUBLE_EQ(rp.ERPC, 1e-11);
    EXPECT_DOUBLE_EQ(rp.TEMP, 175.0);
    EXPECT_DOUBLE_EQ(rp.VBOX1, 250.0);
    EXPECT_DOUBLE_EQ(rp.RHOFRS, 1.02);
    EXPECT_DOUBLE_EQ(rp.RHOROC, 2.65);
    // 175 C lies between the curve points (150, 4.76) and (200, 15.55).
    EXPECT_NEAR(rp.PFLUID, 10.155, 1e-12);
    EXPECT_DOUBLE_EQ(rp.SINC, 2.0);
    EXPECT_DOUBLE_EQ(rp.SLIM, 100.0);
    EXPECT_DOUBLE_EQ(rp.TOTMIX, 0.0);  // INCP = 2: TOTMIX moved to the enthalpy added
    EXPECT_DOUBLE_EQ(rp.enth_added, 3.5);
    EXPECT_DOUBLE_EQ(rp.ENTH, -50.0);
    EXPECT_DOUBLE_EQ(rp.DENTH, 1.5);
    EXPECT_DOUBLE_EQ(rp.TOTWAT, 90.0);
    EXPECT_DOUBLE_EQ(rp.SOLMIN, 1e-9);
    EXPECT_DOUBLE_EQ(rp.RM, 0.5);
    EXPECT_DOUBLE_EQ(rp.SUPRNT, 1e-10);

    EXPECT_EQ(rp.CONFLG, 1);
    EXPECT_EQ(rp.C, 4);  // component 7 is on the fourth row
    EXPECT_EQ(rp.C_read, 7);
    EXPECT_EQ(rp.IFRAC, 2);
    EXPECT_EQ(rp.NLOOP, 100);
    EXPECT_EQ(rp.LIMSOL, 1);
    EXPECT_EQ(rp.LIMSOL_read, 1);
    EXPECT_EQ(rp.IENTH, 1);
    EXPECT_EQ(rp.INCREM, 0);  // IFRAC > 0
    EXPECT_EQ(rp.INCP, 2);
    EXPECT_EQ(rp.MINSOL, 3);

    ASSERT_EQ(sys.nc, 5);
    const int saq[] = {1, 2, 4, 7, 15};
    for (int k = 1; k <= 5; ++k) {
        EXPECT_EQ(sys.comp[k].saq, saq[k - 1]);
        EXPECT_EQ(sys.cmap[saq[k - 1]], k);
        EXPECT_DOUBLE_EQ(sys.comp[k].total_input, eq.comp[k].total);
    }
    EXPECT_EQ(sys.cmap[3], 0);
    EXPECT_DOUBLE_EQ(eq.comp[1].total, 1e-3);
    EXPECT_DOUBLE_EQ(sys.comp[1].mix_total, 2e-3);
    EXPECT_DOUBLE_EQ(eq.m[1], 1e-7);
    EXPECT_DOUBLE_EQ(eq.gamma[1], 0.9);
    EXPECT_DOUBLE_EQ(eq.water_kg, 0.75);
    EXPECT_DOUBLE_EQ(eq.comp[2].total, 0.75 * WATER_MOLES_PER_KG);
    EXPECT_DOUBLE_EQ(sys.comp[2].mix_total, 0.4 * WATER_MOLES_PER_KG);
    EXPECT_DOUBLE_EQ(eq.m[5], 1e-10);    // trial molality 0
    EXPECT_DOUBLE_EQ(eq.gamma[5], 1.0);  // gamma 0

    ASSERT_EQ(sys.nsat, 2);
    EXPECT_EQ(sys.sat[1].name, Name20("Quartz"));
    EXPECT_DOUBLE_EQ(sys.sat[1].moles, 1.5);
    EXPECT_DOUBLE_EQ(sys.sat[2].moles, 1e-9);  // trial amount 0
    ASSERT_EQ(sys.nreact, 3);
    EXPECT_DOUBLE_EQ(sys.react[1].amount, 0.025);  // 250 ppm
    EXPECT_DOUBLE_EQ(sys.react[2].amount, 12.5);
    EXPECT_DOUBLE_EQ(sys.react[3].amount, 3e-4);  // 3000 ppb
    ASSERT_EQ(sys.nsupp, 2);
    EXPECT_EQ(sys.supp[2], Name20("Anorthite"));
    ASSERT_EQ(sys.ndontfrac, 1);
    EXPECT_EQ(sys.dontfrac[1], Name20("Quartz"));
    ASSERT_EQ(sys.ncurve, 4);
    EXPECT_DOUBLE_EQ(sys.curve_t[4], 300.0);
    EXPECT_DOUBLE_EQ(sys.curve_p[4], 85.88);

    EXPECT_TRUE(contains(r.console, "  Quartz               is \"dont frac\" in this run\n"));
    EXPECT_TRUE(contains(r.console, "\n  This is an extended P(to 5 kB), T(to 600 C) run (CON_FLAG = 1).\n\n"));
    EXPECT_TRUE(contains(r.listing, "  This is an extended P(to 5 kB), T(to 600 C) run (CON_FLAG = 1).\n"));
}

// Defaults and cross-adjustments of the parameters and switches.
TEST(RunFileReader, AppliesDefaultsAndAdjustments) {
    struct Case {
        const char* name;
        std::string line4, line6, line8, options;
        std::function<void(const RunParams&, const std::string& console)> check;
    };
    const std::string l4 = "0 0 0 150 0 0 0 0", l6 = "0 100 0", l8 = "0 0 0 0 0 0 0 0";
    //                       CF C IF IP NL IS LS LO IE IT ID IS IN IC MS NE AW CH
    const std::string plain = "0 1 0 0 100 0 0 0 0 0 0 0 0 0 0 0 0 0";
    const std::vector<Case> cases = {
        {"zero values take their defaults", l4, l6, l8, plain,
         [](const RunParams& rp, const std::string& con) {
             EXPECT_DOUBLE_EQ(rp.ERPC, 1e-12);
             EXPECT_DOUBLE_EQ(rp.PFLUID, 500.0);
             EXPECT_DOUBLE_EQ(rp.SUPRNT, 1e-10);
             EXPECT_DOUBLE_EQ(rp.TOTWAT, 90.0);
             EXPECT_DOUBLE_EQ(rp.SINC, -5.0);
             EXPECT_EQ(reactant_unit_label(rp), " g      ");
             EXPECT_FALSE(contains(con, "ROCK DENSITY"));
         }},
        {"SINC 0 in a mixing run", "0 0 0 150 25 0 0 0", l6, l8, "0 1 0 0 100 0 0 0 0 0 0 0 0 0 1 0 0 0",
         [](const RunParams& rp, const std::string&) {
             EXPECT_DOUBLE_EQ(rp.SINC, 0.1);
             EXPECT_EQ(rp.MINSOL, 0);  // TEMPC switches titration off
         }},
        {"SINC 0 in a titration; rock density reset", l4, l6, l8, "0 1 0 0 100 0 0 0 0 0 0 0 1 0 1 0 0 0",
         [](const RunParams& rp, const std::string& con) {
             EXPECT_DOUBLE_EQ(rp.SINC, 0.1);
             EXPECT_DOUBLE_EQ(rp.RHOROC, 2.5);
             EXPECT_EQ(rp.INCREM, 1);
             EXPECT_TRUE(contains(con, "  INPUT ROCK DENSITY ZERO. RESET TO 2.5\n\n\n"));
         }},
        {"no rock density reset when fractionating", l4, l6, l8, "0 1 1 0 100 0 0 0 0 0 0 0 1 0 1 0 0 0",
         [](const RunParams& rp, const std::string& con) {
             EXPECT_DOUBLE_EQ(rp.RHOROC, 0.0);
             EXPECT_EQ(rp.INCREM, 0);  // IFRAC > 0
             EXPECT_FALSE(contains(con, "ROCK DENSITY"));
         }},
        {"given values are kept", "1e-9 7.5 250 150 0 10 1.1 3.0", "-2.5 50 1.25", "1 2 3 50 1e-8 0.5 6 1e-12", plain,
         [](const RunParams& rp, const std::string&) {
             EXPECT_DOUBLE_EQ(rp.ERPC, 1e-9);
             EXPECT_DOUBLE_EQ(rp.pH, 7.5);
             EXPECT_DOUBLE_EQ(rp.PFLUID, 250.0);
             EXPECT_DOUBLE_EQ(rp.RHOROC, 3.0);
             EXPECT_DOUBLE_EQ(rp.SINC, -2.5);
             EXPECT_DOUBLE_EQ(rp.TOTMIX, 1.25);
             EXPECT_DOUBLE_EQ(rp.TOTWAT, 50.0);
             EXPECT_DOUBLE_EQ(rp.AQGRM, 6.0);
             EXPECT_DOUBLE_EQ(rp.SUPRNT, 1e-12);
         }},
        {"flushing switches titration off", "0 0 0 150 0 0 0 0", l6, l8, "0 1 5 0 100 0 0 0 0 0 0 0 0 0 4 0 0 0",
         [](const RunParams& rp, const std::string&) {
             EXPECT_EQ(rp.MINSOL, 0);
             EXPECT_DOUBLE_EQ(rp.SINC, -5.0);  // MINSOL was reset before SINC's default
             EXPECT_EQ(reactant_unit_label(rp), " g      ");
         }},
        {"MINSOL 3 reports moles", l4, l6, l8, "0 1 0 0 100 0 0 0 0 0 0 0 0 0 3 0 0 0",
         [](const RunParams& rp, const std::string&) { EXPECT_EQ(reactant_unit_label(rp), " moles  "); }},
        {"pressure path turns the enthalpy report off", l4, "1 2 4.5", l8, "0 1 0 0 100 0 0 0 1 0 0 0 0 1 0 0 0 0",
         [](const RunParams& rp, const std::string&) {
             EXPECT_EQ(rp.IENTH, 0);
             EXPECT_DOUBLE_EQ(rp.TOTMIX, 4.5);
             EXPECT_DOUBLE_EQ(rp.enth_added, 0.0);
         }},
        {"enthalpy path takes TOTMIX as the enthalpy added", l4, "1 2 4.5", l8, "0 1 0 0 100 0 0 0 0 0 0 0 0 2 0 0 0 0",
         [](const RunParams& rp, const std::string&) {
             EXPECT_EQ(rp.IENTH, 1);
             EXPECT_DOUBLE_EQ(rp.TOTMIX, 0.0);
             EXPECT_DOUBLE_EQ(rp.enth_added, 4.5);
         }},
        {"run on the saturation curve", l4, l6, l8, "0 1 0 0 100 0 0 0 0 0 0 0 0 0 0 0 0 0",
         [](const RunParams&, const std::string& con) {
             EXPECT_TRUE(
                 contains(con, "\n    This run is at the P & T of L-V saturation (con_flag not equal to 1).\n\n"));
         }},
        {"values continue on the next line and take commas", "1e-9,7.5\n\n 250, 150 0\n10 1.1 3.0", l6, l8,
         "0 1 0 0\n 100 0 0 0 0 0 0 0 0 0 0 0 0 0",
         [](const RunParams& rp, const std::string&) {
             EXPECT_DOUBLE_EQ(rp.PFLUID, 250.0);
             EXPECT_DOUBLE_EQ(rp.RHOROC, 3.0);
             EXPECT_EQ(rp.NLOOP, 100);
         }},
        {"a slash ends a line's values early", "1e-9 7.5 250 150 /", l6, l8, plain,
         [](const RunParams& rp, const std::string&) {
             EXPECT_DOUBLE_EQ(rp.TEMP, 150.0);
             EXPECT_DOUBLE_EQ(rp.TEMPC, 0.0);
             EXPECT_DOUBLE_EQ(rp.RHOROC, 0.0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunFileParts p;
        p.line4 = c.line4;
        p.line6 = c.line6;
        p.line8 = c.line8;
        p.options = c.options;
        auto run = fresh_run();
        auto& rp = run->rp;
        const ReadOutcome r = read_text(p.text(), *run);
        ASSERT_EQ(r.status, 0) << r.console;
        c.check(rp, r.console);
    }
}

// Component rows: the gamma and molality rules, implied decimals, the block's end.
TEST(RunFileReader, ReadsComponentRows) {
    {
        RunFileParts p;
        p.comps = {comp_row("1", "H+", "12345", "-1", "-0.5", ""), comp_row("2", "H2O", "2.0", "0.0", "0.7", "1.5"),
                   comp_row("0", "", "9", "9", "9")};  // number 0 ends the block
        p.comp_terminator = false;
        p.minerals = {name_row("Quartz", "1")};  // so the caption after the block was skipped
        auto run = fresh_run();
        auto& sys = run->sys;
        auto& eq = run->eq;
        const ReadOutcome r = read_text(p.text(), *run);
        ASSERT_EQ(r.status, 0) << r.console;
        ASSERT_EQ(sys.nc, 2);
        EXPECT_DOUBLE_EQ(eq.comp[1].total, 12345e-13);  // no point: 13 implied decimals
        EXPECT_DOUBLE_EQ(eq.m[1], 1e-10);
        EXPECT_DOUBLE_EQ(eq.gamma[1], 1.0);
        EXPECT_DOUBLE_EQ(sys.comp[1].mix_total, 0.0);  // blank field
        EXPECT_DOUBLE_EQ(eq.gamma[2], 0.7);
        EXPECT_DOUBLE_EQ(eq.water_kg, 2.0);
        EXPECT_DOUBLE_EQ(sys.comp[2].mix_total, 1.5 * WATER_MOLES_PER_KG);
        ASSERT_EQ(sys.nsat, 1);
        EXPECT_EQ(sys.sat[1].name, Name20("Quartz"));
    }
    {
        // NEUT = 3 ignores every gamma; a negative water total takes the kilograms from the
        // molality column.
        RunFileParts p;
        p.options = "0 1 0 0 100 0 0 0 0 0 0 0 0 0 0 3 0 0";
        p.comps = {comp_row("1", "H+", "1.0", "1.0", "0.5"), comp_row("2", "H2O", "-1.0", "2.5", "0.8")};
        auto run = fresh_run();
        auto& eq = run->eq;
        const ReadOutcome r = read_text(p.text(), *run);
        ASSERT_EQ(r.status, 0) << r.console;
        EXPECT_DOUBLE_EQ(eq.gamma[1], 1.0);
        EXPECT_DOUBLE_EQ(eq.gamma[2], 1.0);
        EXPECT_DOUBLE_EQ(eq.water_kg, 2.5);
        EXPECT_DOUBLE_EQ(eq.comp[2].total, -WATER_MOLES_PER_KG);
    }
}

TEST(RunFileReader, AsksAboutMuchWater) {
    const std::string amount_line = "    You put   12.000 kg., or,    666.12 moles of water.\n";
    struct Case {
        const char* total;
        const char* answer;
        bool asked;
        int status;
    };
    const Case cases[] = {{"12.0", "n\n", true, 1}, {"12.0", "No way\n", true, 1}, {"12.0", "\n", true, 0},
                          {"12.0", "", true, 0},    {"12.0", "yes\n", true, 0},    {"10.0", "n\n", false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.total) + " answered '" + c.answer + "'");
        RunFileParts p;
        p.line8 = "0 0 0 0 0 0 5000 0";  // AQGRM given: the mass of so much water would not fit it
        p.comps[1] = comp_row("2", "H2O", c.total, "1.0", "1.0");
        auto run = fresh_run();
        const ReadOutcome r = read_text(p.text(), *run, c.answer);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(contains(r.console, amount_line), c.asked);
        if (c.asked) {
            EXPECT_TRUE(contains(r.console,
                                 "\n\n\n    In the Zarnrun file <total moles> column, component(2),\n"
                                 "      water, is read as kg., not moles as for the others.\n\n"));
            EXPECT_TRUE(contains(r.console, "\n\n    That seems like a LOT.\n\n    Continue? (Yes/No, Enter = Yes)\n"));
        }
    }
}

TEST(RunFileReader, ConvertsReactantUnits) {
    struct Case {
        std::string row;
        double amount;
    };
    const Case cases[] = {
        {name_row("Granite", "250.0", "ppm"), 0.025},        // line ends after the unit
        {name_row("Granite", "250.0", "ppm     x"), 0.025},  // only columns 41-48 count
        {name_row("Granite", "250.0", "ppb     "), 250e-7},
        {name_row("Granite", "250.0", "PPM"), 250.0},   // upper case is weight percent
        {name_row("Granite", "250.0", " ppm"), 250.0},  // the unit must start in column 41
        {name_row("Granite", "250.0", "ppmv"), 250.0},
        {name_row("Granite", "25000"), 25000e-12},  // 12 implied decimals
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        RunFileParts p;
        p.reactants = {c.row};
        auto run = fresh_run();
        auto& sys = run->sys;
        const ReadOutcome r = read_text(p.text(), *run);
        ASSERT_EQ(r.status, 0) << r.console;
        ASSERT_EQ(sys.nreact, 1);
        EXPECT_DOUBLE_EQ(sys.react[1].amount, c.amount);
    }
}

// Lists filled exactly to capacity are accepted, with their terminator. The component
// block holds at most 69 valid rows: 70 distinct numbers would hold both HS- (6) and O2 (31).
TEST(RunFileReader, AcceptsListsFilledToCapacity) {
    RunFileParts p;
    p.comps.clear();
    for (int k = 1; k <= MAX_COMPONENTS; ++k)
        if (k != 31) p.comps.push_back(comp_row(std::to_string(k), "", "1.0", "1.0", "1.0"));
    for (int k = 1; k <= MAX_SAT_MINERALS; ++k) p.minerals.push_back(name_row("Min" + std::to_string(k), "1"));
    for (int k = 1; k <= MAX_REACTANTS; ++k) p.reactants.push_back(name_row("Rock" + std::to_string(k), "1"));
    for (int k = 1; k <= MAX_SUPPRESSED; ++k) p.suppressed.push_back("Supp" + std::to_string(k));
    for (int k = 1; k <= MAX_DONT_FRAC; ++k) p.dontfrac.push_back("Keep" + std::to_string(k));
    for (int k = 1; k <= MAX_CURVE; ++k) p.curve.push_back(std::to_string(k) + " " + std::to_string(k * 2));
    auto run = fresh_run();
    auto& sys = run->sys;
    const ReadOutcome r = read_text(p.text(), *run);
    ASSERT_EQ(r.status, 0) << r.console;
    EXPECT_EQ(sys.nc, MAX_COMPONENTS - 1);
    EXPECT_EQ(sys.nsat, MAX_SAT_MINERALS);
    EXPECT_EQ(sys.nreact, MAX_REACTANTS);
    EXPECT_EQ(sys.nsupp, MAX_SUPPRESSED);
    EXPECT_EQ(sys.ndontfrac, MAX_DONT_FRAC);
    EXPECT_EQ(sys.ncurve, MAX_CURVE);
    EXPECT_EQ(sys.supp[MAX_SUPPRESSED], Name20("Supp500"));
}

// Every stop of the reader: its message, where it goes, and status 1.
TEST(RunFileReader, StopsWithAMessage) {
    struct Case {
        const char* name;
        std::function<void(RunFileParts&)> edit;
        std::string message;
        bool listing;  // the message goes to the listing too
        std::string answers = {};
    };
    auto many_comps = [](int n) {
        std::vector<std::string> rows;
        for (int k = 1; k <= n; ++k) rows.push_back(comp_row(std::to_string(k), "", "1", "1", "1"));
        return rows;
    };
    const std::string read_error_head =
        "\n     Error reading ZARNRUN in the following line, or the non-blank line above it.\n"
        "        Check if all parameters are present.\n\n---> ";
    const std::vector<Case> cases = {
        {"component number 71", [](RunFileParts& p) { p.comps.push_back(comp_row("71", "", "1", "1", "1")); },
         "\n  WARNING! SAQ( 3) =   71;  Maximum value allowed is  70\n\n", true},
        {"a 71st component row",
         [&](RunFileParts& p) {
             p.comps = many_comps(70);
             p.comps.push_back(comp_row("3", "", "1", "1", "1"));
         },
         "\n\n  ERROR! The number of components given in ZARNRUN exceeds the \n"
         "  current array dimension (70). Check ZARNRUN data file.\n\n",
         true},
        {"an unreadable line after 70 component rows",
         [&](RunFileParts& p) {
             p.comps = many_comps(70);
             p.comps.push_back("  x");
         },
         "\n  Unreadable number in line 88 of ZARNRUN.DAT: columns 1-5 should be the blank component "
         "number that ends a block of 70 components.\n  ---> ",
         true},
        {"a negative component number", [](RunFileParts& p) { p.comps.push_back(comp_row("-3", "", "1", "1", "1")); },
         "\n  Component number -3 in line 20 of ZARNRUN.DAT (component row 3) is negative; component numbers "
         "run from 1 to 70.\n",
         true},
        {"flushing without mixing water",
         [](RunFileParts& p) {
             p.options = "0 1 5 0 100 0 0 0 0 0 0 0 0 0 0 0 0 0";
             p.comps[1] = comp_row("2", "H2O", "1.0", "1.0", "1.0", "0");
         },
         "\n  No water indicated to put into BOX-1. Abort run.\n", true},
        {"HS- and O2 together",
         [](RunFileParts& p) {
             p.comps.push_back(comp_row("31", "", "1", "1", "1"));
             p.comps.push_back(comp_row("6", "", "1", "1", "1"));
         },
         "\n  WARNING! You have specified both HS- and O2 Aq. in your run file.\n"
         "  System is overdetermined -- RUN ABORTED.\n",
         true},
        {"C matching no component", [](RunFileParts& p) { p.options = "0 9 0 0 100 0 0 0 0 0 0 0 0 0 0 0 0 0"; },
         "\n  The charge-balance component C = 9 (option line 15 of ZARNRUN.DAT)\n"
         "  matches no component number of the component block.\n",
         true},
        {"a single component row", [](RunFileParts& p) { p.comps.pop_back(); },
         "\n  The component block of ZARNRUN.DAT (from line 18) holds 1 row(s); at least two are needed, the "
         "second being water.\n",
         true},
        {"a 41st saturated mineral",
         [](RunFileParts& p) {
             for (int k = 0; k <= MAX_SAT_MINERALS; ++k) p.minerals.push_back(name_row("M" + std::to_string(k), "1"));
         },
         "\n  Too many saturated minerals specified in ZARNRUN.  Limit =  40\n", true},
        {"a 51st reactant",
         [](RunFileParts& p) {
             for (int k = 0; k <= MAX_REACTANTS; ++k) p.reactants.push_back(name_row("R" + std::to_string(k), "1"));
         },
         "\n  Too many reactants specified in ZARNRUN.  Limit = 50\n", true},
        {"a 501st mineral to suppress",
         [](RunFileParts& p) {
             for (int k = 0; k <= MAX_SUPPRESSED; ++k) p.suppressed.push_back("S" + std::to_string(k));
         },
         "\n  Too many minerals to suppress in ZARNRUN.DAT: line 526 holds name 501; the limit is 500.\n", true},
        {"a 21st don't-fractionate mineral",
         [](RunFileParts& p) {
             for (int k = 0; k <= MAX_DONT_FRAC; ++k) p.dontfrac.push_back("D" + std::to_string(k));
         },
         "\n  Too many don't-fractionate minerals in ZARNRUN.DAT: line 48 holds name 21; the limit is 20.\n", true},
        {"a 201st curve point",
         [](RunFileParts& p) {
             for (int k = 1; k <= MAX_CURVE + 1; ++k) p.curve.push_back(std::to_string(k) + " 1");
         },
         "\n  Too many T-P curve points in ZARNRUN.DAT: line 230 holds point 201; the limit is 200.\n", true},
        {"curve temperatures not increasing",
         [](RunFileParts& p) {
             p.curve = {"100 10", "200 20", "200 30"};
         },
         "\n  The T-P curve temperatures in ZARNRUN.DAT must increase: line 32 gives 200.000 C after 200.000 C.\n",
         true},
        {"an unreadable mineral amount", [](RunFileParts& p) { p.minerals = {name_row("Quartz", "1.5x")}; },
         "\n  Unreadable number in line 22 of ZARNRUN.DAT: the trial moles (columns 23-40) of saturated mineral "
         "Quartz.\n  ---> " +
             name_row("Quartz", "1.5x"),
         true},
        {"an unreadable reactant amount", [](RunFileParts& p) { p.reactants = {name_row("Granite", "abc", "ppm")}; },
         "\n  Unreadable number in line 24 of ZARNRUN.DAT: the amount (columns 23-40) of reactant Granite.\n", true},
        {"an unreadable curve line",
         [](RunFileParts& p) {
             p.curve = {"100 10", "150 x"};
         },
         "  ERROR reading the P-T curve data list in ZARNRUN\n", false},
        {"a curve line with one number", [](RunFileParts& p) { p.curve = {"100"}; },
         "  ERROR reading the P-T curve data list in ZARNRUN\n", false},
        {"a bad parameter", [](RunFileParts& p) { p.line6 = "2 1O0 0"; }, read_error_head + "2 1O0 0", false},
        {"a fractional option", [](RunFileParts& p) { p.options = "0 1 0 0 100.5 0 0 0 0 0 0 0 0 0 0 0 0 0"; },
         read_error_head + "0 1 0 0 100.5", false},
        {"an option beyond 32 bits",
         [](RunFileParts& p) { p.options = "0 1 0 0 3000000000 0 0 0 0 0 0 0 0 0 0 0 0 0"; },
         read_error_head + "0 1 0 0 3000000000", false},
        {"a bad component row", [](RunFileParts& p) { p.comps[0] = comp_row("1", "H+", "1.0", "1.0e-7", "one"); },
         read_error_head + "    1 H+", false},
        {"a bad component number", [](RunFileParts& p) { p.comps[0] = comp_row("1.5", "H+", "1.0", "1.0e-7", "1"); },
         read_error_head + "  1.5 H+", false},
        {"a huge exponent", [](RunFileParts& p) { p.comps[0] = comp_row("1", "H+", "1.0E999", "1.0e-7", "1"); },
         read_error_head + "    1 H+", false},
        {"too few options before the captions", [](RunFileParts& p) { p.options = "0 1 0 0 100 0 0"; },
         read_error_head + " saq> <   name   >", false},  // the caption is taken for the rest
        {"much water refused", [](RunFileParts& p) { p.comps[1] = comp_row("2", "H2O", "50.0", "1", "1"); },
         "    Continue? (Yes/No, Enter = Yes)\n", false, "n\n"},
        {"a component number given twice",
         [](RunFileParts& p) {
             p.comps.push_back(comp_row("7", "K+", "1", "1", "1"));
             p.comps.push_back(comp_row("7", "K+", "1", "1", "1"));
         },
         "\n  Component number 7 is given twice in ZARNRUN.DAT: in line 20 (component row 3) and in line 21 "
         "(component row 4).\n",
         true},
        {"water not in the second row", [](RunFileParts& p) { p.comps[1] = comp_row("7", "K+", "1", "1", "1"); },
         "\n  Component row 2 (line 19 of ZARNRUN.DAT) gives component number 7; row 2 must be water, number 2.\n",
         true},
        {"no water", [](RunFileParts& p) { p.comps[1] = comp_row("2", "H2O", "0.0", "1", "1"); },
         "\n  kg of water (component row 2) = 0 in line 19 of ZARNRUN.DAT is out of range;\n"
         "  expected: more than 0 kg.\n",
         true},
        {"so much water that AQGRM cannot hold the solution",
         [](RunFileParts& p) { p.comps[1] = comp_row("2", "H2O", "10.0", "1", "1"); },
         "\n  kg of water (component row 2) = 10 in line 19 of ZARNRUN.DAT is out of range;\n", true},
        {"negative mixing water", [](RunFileParts& p) { p.comps[1] = comp_row("2", "H2O", "1.0", "1", "1", "-1.0"); },
         "  kg of water of the mixing solution (component row 2) = -1 in line 19", true},
        {"negative trial moles", [](RunFileParts& p) { p.minerals = {name_row("Quartz", "-1.5")}; },
         "  the trial moles of Quartz = -1.5 in line 22 of ZARNRUN.DAT is out of range;", true},
        {"negative reactant", [](RunFileParts& p) { p.reactants = {name_row("Granite", "-5.0")}; },
         "  the amount of Granite = -5 in line 24", true},
        {"negative curve pressure",
         [](RunFileParts& p) {
             p.curve = {"100 10", "200 -5"};
         },
         "  the T-P curve pressure = -5 in line 31", true},
        {"curve temperature too wide",
         [](RunFileParts& p) {
             p.curve = {"100 10", "1e6 20"};
         },
         "  the T-P curve temperature = 1000000 in line 31", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunFileParts p;
        c.edit(p);
        auto run = fresh_run();
        const ReadOutcome r = read_text(p.text(), *run, c.answers);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(contains(r.console, c.message)) << r.console;
        if (c.listing) {
            EXPECT_TRUE(contains(r.listing, c.message)) << r.listing;
        }
    }
}

// Every value with a valid range, at and just past its bounds: a value outside stops the
// run naming the field and its line, before anything is written.
TEST(RunFileReader, ChecksEveryValueAgainstItsRange) {
    struct Case {
        std::string edit;  // "line4 i v", "line8 i v" or "opt i v": value i (0-based) set to v
        bool accepted;
        std::string message = {};  // the start of the message's first line
    };
    const std::vector<Case> cases = {
        {"line4 0 -1e-12", false, "ERPC = -1e-12 in line 5"},
        {"line4 0 0.1", true},
        {"line4 0 0.2", false},
        {"line4 1 -2", true},
        {"line4 1 -2.01", false, "pH = -2.01 in line 5"},
        {"line4 1 16", true},
        {"line4 1 16.5", false},
        {"line4 2 -5", false, "PFLUID = -5 in line 5"},
        {"line4 2 9999.9999", true},
        {"line4 2 10000", false},
        {"line4 3 0", false, "TEMP = 0 in line 5"},
        {"line4 3 0.01", true},
        {"line4 3 400", true},
        {"line4 3 400.5", false},
        {"line4 4 -5", false, "TEMPC = -5"},
        {"line4 5 -1", false, "VBOX-1 = -1"},
        {"line4 6 -0.5", false, "RHOFRS = -0.5"},
        {"line4 7 -1", false},
        {"line8 0 99999.9999", true},
        {"line8 0 100000", false, "ENTH = 100000 in line 11"},
        {"line8 1 -10000", false},
        {"line8 3 100", true},
        {"line8 3 101", false, "TOTWAT = 101"},
        {"line8 3 -5", false},
        {"line8 5 -0.5", false, "RM = -0.5"},
        {"line8 6 9999.9999", true},
        {"line8 6 10000", false, "AQGRM = 10000"},
        {"line8 7 -1e-10", false, "SUPRNT = -1e-10"},
        {"opt 0 2", false, "CONFLG = 2 in line 15"},
        {"opt 2 4", true},
        {"opt 2 6", false, "IFRAC = 6"},
        {"opt 3 3", false, "IPUNCH = 3"},
        {"opt 4 -1", false, "NLOOP = -1"},
        {"opt 4 99999", true},
        {"opt 4 100000", false},
        {"opt 5 3", false, "ISTEP = 3"},
        {"opt 6 2", true},
        {"opt 6 3", false, "LIMSOL = 3"},
        {"opt 7 2", false, "LOOC = 2"},
        {"opt 8 2", false, "IENTH = 2"},
        {"opt 9 3", false, "ITREF = 3"},
        {"opt 10 -1", false, "IDEAL = -1"},
        {"opt 11 2", false, "IPSAT = 2"},
        {"opt 12 2", false, "INCREM = 2"},
        {"opt 13 3", false, "INCP = 3"},
        {"opt 14 5", false, "MINSOL = 5"},
        {"opt 15 100000", false, "NEUT = 100000"},
        {"opt 16 2", false, "AWAT = 2"},
        {"opt 17 2", false, "CHGF = 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edit);
        std::istringstream edit(c.edit);
        std::string where, value;
        std::size_t i = 0;
        edit >> where >> i >> value;
        RunFileParts p;
        std::string& line = where == "line4" ? p.line4 : where == "line8" ? p.line8 : p.options;
        std::vector<std::string> values;
        std::istringstream in(line);
        for (std::string v; in >> v;) values.push_back(v);
        values[i] = value;
        line.clear();
        for (const std::string& v : values) line += v + " ";
        auto run = fresh_run();
        const ReadOutcome r = read_text(p.text(), *run);
        EXPECT_EQ(r.status, c.accepted ? 0 : 1) << r.console;
        if (c.accepted) {
            std::string unreadable;  // a value at its bound still fits its pickup column
            (void)pickup_text(run->sys, run->eq, run->rp, &unreadable);
            EXPECT_EQ(unreadable, "");
            continue;
        }
        EXPECT_TRUE(contains(r.console, " of ZARNRUN.DAT is out of range;\n  expected: ")) << r.console;
        EXPECT_TRUE(contains(r.console, "\n  " + c.message)) << r.console;
        EXPECT_EQ(r.listing.find("This run is at the P & T"), std::string::npos);  // stopped before the run-mode line
    }
}

// The extended grid reaches 610 C.
TEST(RunFileReader, TemperatureRangeFollowsTheData) {
    for (const auto& [temp, status] : std::vector<std::pair<std::string, int>>{{"610", 0}, {"611", 1}, {"0", 1}}) {
        RunFileParts p;
        p.line4 = "0 0 0 " + temp + " 0 0 0 0";
        p.options = "1 1 0 0 100 0 0 0 0 0 0 0 0 0 0 0 0 0";
        auto run = fresh_run();
        const ReadOutcome r = read_text(p.text(), *run);
        EXPECT_EQ(r.status, status) << temp << r.console;
        if (status == 1) {
            EXPECT_TRUE(
                contains(r.console, "expected: a temperature from 0.01 to 610 C, where the data of the extended"));
        }
    }
}

TEST(RunFileReader, ShowsTheBadLineAndWaitsForEnter) {
    RunFileParts p;
    p.line4 = "0 0 0 150 0 0 zero 0" + std::string(100, '#');
    auto run = fresh_run();
    const ReadOutcome r = read_text(p.text(), *run, "\nleft over\n");
    EXPECT_EQ(r.status, 1);
    const std::string shown = "---> " + ("0 0 0 150 0 0 zero 0" + std::string(76, '#')) + "\n\n";
    EXPECT_TRUE(r.console.ends_with(shown)) << r.console;
    EXPECT_EQ(r.input_left, "left over\n");  // exactly one console line was read
    EXPECT_EQ(r.listing, "");
}

// A file cut short anywhere before the T-P curve caption stops with a message naming the
// line it ends at; from the curve caption on, the end of the file is a regular end.
TEST(RunFileReader, StopsOnAFileThatEndsEarly) {
    RunFileParts p = rich_parts();
    p.line4 = "1.0E-11 0 0 175.0\n0 250.0 1.02 2.65";  // values spread over two lines
    const std::string text = p.text();
    std::vector<std::size_t> ends;  // offset after each line
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') ends.push_back(i + 1);
    const std::size_t caption = text.find("<  T-P curve data  >");
    for (std::size_t n = 0; n < ends.size(); ++n) {
        const std::string cut = text.substr(0, n == 0 ? 0 : ends[n - 1]);
        SCOPED_TRACE("first " + std::to_string(n) + " lines");
        auto run = fresh_run();
        const ReadOutcome r = read_text(cut, *run);
        if (cut.size() > caption) {
            EXPECT_EQ(r.status, 0) << r.console;
        } else {
            EXPECT_EQ(r.status, 1);
            const std::string message = "\n  ZARNRUN.DAT ends early: line " + std::to_string(n + 1) + " should hold ";
            EXPECT_TRUE(contains(r.console, message)) << r.console;
            EXPECT_TRUE(contains(r.listing, message));
        }
    }
}

TEST(RunFileReader, EndsNameBlocksAtTheEndOfTheFile) {
    RunFileParts p;
    p.curve = {"100 10", "200 20", "0 99", "300 30"};  // a zero temperature ends the curve
    auto run = fresh_run();
    auto& sys = run->sys;
    auto& rp = run->rp;
    const ReadOutcome r = read_text(p.text(), *run);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(sys.ncurve, 2);
    EXPECT_DOUBLE_EQ(rp.PFLUID, 15.0);

    p.curve = {"100 10", std::string(80, ' ') + "x", "300 30"};  // 80 blanks end the curve
    const ReadOutcome r2 = read_text(p.text(), *run);
    ASSERT_EQ(r2.status, 0);
    EXPECT_EQ(sys.ncurve, 1);

    p.curve = {"100 10 extra words are ignored", "200 20," + std::string(80, ' ') + "junk"};
    const ReadOutcome r3 = read_text(p.text(), *run);
    ASSERT_EQ(r3.status, 0) << r3.console;
    EXPECT_EQ(sys.ncurve, 2);
}

}  // namespace
}  // namespace zq::test
