#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run_parameters.h"
#include "format/text_io.h"
#include "solver/charge_balance.h"
#include "support/run_dir.h"
#include "thermo/system_tables.h"

namespace zq {
namespace {

// An Io on a temporary directory with a scripted console.
struct Session {
    test::TempDir dir;
    std::istringstream in;
    std::ostringstream out;
    Io io;
    explicit Session(const std::string& answers = "") : in(answers), io(dir.path(), in, out) {}
    std::string listing() {
        io.listing().flush();
        return dir.read("ZARNOUT.DAT");
    }
    std::string rest_of_input() {
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

std::string lines(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& l : v) s += l + "\n";
    return s;
}

const std::vector<std::string> kExceeds = {
    "", "", "  Charge imbalance in starting solution or mixing", "  solution exceeds given limit !! ",
    "  Current limit is: 1.E-4 * total moles of Cl-         ", ""};
const std::vector<std::string> kPrevious = {
    "", "", "  Previous total molality of Cl-          was: 0.10000E+00", "",
    "     TOTAL molality adjusted for charge balance is now : 0.10300E+00",
    "  Original value was changed by    3.00000 percent"};
const std::vector<std::string> kAbort = {
    "", "", "  Check input data, or change C (charge balance ion).",
    "  If mixing, check charge balance of mixing solution.", "  EXECUTION ABORTED.", "", ""};
const std::vector<std::string> kRefusal = {
    "", "", "  ZARN-QVD does not allow solutions which are not in charge balance.",
    "  You apparently prefer to fix charge balance by hand.  OK. ", ""};
const std::vector<std::string> kAdjustPrompt = {"", "  adjust for charge balance (Y/N) ? :> "};
const std::vector<std::string> kContinuePrompt = {"", "  CONTINUE EXECUTION (Y/N) ?    :> "};

std::vector<std::string> cat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Cl- (charge -1) at 0.1 moles takes up an excess positive charge of 0.003 moles.
TEST(ChargeBalance, AnswersDecideBetweenAdjustingAndStopping) {
    enum Outcome { Continues, RefusedAdjust, RefusedContinue };
    struct Case {
        const char* answers;
        Outcome outcome;
    };
    const Case cases[] = {{"y\ny\n", Continues},    {"Y\nY\n", Continues},      {"\n\n", Continues},
                          {"", Continues},          {"x\nok\n", Continues},     {"n\n", RefusedAdjust},
                          {"No\n", RefusedAdjust},  {"y\nN\n", RefusedContinue}, {"\nnein\n", RefusedContinue}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("answers: ") + c.answers);
        Session s(c.answers);
        double q = 0.003, total = 0.1;
        bool stopped = false;
        try {
            CHGBAL(q, total, Name20("Cl-").view(), -1.0, 0, s.io);
        } catch (const RunStop& stop) {
            stopped = true;
            EXPECT_EQ(stop.status(), 1);
        }
        EXPECT_EQ(stopped, c.outcome != Continues);
        EXPECT_DOUBLE_EQ(total, c.outcome == RefusedAdjust ? 0.1 : 0.103);
        EXPECT_EQ(q, c.outcome == Continues ? 0.0 : 0.003);
    }
}

TEST(ChargeBalance, ConsoleAndListingTextOfEachPath) {
    {
        Session s("y\ny\n");
        double q = 0.003, total = 0.1;
        CHGBAL(q, total, Name20("Cl-").view(), -1.0, 0, s.io);
        EXPECT_EQ(s.out.str(), lines(cat({kExceeds, kAdjustPrompt, kPrevious, kContinuePrompt})));
        EXPECT_EQ(s.listing(), lines(cat({kExceeds, kPrevious})));
    }
    {
        Session s("n\n");
        double q = 0.003, total = 0.1;
        EXPECT_THROW(CHGBAL(q, total, Name20("Cl-").view(), -1.0, 0, s.io), RunStop);
        EXPECT_EQ(s.out.str(), lines(cat({kExceeds, kAdjustPrompt, kRefusal, kAbort})));
        EXPECT_EQ(s.listing(), lines(cat({kExceeds, kAbort})));
    }
    {
        Session s("\nn\n");
        double q = 0.003, total = 0.1;
        EXPECT_THROW(CHGBAL(q, total, Name20("Cl-").view(), -1.0, 0, s.io), RunStop);
        EXPECT_EQ(s.out.str(), lines(cat({kExceeds, kAdjustPrompt, kPrevious, kContinuePrompt})));
        EXPECT_EQ(s.listing(), lines(cat({kExceeds, kAbort})));
    }
}

TEST(ChargeBalance, SilentModeWritesAndAsksNothing) {
    Session s("n\nn\n");
    double q = -0.002, total = 0.5;  // Na+ takes up an excess negative charge
    CHGBAL(q, total, Name20("Na+").view(), 1.0, 1, s.io);
    EXPECT_DOUBLE_EQ(total, 0.502);
    EXPECT_EQ(q, 0.0);
    EXPECT_EQ(s.out.str(), "");
    EXPECT_EQ(s.listing(), "");
    EXPECT_EQ(s.rest_of_input(), "n\nn\n");
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

// Components H+ 0.125, H2O, Na+ 0.875, Cl- 1.0 (C = 4, limit 1e-4) and K+, with the given
// amounts of K+ in the system and in the mixing solution; the sum before K+ is exactly 0.
std::unique_ptr<ChemicalSystem> brine(double k_total, double k_mix) {
    auto sys = std::make_unique<ChemicalSystem>();
    const struct { const char* name; double z, total; } rows[] = {
        {"H+", 1, 0.125}, {"H2O", 0, 55.5082502}, {"Na+", 1, 0.875}, {"Cl-", -1, 1.0}, {"K+", 1, 0}};
    sys->nc = sys->ns = 5;
    for (int k = 1; k <= 5; ++k) {
        sys->sp[k].name = Name20(rows[k - 1].name);
        sys->sp[k].charge = rows[k - 1].z;
        sys->comp[k].total = rows[k - 1].total;
        sys->comp[k].mix_total = rows[k - 1].total;
    }
    sys->comp[5].total = k_total;
    sys->comp[5].mix_total = k_mix;
    return sys;
}

TEST(ChargeBalance, StartOfRunTestOfTheGivenTotals) {
    const std::string kTotals = "  Chg. balance for total moles = ";
    const std::string kLimit = "   Max. difference allowed = 0.1000E-03";
    const std::string kMixing = "  Chg. balance for the mixing solution = ";
    const std::string kMixLimit = "  Max. difference allowed = 0.1000E-03";
    struct Case {
        const char* what;
        double pH, TEMPC;
        int IFRAC, C;
        double k_total, k_mix;
        std::vector<std::string> console;
        double cl_total, cl_mix, chg_start;  // afterwards
        bool stops;
    };
    const Case cases[] = {
        {"balanced", 0, 0, 0, 4, 0, 0, {"", kTotals + "0.0000E+00" + kLimit}, 1.0, 1.0, 0, false},
        {"imbalance equal to the limit", 0, 0, 0, 4, 1e-4, 0, {"", kTotals + "0.1000E-03" + kLimit},
         1.0, 1.0, 1e-4, false},
        {"imbalance above the limit", 0, 0, 0, 4, 0.01, 0, {"", kTotals + "0.1000E-01" + kLimit},
         1.01, 1.0, 0, false},
        {"pH given", 7, 0, 0, 4, 0.01, 0, {"", kTotals + "0.0000E+00" + kLimit}, 1.0, 1.0, 0, false},
        {"unused mixing column", 0, 0, 0, 4, 0, 0.5, {"", kTotals + "0.0000E+00" + kLimit}, 1.0, 1.0, 0,
         false},
        {"mixing run", 0, 80, 0, 4, 0, 0.5,
         {"", kTotals + "0.0000E+00" + kLimit, "", kMixing + "0.5000E+00" + kMixLimit}, 1.0, 1.5, 0,
         false},
        {"flushing run", 0, 0, 5, 4, 0, 0.5,
         {"", kTotals + "0.0000E+00" + kLimit, "", kMixing + "0.5000E+00" + kMixLimit}, 1.0, 1.5, 0,
         false},
        {"C outside the components", 0, 0, 0, 9, 0.01, 0,
         {"", kTotals + "0.1000E-01   Max. difference allowed = 0.0000E+00"}, 1.0, 1.0, 0.01, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto sys = brine(c.k_total, c.k_mix);
        RunParams rp;
        rp.pH = c.pH;
        rp.TEMPC = c.TEMPC;
        rp.IFRAC = c.IFRAC;
        rp.C = c.C;
        rp.CHGF = 1;
        Session s;
        bool stopped = false;
        try {
            check_start_charge_balance(*sys, rp, s.io);
        } catch (const RunStop&) {
            stopped = true;
        }
        EXPECT_EQ(stopped, c.stops);
        const std::string balance = lines(c.console);
        EXPECT_EQ(s.out.str().substr(0, balance.size()), balance);
        if (!c.stops) {
            EXPECT_EQ(s.out.str(), balance);
        }
        EXPECT_DOUBLE_EQ(sys->comp[4].total, c.cl_total);
        EXPECT_DOUBLE_EQ(sys->comp[4].mix_total, c.cl_mix);
        EXPECT_EQ(sys->chg_start, c.chg_start);
    }
}

TEST(ChargeBalance, StartOfRunAsksOnlyAboveTheLimit) {
    for (double k_total : {1e-4, 0.01}) {
        auto sys = brine(k_total, 0);
        RunParams rp;
        rp.C = 4;
        Session s("y\ny\n");
        check_start_charge_balance(*sys, rp, s.io);
        EXPECT_EQ(s.rest_of_input(), k_total > 1e-4 ? "" : "y\ny\n");
    }
}

}  // namespace
}  // namespace zq
