// Results listing: the exact layout of every block, on states written into the tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "driver/program.h"
#include "output/results_listing.h"
#include "solver/equilibrium_charge.h"
#include "support/chem_builder.h"
#include "support/db_stage.h"

namespace zq::test {
namespace {

constexpr double W0 = WATER_MOLES_PER_KG;
const double H = std::ldexp(1.0, -23);  // 1.1920929e-07, exact in binary

std::string pad(std::string s, std::size_t w) {
    s.resize(w, ' ');
    return s;
}
std::string blanks(std::size_t n) { return std::string(n, ' '); }

// H+, H2O, a chloride with a long name and Na+ at 0.125 molal (gamma 0.5), OH- and an ion
// pair below the print threshold: every sum of the listing is exact in binary.
struct Brine {
    ChemBuilder b;
    Brine() {
        b.component("H+", 1, 1.008, 0.0, H);
        b.component("H2O", 0, 18.015, W0, 1.0);
        b.component("Chloride-ion-long", -1, 35.453, 0.125, 0.125);
        b.component("Na+", 1, 22.99, 0.125, 0.125);
        b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
        b.species("NaCl,aq", 0, 0.5, {{1, 3}, {1, 4}});
        EquilibriumState& s = b.eq;
        s.m[2] = 1.0;
        s.m[5] = H;
        s.m[6] = 1e-11;
        s.gamma[3] = s.gamma[4] = 0.5;
        for (int i = 1; i <= b.sys.ns; ++i) s.act[i] = s.m[i] * s.gamma[i];
        s.actmodel.I_st = 0.1;
        s.actmodel.phi = 0.9;
        s.actmodel.I = 0.125;
        b.rp.C = 3;
        b.state.charge_limit = 1e-4 * 0.125;
        res.iterations = 7;
    }
    std::string run() {
        list_solve(*b.run, res, *b.io);
        return b.listing();
    }
    SolveResult res;
};

// With no phase in the matrix the listing goes from the species table and its charge
// balance straight to the solids line; derived species below SUPRNT are left out, component
// species never; names are cut to 12; the water row has no molality columns.
TEST(ListingLayout, SolutionWithoutPhases) {
    for (double suprnt : {1e-10, 1e-6}) {
        SCOPED_TRACE(suprnt);
        Brine brine;
        brine.b.rp.SUPRNT = suprnt;
        const std::string row1 =
            "   1 H+           0.11921E-06   -6.9237 0.11921E-06   -6.9237 0.10000E+01    0.0000\n";
        const std::string row5 =
            "   5 OH-          0.11921E-06   -6.9237 0.11921E-06   -6.9237 0.10000E+01    0.0000\n";
        const std::string want =
            "\n " + std::string(80, '+') + "\n " + pad("Test system", 120) + "\n " + pad("built in the tables", 120) +
            "\n " + std::string(80, '+') +
            "\n\n"
            "  Number of loops used =    7   Loop limit =  100\n"
            "\n"
            "  Temperature =  25.00 C   Pressure =    1.00 bar   Mixer fraction =       0.0000000\n"
            "\n"
            "  Water: Moles liquid = 0.5551E+02   kg liquid  = 0.1000E+01\n"
            "         Moles total  = 0.5551E+02   kg total   = 0.1000E+01  Activity = 1.0000\n"
            "  Stoichiometric ionic strength = .1000000E+00   Osmotic coef. =  0.9000\n"
            "  True ionic strength = .1250000E+00\n"
            "  Chg. balance for total moles = 0.0000E+00   Max. difference allowed = 0.1250E-04\n"
            "\n" +
            blanks(34) + "Log" + blanks(20) + "Log" + blanks(18) + "Log\n" +
            "   Species(n)       Molality   Molality    Activity   Activity    Gamma      Gamma\n"
            "\n" +
            row1 + "   2 H2O         " + blanks(23) + "0.10000E+01    0.0000 0.10000E+01    0.0000\n" +
            "   3 Chloride-ion 0.12500E+00   -0.9031 0.62500E-01   -1.2041 0.50000E+00   -0.3010\n"
            "   4 Na+          0.12500E+00   -0.9031 0.62500E-01   -1.2041 0.50000E+00   -0.3010\n" +
            (suprnt < H ? row5 : "") +
            "\n"
            "  Charge balance for all species = 0.0000E+00\n"
            "\n"
            "  Solid products produced:  Mass =    0.000000 g     Volume =    0.000000 cm3\n";
        EXPECT_EQ(brine.run(), want);
        EXPECT_EQ(brine.b.console(),
                  "\n  Chg. balance for total moles = 0.0000E+00   Max. difference allowed = 0.1250E-04\n");
        // The mass of the solution: formula weight times aqueous moles, water included.
        EXPECT_DOUBLE_EQ(brine.b.ps.totals.solution_grams, W0 * 18.015 + 0.125 * 35.453 + 0.125 * 22.99);
        // An AQGRM of 0 takes the mass of the first listed solution, phases or not.
        EXPECT_DOUBLE_EQ(brine.b.rp.AQGRM, brine.b.ps.totals.solution_grams);
    }
}

// The optional lines, each with the option that brings it in, in listing order.
TEST(ListingLayout, OptionalLines) {
    struct Case {
        const char* what;
        std::function<void(ChemBuilder&, NewtonState&)> set;
        std::vector<std::string> lines;  // in this order, each a whole line
    };
    const std::vector<Case> cases = {
        {"enthalpy path",
         [](ChemBuilder& b, NewtonState&) { b.rp.IENTH = 1, b.rp.ENTH = -12.5, b.rp.INCP = 2, b.rp.enth_added = 3.25; },
         {"      Total current enthalpy =   -12.5000 KCAL", "",
          blanks(23) + "Starting enthalpy + total enthalpy added =    3.25000",
          "  Water: Moles liquid = 0.5551E+02   kg liquid  = 0.1000E+01"}},
        {"fixed-pH correction",
         [](ChemBuilder& b, NewtonState& c) { b.rp.pH = 6, c.charge_correction = -1.5; },
         {"  Chg. balance for total moles = 0.0000E+00   Max. difference allowed = 0.1250E-04", "",
          "  Correction on mtot of Chloride-ionfor charge balance =    -1.5000percent", ""}},
        {"the imbalance held since the start, not one of the current totals",
         [](ChemBuilder& b, NewtonState&) { b.eq.chg_start = 3e-6, b.eq.comp[3].total = 0.25; },
         {"  Chg. balance for total moles = 0.3000E-05   Max. difference allowed = 0.1250E-04", ""}},
        {"mixing",
         [](ChemBuilder& b, NewtonState&) { b.rp.TEMPC = 80, b.rp.TOTMIX = 0.25; },
         {"", "  Total fraction of mixing solution added:     0.2500000", "",
          "  Solid products produced:  Mass =    0.000000 g     Volume =    0.000000 cm3"}},
        {"titration",
         [](ChemBuilder& b, NewtonState&) { b.rp.MINSOL = 1, b.rp.TOTMIX = 2.5, b.rp.VBOX1 = 10, b.rp.AQGRM = 1000; },
         {"  Solid products produced:  Mass =    0.000000 g     Volume =    0.000000 cm3",
          "    Porosity:   100.0000%  V(tot) - V(min): 0.10000E+02", "",
          "  Reactant consumed:       2.5000000  g       log =   0.3979", "  Original solution:    1000.0000000  g ",
          "", "  Original solution / Rock added:       400.00  (Water/Rock Ratio), log =    2.6021"}},
        {"titration from an AQGRM of 0: the first solution's mass",
         [](ChemBuilder& b, NewtonState&) { b.rp.MINSOL = 1, b.rp.TOTMIX = 2.5, b.rp.IFRAC = 1; },
         {"  Solid products produced:  Mass =    0.000000 g     Volume =    0.000000 cm3", "",
          "  Reactant consumed:       2.5000000  g       log =   0.3979", "  Original solution:    1007.2865024  g ",
          "", "  Original solution / Rock added:       402.91  (Water/Rock Ratio), log =    2.6052"}},
        {"missing densities",
         [](ChemBuilder& b, NewtonState&) { b.sys.missing_density = true; },
         {"  Solid products produced:  Mass =    0.000000 g     Volume =    0.000000 cm3",
          "    WARNING: mineral volume may be in error because some mineral densities ",
          "    were not supplied in DORNEVAL.  See mineral list in file Skip_Species.txt."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Brine brine;
        c.set(brine.b, brine.b.state);
        const std::vector<std::string> got = split_lines(brine.run());
        // The expected lines stand together, in this order, somewhere in the listing.
        bool found = false;
        for (std::size_t at = 0; at + c.lines.size() <= got.size() && !found; ++at)
            found = std::equal(c.lines.begin(), c.lines.end(), got.begin() + static_cast<long>(at));
        EXPECT_TRUE(found) << brine.b.listing();
    }
}

// A mineral, a mineral with negative moles and a gas in the matrix: the component tables,
// the phase tables (the first also on the console), the gas weight per cent and the
// solids-charge warning.
TEST(ListingLayout, PhaseTables) {
    ChemBuilder b;
    b.component("H+", 1, 1.008, 0.0, 1e-7);
    b.component("H2O", 0, 18.015, W0, 1.0);
    b.component("Cl-", -1, 35.453, 0.125, 0.125);
    b.component("Calcium-long-name", 2, 40.08, 0.41, 0.01);
    b.mineral("Ca-mineral", 1.0, 100.0, 2.5, {{1, 4}}, 0.5, true);
    b.mineral("Negative-one", 1.0, 100.0, 2.5, {{1, 4}}, -0.1, true);
    b.mineral("CO2,gas", 1.0, 44.01, 0.0, {{1, 1}}, 0.01, true, 0, 1.0, true);
    EquilibriumState& s = b.eq;
    s.m[2] = 1.0;
    s.gamma[3] = 0.5;
    s.gamma[4] = 0.25;
    for (int i = 1; i <= b.sys.ns; ++i) s.act[i] = s.m[i] * s.gamma[i];
    s.comp[4].solid = 0.4;
    s.comp[1].gas = 0.01;
    b.rp.C = 3;
    b.state.charge_limit = 1.25e-5;
    SolveResult res;
    res.end = SolveEnd::LoopLimit, res.iterations = 9;
    list_solve(*b.run, res, *b.io);
    const std::string text = b.listing();
    const std::vector<std::string> lines = split_lines(text);
    auto after = [&](const std::string& head) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == head)
                return std::vector<std::string>(lines.begin() + static_cast<long>(i) + 1, lines.end());
        ADD_FAILURE() << "no line [" << head << "]";
        return std::vector<std::string>(8);
    };

    const auto comp1 = after(blanks(41) + "(total)");
    EXPECT_EQ(comp1[0], "");
    // log a(Ca) - 2 log a(H+) = log 0.0025 + 14; log a(Cl) + log a(H+) = log 0.0625 - 7.
    EXPECT_EQ(comp1[3].substr(0, 23), "     3 Cl-" + blanks(13));
    EXPECT_EQ(comp1[3].substr(comp1[3].size() - 10), "   -8.2041");
    EXPECT_EQ(comp1[4].substr(0, 36), "     4 Calcium-long    0.1000000E-01");
    EXPECT_EQ(comp1[4].substr(comp1[4].size() - 10), "   11.3979");

    const auto comp2 = after("    Component          Tot moles       Aq. moles       Solid moles     Gas moles");
    EXPECT_EQ(comp2[1], "     1 H+             0.0000000E+00   -.1000000E-01   0.0000000E+00   0.1000000E-01");
    EXPECT_EQ(comp2[4], "     4 Calcium-long   0.4100000E+00   0.1000000E-01   0.4000000E+00   0.0000000E+00");
    EXPECT_EQ(comp2[6].substr(0, 53), "  Chg. balance for solid moles: 0.8100E+00  Mass of a");

    const std::string heading1 = blanks(36) + "Log" + blanks(18) + "Log" + blanks(17) + "Vol";
    const std::string heading2 = " Gas or mineral        Moles       Moles     Grams      Grams     Wt.%      (cm3)";
    const std::vector<std::string> table = {
        "",
        heading1,
        heading2,
        "",
        // 1X A20 1X, G10.4 2X F7.3 2X, G10.4 2X F7.3 2X, G10.4 1X G10.4
        " Ca-mineral          " + blanks(1) + "0.5000    " + blanks(2) + " -0.301" + blanks(2) + " 50.00    " +
            blanks(2) + "  1.699" + blanks(2) + " 125.0    " + blanks(1) + " 20.00    ",
        " Negative-one        " + blanks(1) + "-.1000    " + blanks(2) + "  1.000" + blanks(2) + "-10.00    " +
            blanks(2) + "  1.000" + blanks(2) + "-25.00    " + blanks(1) + "-4.000    ",
        " CO2,gas             " + blanks(1) + "0.1000E-01" + blanks(2) + " -2.000" + blanks(2) + "0.4401    " +
            blanks(2) + " -0.356" + blanks(2) + " 100.0    " + blanks(1) + " 247.9    ",
        "",
        blanks(37) + "Partial press.   Fugacity coef   Log fugacity",
        "Gas or Mineral     Mole fraction      or activity     Activity coef   Log activity",
        "",
        pad("Ca-mineral           0.1000E+01        0.1000E+01         1.0000          0.000", 92),
        pad("Negative-one         0.1000E+01        0.1000E+01         1.0000          0.000", 92),
        pad("CO2,gas              0.1000E+01        0.1000E+01         1.0000          0.000", 92),
        "",
    };
    const auto tail = after("  Temperature =  25.00 C   Pressure =    1.00 bar   Mixer frac. =       0.0000000");
    for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(tail[i], table[i]) << "table line " << i;
    EXPECT_EQ(tail[15].substr(0, 33), "  Current weight percent of gas: ");
    EXPECT_EQ(tail[16], "");
    EXPECT_EQ(tail[17], "  Charge balance of solids exceeds 1.E-8. Check for");
    EXPECT_EQ(tail[18], "  stochiometry error in last saturated mineral.");
    EXPECT_EQ(tail[21], "  Solid products produced:  Mass =   40.000000 g     Volume =   16.000000 cm3");

    // The first phase table and the solids warning also go to the console, the second not.
    const std::string con = b.console();
    for (std::size_t i = 1; i <= 6; ++i) EXPECT_NE(con.find(table[i] + "\n"), std::string::npos) << table[i];
    EXPECT_NE(con.find(tail[17]), std::string::npos);
    EXPECT_EQ(con.find("Partial press."), std::string::npos);
    EXPECT_DOUBLE_EQ(b.ps.totals.solids_grams, 40.0);
    EXPECT_DOUBLE_EQ(b.ps.totals.solids_volume, 16.0);
    EXPECT_DOUBLE_EQ(b.ps.totals.gas_grams, 0.4401);
    EXPECT_DOUBLE_EQ(b.rp.AQGRM, b.ps.totals.solution_grams);  // AQGRM 0 takes the mass of the solution
}

// Solid-solution members show their mole fraction, activity lambda X^n and its log; a
// mixed gas its fraction, partial pressure and log fugacity.
TEST(ListingLayout, SolutionMembersInThePhaseTable) {
    ChemBuilder b;
    b.component("H+", 1, 1.008, 0.0, 1e-7);
    b.component("H2O", 0, 18.015, W0, 1.0);
    b.component("Ca++", 2, 40.08, 0.0, 1e-3);
    b.mineral("Member-A", 1.0, 100.0, 2.5, {{1, 3}}, 0.75, true, 3, 2.0);
    b.mineral("Member-B", 1.0, 100.0, 2.5, {{1, 3}}, 0.25, true, 3, 2.0);
    b.mineral("H2O,gas", 1.0, 18.015, 0.0, {{1, 2}}, 0.3, true, 6, 1.0, true);
    b.mineral("CO2,gas", 1.0, 44.01, 0.0, {{1, 2}}, 0.1, true, 6, 1.0, true);
    b.rp.PFLUID = 10.0;
    b.start();
    b.eq.phase[1].lambda = 0.8;
    b.eq.phase[4].lambda = 0.5;
    SolveResult res;
    res.end = SolveEnd::LoopLimit, res.iterations = 9;
    list_solve(*b.run, res, *b.io);
    const std::string text = b.listing();
    // 0.8 * 0.75^2 = 0.45; 0.25^2 = 0.0625; the gases at 0.75 and 0.25 of 10 bar.
    for (const char* line : {"Member-A             0.7500E+00        0.4500E+00         0.8000         -0.347",
                             "Member-B             0.2500E+00        0.6250E-01         1.0000         -1.204",
                             "H2O,gas              0.7500E+00        0.7500E+01         1.0000          0.875",
                             "CO2,gas              0.2500E+00        0.2500E+01         0.5000          0.097"})
        EXPECT_NE(text.find(pad(line, 92) + "\n"), std::string::npos) << line;
}

TEST(ListingLayout, IdealMixingLine) {
    struct Case {
        int ideal, ngasmix;
        const char* line;
    };
    const Case cases[] = {
        {0, 0, "  NON-Ideal mixing with H2O,  AND ALL Gases"},
        {1, 2, "      Ideal mixing with H2O, CO2      Gases"},
        {2, 3, "      Ideal mixing with H2O, CO2, CH4 Gases"},
        {0, 1, "  NON-Ideal mixing with H2O,  AND ALL Gases"},
    };
    for (const Case& c : cases) {
        ChemBuilder b;
        b.rp.IDEAL = c.ideal;
        b.sys.ngasmix = c.ngasmix;
        write_ideal_mixing_line(b.sys, b.rp, *b.io);
        EXPECT_EQ(b.listing(), std::string("\n") + c.line + "\n\n");
    }
}

// The charge of the equilibrated solution against 1e-4 T(C) / W_kg: equal passes, above
// stops unless CHGF is 1, which moves the imbalance into T(C) without a word.
TEST(EquilibriumCharge, LimitStopAndSilentAdjustment) {
    const std::string message =
        "\n  Charge imbalance of aq. solution exeeds given limit.\n"
        "  Current limit is: 1.e-4 * aq. molality of Cl-         \n"
        "  check for convergence problems, or stochiometry error, or\n"
        "  charge imbalance of mixing solution. EXECUTION ABORTED.\n\n";
    struct Case {
        double q;
        int chgf;
        int status;
        double total_after;
    };
    // T(Cl-) = 0.5 in 2 kg of water: the limit is 5e-5 / 2 = 2.5e-5 molal.
    const Case cases[] = {
        {2.5e-5, 0, -1, 0.5},      {-2.5e-5, 0, -1, 0.5},      {2.6e-5, 0, 1, 0.5},
        {3e-5, 1, -1, 0.5 + 6e-5}, {-3e-5, 1, -1, 0.5 - 6e-5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.q) + " CHGF " + std::to_string(c.chgf));
        ChemBuilder b;
        b.component("H+", 1, 1.008, 0.0, 1e-7);
        b.component("H2O", 0, 18.015, 2 * W0, 1.0);
        b.component("Cl-", -1, 35.453, 0.5, 0.25);
        b.rp.C = 3;
        b.eq.water_kg = 2.0;
        b.rp.CHGF = c.chgf;
        b.eq.chg_start = 1e-6;
        EXPECT_EQ(stop_status([&] { check_equilibrium_charge(b.sys, b.rp, c.q, 5e-5, b.eq, *b.io); }), c.status);
        EXPECT_NEAR(b.eq.comp[3].total, c.total_after, 1e-15);
        // An adjustment leaves the totals balanced; the listing shows 0 from then on.
        EXPECT_EQ(b.eq.chg_start, c.total_after != 0.5 ? 0.0 : 1e-6);
        EXPECT_EQ(b.console(), c.status == 1 ? message : "");
        EXPECT_EQ(b.listing(), c.status == 1 ? message : "");
    }
}

// The charge is checked only after a normal end of the solve: neither at the loop limit nor
// with ISTEP 1.
TEST(EquilibriumCharge, CheckedOnlyAfterANormalSolve) {
    struct Case {
        bool loop_limit;
        int istep;
        int status;
    };
    for (const Case& c : {Case{false, 0, 1}, Case{true, 0, -1}, Case{false, 1, -1}}) {
        Brine brine;
        brine.b.eq.m[3] = 0.25;  // a chloride excess far above the limit
        brine.b.rp.ISTEP = c.istep;
        if (c.loop_limit) brine.res.end = SolveEnd::LoopLimit;
        EXPECT_EQ(stop_status([&] { brine.run(); }), c.status);
    }
}

}  // namespace
}  // namespace zq::test
