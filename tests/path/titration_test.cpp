#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run_state.h"
#include "format/text_io.h"
#include "path/titration.h"
#include "support/run_dir.h"

namespace zq {
namespace {

struct Term {
    int comp;
    double coef;
};
struct ReactantRow {
    const char* name;
    double wt_percent, gfw;
    std::vector<Term> terms;
};

// Components H+, H2O, Na+, Cl-, K+ (totals 0); Halite is in the matrix.
struct Titration : test::Session {
    std::unique_ptr<RunState> run = std::make_unique<RunState>();
    ChemicalSystem& sys = run->sys;
    EquilibriumState& eq = run->eq;
    RunParams& rp = run->rp;
    PathState& ps = run->ps;

    explicit Titration(const std::vector<ReactantRow>& reactants) {
        const double charges[] = {1, 0, 1, -1, 1};
        sys.nc = 5;
        for (int k = 1; k <= 5; ++k) sys.sp[k].charge = charges[k - 1];
        sys.nmin = 1;
        sys.mn[1].name = Name20("Halite");
        eq.ph[++eq.nph] = 1;
        for (const ReactantRow& s : reactants) {
            Reactant& re = sys.react[++sys.nreact];
            re.name = Name20(s.name);
            re.amount = s.wt_percent;
            re.gfw = s.gfw;
            for (const Term& t : s.terms) {
                const auto j = static_cast<std::size_t>(++re.itot);
                re.pos[j] = t.comp;
                re.coef[j] = t.coef;
            }
        }
        rp.RHOROC = 2.5, rp.VBOX1 = 10;
    }
    std::string listing() {
        io.listing().flush();
        return dir.read("ZARNOUT.DAT");
    }
};

const ReactantRow kHalite{"Halite", 50, 58.44, {{3, 1}, {4, 1}}};
const ReactantRow kSylvite{"Sylvite", 50, 74.55, {{5, 1}, {4, 1}}};

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

const std::string kSkip = "  Reactant  Halite                not titrated because equilibrated\n";
const std::string kNoWeight =
    "\n\n  WARNING: molecular weight of reactant Nought               is 0.\n"
    "  check MINOX data file for errors or double entries.\n\n\n";
const std::string kCharge =
    "\n  Charge imbalance of reactants in MINOX exceeds 1.E-8.\n"
    "  Imbalance =0.2000E-07;  check for stoichiometry\n"
    "  error in MINOX.  EXECUTION ABORTED.\n\n";

TEST(Titration, StepsByMinsol) {
    const double na = 0.5 / 58.44, k = 0.5 / 74.55;  // one gram of the 50:50 mixture
    const struct {
        const char* what;
        std::vector<ReactantRow> reactants;
        int MINSOL, IFRAC, CHGF;
        double curinc;
        std::vector<double> added;  // Na+, Cl-, K+
        double vbox;
        int skips;
        bool no_weight, stops;
    } cases[] = {
        {"grams, box grows", {kHalite, kSylvite}, 1, 0, 0, 1, {na, na + k, k}, 10.4, 0, false, false},
        {"grams, fractionation run: no box", {kHalite, kSylvite}, 1, 1, 0, 1, {na, na + k, k}, 10, 0, false, false},
        {"MINSOL 2 skips the equilibrated one", {kHalite, kSylvite}, 2, 0, 0, 1, {0, k, k}, 10, 1, false, false},
        {"weight per cent 0 takes no part",
         {{"Halite", 0, 0, {{3, 1}, {4, 1}}}, {"Sylvite", 100, 74.55, {{5, 1}, {4, 1}}}},
         2,
         0,
         0,
         1,
         {0, 2 * k, 2 * k},
         10,
         0,
         false,
         false},
        {"no weight: warned, nothing in grams",
         {{"Nought", 100, 0, {{3, 1}, {4, 1}}}},
         1,
         1,
         0,
         1,
         {0, 0, 0},
         10,
         0,
         true,
         false},
        {"no weight: warned, added in moles",
         {{"Nought", 100, 0, {{3, 1}, {4, 1}}}},
         3,
         0,
         0,
         1,
         {1, 1, 0},
         10,
         0,
         true,
         false},
        {"charge 5e-9 passes", {{"Odd", 100, 1, {{3, 5e-9}}}}, 3, 0, 0, 1, {5e-9, 0, 0}, 10, 0, false, false},
        {"charge 2e-8 stops", {{"Odd", 100, 1, {{3, 2e-8}}}}, 3, 0, 0, 1, {2e-8, 0, 0}, 10, 0, false, true},
        {"charge 2e-8 passes with CHGF 1",
         {{"Odd", 100, 1, {{3, 2e-8}}}},
         3,
         0,
         1,
         1,
         {2e-8, 0, 0},
         10,
         0,
         false,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Titration t(c.reactants);
        t.rp.MINSOL = c.MINSOL, t.rp.IFRAC = c.IFRAC, t.rp.CHGF = c.CHGF, t.ps.CURINC = c.curinc;
        t.rp.TOTMIX = 3;
        bool stopped = false;
        try {
            titration_step(t.sys, t.rp, t.ps, t.eq, t.io);
        } catch (const RunStop& s) {
            stopped = s.status() == 1;
        }
        EXPECT_EQ(stopped, c.stops);
        EXPECT_DOUBLE_EQ(t.eq.comp[3].total, c.added[0]);
        EXPECT_DOUBLE_EQ(t.eq.comp[4].total, c.added[1]);
        EXPECT_DOUBLE_EQ(t.eq.comp[5].total, c.added[2]);
        EXPECT_DOUBLE_EQ(t.rp.VBOX1, c.vbox);
        EXPECT_EQ(t.rp.TOTMIX, 3 + c.curinc);
        EXPECT_EQ(t.ps.unit_label, c.MINSOL > 2 ? " MOLES  " : " g      ");
        // Skip and charge messages go to the listing and the console, the warning to the listing.
        const std::string listing = t.listing(), both = listing + t.out.str();
        EXPECT_EQ(count(both, kSkip), 2u * static_cast<std::size_t>(c.skips));
        EXPECT_EQ(count(both, kCharge), c.stops ? 2u : 0u);
        EXPECT_EQ(count(listing, "WARNING"), c.no_weight ? 1u : 0u);
        EXPECT_EQ(count(listing, kNoWeight), c.no_weight ? 1u : 0u);
    }
}

TEST(Titration, ReportOfTheIncrement) {
    Titration t({{"Halite", 100, 58.44, {{3, 1}, {4, 1}}}});
    t.rp.MINSOL = 3, t.ps.CURINC = 0.01, t.rp.TOTMIX = 0.02;
    titration_step(t.sys, t.rp, t.ps, t.eq, t.io);
    EXPECT_DOUBLE_EQ(t.eq.comp[3].total, 0.01);
    const std::string report =
        "\n  Next reactant titration increment of:         0.0100000  MOLES  \n"
        "  Current total amount of reactant added:       0.0200000  MOLES  \n"
        "  New total amount of reactant added:           0.0300000  MOLES  \n\n";
    EXPECT_EQ(t.out.str(), report);
    EXPECT_EQ(t.listing(), report);
}

}  // namespace
}  // namespace zq
