#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <sstream>
#include <string>

#include "driver/run_state.h"
#include "format/text_io.h"
#include "path/fractionation.h"
#include "support/run_dir.h"

namespace zq {
namespace {

using test::Session;

using Totals = std::array<double, 3>;

// Three components (H+, H2O, Ca++) with totals T, solid moles S and gas moles G as the
// Newton iteration leaves them. The matrix holds a gas and two minerals: "Keepite"
// (Ca++ + 0.5 H+, 0.125 moles) is kept by the don't-fractionate list, "Dropite" is not.
// The fresh fluid of BOX-1 is 50 moles of water and 2.5 of Ca++: 1000 grams.
constexpr Totals T = {0.5, 60.0, 3.0}, S = {0.25, 0.0, 1.0}, G = {0.0, 2.0, 0.0};

struct Step {
    std::unique_ptr<RunState> run = std::make_unique<RunState>();
    ChemicalSystem& sys = run->sys;
    EquilibriumState& eq = run->eq;
    RunParams& rp = run->rp;
    PathState& ps = run->ps;
    Session s;

    Step() {
        ChemicalSystem& y = sys;
        y.nc = y.ns = 3;
        const double gfw[] = {1.0, 18.0, 40.0}, fresh[] = {0.0, 50.0, 2.5};
        for (int k = 1; k <= 3; ++k) {
            y.sp[k].gfw = gfw[k - 1];
            eq.comp[k] = {T[k - 1], S[k - 1], G[k - 1]};
            y.comp[k].mix_total = fresh[k - 1];
        }
        phase(1, "H2O,gas", "GAS ", {{1.0, 2}}, 2.0);
        phase(2, "Keepite", "    ", {{1.0, 3}, {0.5, 1}}, 0.125);
        phase(3, "Dropite", "    ", {{1.0, 3}}, 0.875);
        eq.nph = 3;
        for (int j = 1; j <= 3; ++j) eq.ph[j] = j;
        y.ndontfrac = 3;
        y.dontfrac[1] = Name20("Keepite"), y.dontfrac[2] = Name20("H2O,gas"), y.dontfrac[3] = Name20("Absentite");
        ps.totals.solution_grams = 1000.0;
        ps.totals.solids_volume = 50.0;
        rp.SINC = ps.CURINC = 0.5;
        rp.VBOX1 = 100.0, rp.RHOFRS = 1.0, rp.SLIM = 100.0, rp.TOTMIX = 0.0;
        ps.GRMCOM = 1000.0;
    }
    void phase(int i, const char* name, const char* flag, std::initializer_list<std::pair<double, int>> reaction,
               double moles) {
        Mineral& m = sys.mn[i];
        m.name = Name20(name);
        m.flag = Kind4(flag);
        for (const auto& [coef, pos] : reaction) {
            ++m.itot;
            m.coefm[static_cast<std::size_t>(m.itot)] = coef;
            m.specm[static_cast<std::size_t>(m.itot)] = pos;
        }
        eq.mn_moles[i] = moles;
    }
    // -1 when the path goes on, 0 when it has reached its end, else the status of the stop.
    int call() {
        try {
            return fractionate_or_flush(sys, rp, ps, eq, s.io) == StepOutcome::Continue ? -1 : 0;
        } catch (const RunStop& stop) {
            return stop.status();
        }
    }
    void expect_totals(const Totals& want) const {
        for (int k = 1; k <= 3; ++k) EXPECT_DOUBLE_EQ(eq.comp[k].total, want[k - 1]) << "component " << k;
    }
};

TEST(Fractionation, ModesOnAFullStep) {
    // Keepite gives back 0.125 Ca++ and 0.0625 H+; the gas on the list gives back nothing.
    const std::string dontfrac =
        "  Solids fractionated, except for:  Keepite              H2O,gas              Absentite           \n";
    const struct {
        int IFRAC;
        Totals totals;
        std::string listing;
        bool console;  // the listing text goes to the console too
    } cases[] = {
        {0, T, "  Solids and gases carried\n", false},
        {1, {0.25, 60.0, 2.0}, "  Solids only left behind\n", true},
        {2, {0.5, 58.0, 3.0}, "  Gases only left behind\n", true},
        {3, {0.25, 58.0, 2.0}, "  Solids and gases left behind\n", true},
        {4, {0.3125, 60.0, 2.125}, dontfrac, false},
        {6, T, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.IFRAC);
        Step r;
        r.rp.IFRAC = c.IFRAC;
        EXPECT_EQ(r.call(), -1);
        r.expect_totals(c.totals);
        EXPECT_EQ(r.s.listing(), c.listing);
        EXPECT_EQ(r.s.out.str(), c.console ? c.listing : "");
    }
}

TEST(Fractionation, RepeatsAndHalfStepsBackChangeAndWriteNothing) {
    for (int ifrac = 0; ifrac <= 5; ++ifrac) {
        for (double curinc : {-0.25, 0.0}) {
            SCOPED_TRACE(testing::Message() << "IFRAC " << ifrac << ", CURINC " << curinc);
            Step r;
            r.rp.IFRAC = ifrac;
            r.ps.CURINC = curinc;
            EXPECT_EQ(r.call(), -1);
            r.expect_totals(T);
            EXPECT_EQ(r.rp.TOTMIX, 0.0);
            EXPECT_EQ(r.s.listing() + r.s.out.str(), "");
        }
    }
}

// Four names in full on the heading line, five per line after it (names 5 to 14 cut to
// 12 characters, 15 to 19 in full), a 20th on a line of its own.
TEST(Fractionation, DontFractionateListLines) {
    const std::string in28(28, ' ');
    const std::string head = "  Solids fractionated, except for: ";
    const std::string first4 =
        head + " Mineral-01-abcdefgh  Mineral-02-abcdefgh  Mineral-03-abcdefgh  Mineral-04-abcdefgh \n";
    const std::string all20 =
        first4 + in28 + "Mineral-05-a Mineral-06-a Mineral-07-a Mineral-08-a Mineral-09-a\n" + in28 +
        "Mineral-10-a Mineral-11-a Mineral-12-a Mineral-13-a Mineral-14-a\n" + in28 +
        "Mineral-15-abcdefgh  Mineral-16-abcdefgh  Mineral-17-abcdefgh  Mineral-18-abcdefgh  Mineral-19-abcdefgh \n" +
        in28 + "Mineral-20-abcdefgh \n";
    const struct {
        int n;
        std::string listing;
    } cases[] = {
        {0, head + "\n"},  // the heading only, and the totals of mode 1
        {4, first4},
        {20, all20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        Step r;
        r.rp.IFRAC = 4;
        r.sys.ndontfrac = c.n;
        for (int j = 1; j <= 20; ++j) {
            const std::string nn = (j < 10 ? "0" : "") + std::to_string(j);
            r.sys.dontfrac[j] = Name20("Mineral-" + nn + "-abcdefgh");
        }
        EXPECT_EQ(r.call(), -1);
        r.expect_totals({0.25, 60.0, 2.0});
        EXPECT_EQ(r.s.listing(), c.listing);
        EXPECT_EQ(r.s.out.str(), "");
    }
}

// VBOX-1 100 cm3 with 50 cm3 of solids; the aqueous moles T - S - G are 0.25, 58 and 2 in
// 1000 grams of solution.
TEST(Flushing, ReplacesAFractionOfThePoreFluid) {
    const struct {
        double curinc, gsol;
        Totals totals;
        std::string wf_wp;
    } cases[] = {
        // Half the pore fluid: 25 g fresh fluid (2.5 % of the recipe), 25 g of the old (2.5 %).
        {0.5,
         1000.0,
         {0.25625, 2.7, 1.1125},
         "  BOX-1 infused with    25.0000 grams of fresh fluid\n"
         "          Mixed with    25.0000 grams of previous pore fluid.\n"},
        // All of it: the old solution contributes nothing, even without a mass of its own.
        {1.0,
         0.0,
         {0.25, 2.5, 1.125},
         "  BOX-1 infused with    50.0000 grams of fresh fluid\n"
         "          Mixed with     0.0000 grams of previous pore fluid.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.curinc);
        Step r;
        r.rp.IFRAC = 5;
        r.rp.SINC = r.ps.CURINC = c.curinc;
        r.ps.totals.solution_grams = c.gsol;
        EXPECT_EQ(r.call(), -1);
        r.expect_totals(c.totals);
        EXPECT_EQ(r.rp.TOTMIX, 50.0 * c.curinc);
        const std::string listing = c.wf_wp + "  Total pore volume:    50.0000 CM3\n     Porosity =    50.0000 %\n\n";
        EXPECT_EQ(r.s.listing(), listing);
        const std::string totmix = c.curinc == 1.0 ? "0.5000000E+02" : "0.2500000E+02";
        EXPECT_EQ(r.s.out.str(), "GRMCOM = 1000.0000 VBOX1 =  100.0000\n" + listing +
                                     "  New total quantity of infused fluid: " + totmix + "\n" +
                                     "                        current limit: 0.1000000E+03\n\n\n");
    }
}

TEST(Flushing, BoxThatCannotBeFlushedStops) {
    const struct {
        const char* what;
        double vsol, gsol;
        int status;
        std::string message;
    } cases[] = {
        {"solids fill the box", 100.0, 1000.0, 0, "        Porosity is all plugged up. STOP!\n"},
        {"solids overfill the box", 150.0, 1000.0, 0, "        Porosity is all plugged up. STOP!\n"},
        {"no solids", 0.0, 1000.0, 0, "        100% porosity. No reason to continue.  STOP.\n"},
        {"no pore solution to keep", 50.0, 0.0, 1,
         "\n  Pore solution of BOX-1 has no mass (0.0000000E+00 g): nothing to mix the fresh fluid with.\n"
         "  EXECUTION STOPPED.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Step r;
        r.rp.IFRAC = 5;
        r.ps.totals.solids_volume = c.vsol;
        r.ps.totals.solution_grams = c.gsol;
        EXPECT_EQ(r.call(), c.status);
        r.expect_totals(T);
        EXPECT_EQ(r.s.listing(), c.message);
        EXPECT_NE(r.s.out.str().find(c.message), std::string::npos);
    }
}

// 25 grams infused per step against a limit of 50: the step reaching 50 goes on, the next stops.
TEST(Flushing, InfusedTotalPastTheLimitStops) {
    Step r;
    r.rp.IFRAC = 5;
    r.rp.SLIM = 50.0;
    EXPECT_EQ(r.call(), -1);
    EXPECT_EQ(r.call(), -1);
    EXPECT_EQ(r.rp.TOTMIX, 50.0);
    const Totals before = {r.eq.comp[1].total, r.eq.comp[2].total, r.eq.comp[3].total};
    const std::string earlier = r.s.listing();
    EXPECT_EQ(r.call(), 0);
    EXPECT_EQ(r.rp.TOTMIX, 75.0);
    r.expect_totals(before);
    const std::string stop =
        "  Quantity of infused fluid just exceeded indicated limit of 0.5000000E+02\n"
        "   TOTMIX = 0.7500000E+02. EXECUTION STOPPED.\n";
    EXPECT_EQ(r.s.listing(), earlier + stop);
    EXPECT_EQ(r.s.out.str().substr(r.s.out.str().size() - stop.size()), stop);
}

TEST(Flushing, FreshFluidGramsAtStartUp) {
    const struct {
        int IFRAC;
        double water;  // moles of water in the recipe
        double grmcom;
        bool stops;
    } cases[] = {
        {5, 50.0, 1000.0, false},
        {5, -5.625, -1.25, true},
        {0, -5.625, -1.25, false},  // only a flushing run scales the recipe
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.water);
        Step r;
        r.rp.IFRAC = c.IFRAC;
        r.ps.GRMCOM = 0;
        r.sys.comp[2].mix_total = c.water;
        bool stopped = false;
        try {
            r.ps.GRMCOM = prepare_flushing(r.sys, r.rp, r.s.io);
        } catch (const RunStop& stop) {
            stopped = stop.status() == 1;
        }
        EXPECT_EQ(stopped, c.stops);
        if (!c.stops) {
            EXPECT_DOUBLE_EQ(r.ps.GRMCOM, c.grmcom);  // a stop shows it in its message
        }
        EXPECT_EQ(r.s.listing(),
                  c.stops ? "\n  Fresh fluid for BOX-1 has no mass: GRMCOM = -.1250000E+01 g. Abort run.\n" : "");
    }
}

}  // namespace
}  // namespace zq
