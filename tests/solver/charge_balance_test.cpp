#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run_state.h"
#include "format/text_io.h"
#include "solver/charge_balance.h"
#include "support/run_dir.h"

namespace zq {
namespace {

using test::Lines;
using test::Session;
using test::text;

const Lines kExceeds = {"",
                        "",
                        "  Charge imbalance in starting solution or mixing",
                        "  solution exceeds given limit !! ",
                        "  Current limit is: 1.E-4 * total moles of Cl-         ",
                        ""};
const Lines kAsk = {"", "  adjust for charge balance (Y/N) ? :> "};
const Lines kPrevious = {"",
                         "",
                         "  Previous total molality of Cl-          was: 0.10000E+00",
                         "",
                         "     TOTAL molality adjusted for charge balance is now : 0.10300E+00",
                         "  Original value was changed by    3.00000 percent"};
const Lines kContinue = {"", "  CONTINUE EXECUTION (Y/N) ?    :> "};
const Lines kRefusal = {"", "", "  ZARN-QVD does not allow solutions which are not in charge balance.",
                        "  You apparently prefer to fix charge balance by hand.  OK. ", ""};
const Lines kAbort = {"",
                      "",
                      "  Check input data, or change C (charge balance ion).",
                      "  If mixing, check charge balance of mixing solution.",
                      "  EXECUTION ABORTED.",
                      "",
                      ""};

// Cl- (charge -1) at 0.1 moles takes up an excess positive charge of 0.003 moles.
TEST(ChargeBalance, AnswersDecideBetweenAdjustingAndStopping) {
    enum Outcome { Continues, RefusedAdjust, RefusedContinue };
    const struct {
        const char* answers;
        Outcome outcome;
    } cases[] = {{"y\ny\n", Continues},   {"Y\nY\n", Continues},       {"\n\n", Continues},
                 {"", Continues},         {"x\nok\n", Continues},      {"n\n", RefusedAdjust},
                 {"No\n", RefusedAdjust}, {"y\nN\n", RefusedContinue}, {"\nnein\n", RefusedContinue}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("answers: ") + c.answers);
        Session s(c.answers);
        double q = 0.003, total = 0.1;
        bool stopped = false;
        try {
            CHGBAL(q, total, Name20("Cl-").view(), -1.0, 0, s.io);
        } catch (const RunStop& stop) {
            stopped = stop.status() == 1;
        }
        EXPECT_EQ(stopped, c.outcome != Continues);
        EXPECT_DOUBLE_EQ(total, c.outcome == RefusedAdjust ? 0.1 : 0.103);
        EXPECT_EQ(q, c.outcome == Continues ? 0.0 : 0.003);
        switch (c.outcome) {
            case Continues:
                EXPECT_EQ(s.out.str(), text({kExceeds, kAsk, kPrevious, kContinue}));
                EXPECT_EQ(s.listing(), text({kExceeds, kPrevious}));
                break;
            case RefusedAdjust:
                EXPECT_EQ(s.out.str(), text({kExceeds, kAsk, kRefusal, kAbort}));
                EXPECT_EQ(s.listing(), text({kExceeds, kAbort}));
                break;
            case RefusedContinue:
                EXPECT_EQ(s.out.str(), text({kExceeds, kAsk, kPrevious, kContinue}));
                EXPECT_EQ(s.listing(), text({kExceeds, kAbort}));
                break;
        }
    }
}

TEST(ChargeBalance, SilentModeWritesAndAsksNothing) {
    Session s("n\nn\n");
    double q = -0.002, total = 0.5;  // Na+ takes up an excess negative charge
    CHGBAL(q, total, Name20("Na+").view(), 1.0, 1, s.io);
    EXPECT_DOUBLE_EQ(total, 0.502);
    EXPECT_EQ(q, 0.0);
    EXPECT_EQ(s.out.str() + s.listing(), "");
    EXPECT_EQ(s.unread(), "n\nn\n");
}

TEST(ChargeBalance, NeutralComponentCannotTakeUpAnImbalance) {
    for (int chgf : {0, 1}) {
        Session s("y\ny\n");
        double q = 0.003, total = 55.5;
        EXPECT_THROW(CHGBAL(q, total, Name20("H2O").view(), 0.0, chgf, s.io), RunStop);
        EXPECT_EQ(total, 55.5);
        EXPECT_NE(s.listing().find("H2O          carries no charge."), std::string::npos);
    }
}

// H+ 0.125, H2O, Na+ 0.875, Cl- 1.0 (C = 4, limit 1e-4) and K+ in the given amounts; the sum
// before K+ is exactly 0, so the imbalance is exactly the K+ amount.
std::unique_ptr<RunState> brine(double k_total, double k_mix) {
    auto run = std::make_unique<RunState>();
    ChemicalSystem& sys = run->sys;
    const struct {
        const char* name;
        double z, total;
    } rows[] = {{"H+", 1, 0.125}, {"H2O", 0, 55.5082502}, {"Na+", 1, 0.875}, {"Cl-", -1, 1.0}, {"K+", 1, 0}};
    sys.nc = sys.ns = 5;
    for (int k = 1; k <= 5; ++k) {
        sys.sp[k].name = Name20(rows[k - 1].name);
        sys.sp[k].charge = rows[k - 1].z;
        run->eq.comp[k].total = sys.comp[k].mix_total = rows[k - 1].total;
    }
    run->eq.comp[5].total = k_total;
    sys.comp[5].mix_total = k_mix;
    return run;
}

TEST(ChargeBalance, StartOfRunTestOfTheGivenTotals) {
    const std::string tot = "  Chg. balance for total moles = ", lim = "   Max. difference allowed = 0.1000E-03";
    const std::string mix = "  Chg. balance for the mixing solution = 0.5000E+00  Max. difference allowed = 0.1000E-03";
    const struct {
        const char* what;
        double pH, TEMPC;
        int IFRAC, C;
        double k_total, k_mix;
        Lines console;  // the balance lines, before any question
        bool asks, stops;
        double cl_total, cl_mix, chg_start;  // afterwards
    } cases[] = {
        {"balanced", 0, 0, 0, 4, 0, 0, {"", tot + "0.0000E+00" + lim}, false, false, 1.0, 1.0, 0},
        {"equal to the limit", 0, 0, 0, 4, 1e-4, 0, {"", tot + "0.1000E-03" + lim}, false, false, 1.0, 1.0, 1e-4},
        {"above the limit", 0, 0, 0, 4, 0.01, 0, {"", tot + "0.1000E-01" + lim}, true, false, 1.01, 1.0, 0},
        {"pH given", 7, 0, 0, 4, 0.01, 0, {"", tot + "0.0000E+00" + lim}, false, false, 1.0, 1.0, 0},
        {"unused mixing column", 0, 0, 0, 4, 0, 0.5, {"", tot + "0.0000E+00" + lim}, false, false, 1.0, 1.0, 0},
        {"mixing run", 0, 80, 0, 4, 0, 0.5, {"", tot + "0.0000E+00" + lim, "", mix}, true, false, 1.0, 1.5, 0},
        // The fresh fluid of a flushing run is balanced too, without a balance line of its own.
        {"flushing run", 0, 0, 5, 4, 0, 0.5, {"", tot + "0.0000E+00" + lim}, true, false, 1.0, 1.5, 0},
        {"C not a component",
         0,
         0,
         0,
         9,
         0.01,
         0,
         {"", tot + "0.1000E-01   Max. difference allowed = 0.0000E+00"},
         false,
         true,
         1.0,
         1.0,
         0.01},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto run = brine(c.k_total, c.k_mix);
        RunParams& rp = run->rp;
        rp.pH = c.pH, rp.TEMPC = c.TEMPC, rp.IFRAC = c.IFRAC, rp.C = c.C;
        Session s("y\ny\n");
        bool stopped = false;
        try {
            check_start_charge_balance(run->sys, run->eq, rp, s.io);
        } catch (const RunStop&) {
            stopped = true;
        }
        EXPECT_EQ(stopped, c.stops);
        EXPECT_EQ(s.unread().empty(), c.asks);
        const std::string balance = text({c.console});
        EXPECT_EQ(s.out.str().substr(0, balance.size()), balance);
        if (!c.asks && !c.stops) {
            EXPECT_EQ(s.out.str(), balance);
        }
        EXPECT_DOUBLE_EQ(run->eq.comp[4].total, c.cl_total);
        EXPECT_DOUBLE_EQ(run->sys.comp[4].mix_total, c.cl_mix);
        EXPECT_EQ(run->eq.chg_start, c.chg_start);
    }
}

}  // namespace
}  // namespace zq
