#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run_state.h"
#include "format/text_io.h"
#include "phases/assemblage.h"
#include "phases/solid_solution.h"
#include "support/run_dir.h"

namespace zq {
namespace {

struct Phase {
    const char* name;
    double log_qk;  // log(Q/K) of the phase as a pure phase
    double moles = 0;
    bool in_matrix = false;
    int jsols = 0;
};

// Components 1 and 2 at activities 100 and 1e6, and one component of its own (activity 1)
// for every phase, so that no two phases depend on each other: every phase reacts as
// -1 (1) + 1 (2) + 1 (its own), so log Q = 4 and S = 3, and its log K is 4 - log(Q/K).
// 25 C, 100 bar, SINC = CURINC = 1.
struct Assemblage : test::Session {
    std::unique_ptr<RunState> run = std::make_unique<RunState>();
    ChemicalSystem& sys = run->sys;
    Conditions& cond = run->cond;
    EquilibriumState& eq = run->eq;
    RunParams& rp = run->rp;
    PathState& ps = run->ps;

    explicit Assemblage(const std::vector<Phase>& phases, int ngas = 0, int nmixed = 0) {
        cond.TK = 298.15, rp.PFLUID = 100, rp.SINC = 1, ps.CURINC = 1;
        sys.nc = 2 + static_cast<int>(phases.size());
        eq.act[1] = 100;
        eq.act[2] = 1e6;
        for (int k = 3; k <= sys.nc; ++k) eq.act[k] = 1;
        sys.ngas_records = ngas;
        sys.nmixed = nmixed;
        for (const Phase& p : phases) {
            const int i = ++sys.nmin;
            Mineral& mn = sys.mn[i];
            mn.name = Name20(p.name);
            mn.itot = 3;
            mn.specm[1] = 1, mn.coefm[1] = -1;
            mn.specm[2] = 2, mn.coefm[2] = 1;
            mn.specm[3] = 2 + i, mn.coefm[3] = 1;
            mn.coef_abs_sum = 3;
            cond.mn_logk[i] = 4 - p.log_qk;
            mn.site_n = 1;
            mn.jsols = p.jsols;
            eq.mn_moles[i] = p.moles;
            if (p.in_matrix) eq.ph[++eq.nph] = i;
            if (p.jsols != 0) {
                SolutionMembers& ss = sys.ss;
                ss.member[p.jsols][static_cast<std::size_t>(++ss.nmembers[p.jsols])] = i;
                ss.of[i] = p.jsols;
            }
        }
        refresh_solid_solutions(sys, eq);  // as the check of the previous solve left them
    }
    // The check as the run loop makes it, which keeps the increment it chooses.
    AssemblageResult check() {
        const AssemblageResult r = check_phase_assemblage(sys, cond, rp, ps.CURINC, rp.LOOC, {}, false, eq, io);
        ps.CURINC = r.curinc;
        return r;
    }
    std::vector<int> matrix() const { return {&eq.ph[1], &eq.ph[1] + eq.nph}; }
    std::string listing() {
        io.listing().flush();
        return dir.read("ZARNOUT.DAT");
    }
};

const std::string kPlus = " " + std::string(76, '+') + "\n\n";
const std::string kHeading =
    "  Gas or Mineral            Log K   Log Q  Log(Q/K)  Log(Q/K)/S  Affinity  Log Fugacity\n\n";
const std::string kRemoved =
    "\n  Calcite              does not satisfy anymore the mass action equation\n"
    "           We remove it from matrix.  affinity =0.4093E+03\n";

TEST(PhaseAssemblage, RemovalsEntriesAndIncrement) {
    const double sat = 0.3, under = -0.3;
    const struct {
        const char* what;
        std::vector<Phase> phases;
        int LOOC;
        double curinc_before;
        int R, U, entered;
        double curinc;
        std::vector<int> matrix;
        std::vector<double> moles;  // afterwards, per phase
        bool message;
    } cases[] = {
        {"nothing changes", {{"Calcite", 0, 0.5, true}, {"Quartz", -1}}, 0, 1, 0, 0, 0, 1, {1}, {0.5, 0}, false},
        {"one supersaturated phase enters",
         {{"Calcite", 0, 0.5, true}, {"Halite", sat}},
         0,
         1,
         0,
         1,
         2,
         0,
         {1, 2},
         {0.5, 1e-9},
         false},
        {"a tie goes to the later phase", {{"Halite", sat}, {"Sylvite", sat}}, 0, 1, 0, 2, 2, 0, {2}, {0, 1e-9}, false},
        {"LOOC: two supersaturated, neither enters",
         {{"Halite", sat}, {"Sylvite", sat}},
         1,
         1,
         0,
         2,
         0,
         -0.5,
         {},
         {0, 0},
         false},
        {"LOOC after a half step back", {{"Halite", sat}, {"Sylvite", sat}}, 1, -0.5, 0, 2, 0, 0.25, {}, {0, 0}, false},
        {"negative moles: removed without message", {{"Calcite", 0, -1e-3, true}}, 0, 1, 1, 0, 0, 0, {}, {0}, false},
        {"affinity too large: removed", {{"Calcite", under, 0.5, true}}, 0, 1, 1, 0, 0, 0, {}, {0}, true},
        {"LOOC: removal and entry are both undone",
         {{"Calcite", under, 0.5, true}, {"Halite", sat}},
         1,
         1,
         1,
         1,
         0,
         -0.5,
         {1},
         {0.5, 0},
         true},
        {"removal blocks the entry",
         {{"Calcite", under, 0.5, true}, {"Halite", sat}},
         0,
         1,
         1,
         1,
         0,
         0,
         {},
         {0.5, 0},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Assemblage a(c.phases);
        a.rp.LOOC = c.LOOC;
        a.ps.CURINC = c.curinc_before;
        const AssemblageResult r = a.check();
        EXPECT_EQ(r.R, c.R);
        EXPECT_EQ(r.U, c.U);
        EXPECT_EQ(r.entered, c.entered);
        EXPECT_EQ(a.ps.CURINC, c.curinc);
        EXPECT_EQ(a.matrix(), c.matrix);
        for (int i = 1; i <= a.sys.nmin; ++i) EXPECT_EQ(a.eq.mn_moles[i], c.moles[static_cast<std::size_t>(i - 1)]);
        const std::string listing = a.listing();
        EXPECT_EQ(listing.find("does not satisfy") != std::string::npos, c.message);
        if (c.message) {
            EXPECT_EQ(listing.substr(0, kRemoved.size()), kRemoved);
        }
        // ISTEP 0: the table only on a full step.
        EXPECT_EQ(listing.find(kPlus) != std::string::npos, c.curinc == a.rp.SINC);
    }
}

// Solid solutions 3: members outside the matrix are tested as a whole through their sum of
// x = 10^log(Q/K) (lambda 1, n 1).
TEST(PhaseAssemblage, SolidSolutions) {
    const double x6 = std::log10(0.6), x4 = std::log10(0.4);
    const struct {
        const char* what;
        std::vector<Phase> phases;
        double preset_sum;  // sum of x of solution 3 before the check (electrum estimate)
        int U, entered, solution;
        double curinc;
        std::vector<int> matrix;
        std::vector<double> moles;
    } cases[] = {
        {"undersaturated members with a sum of 1.2 enter as a whole",
         {{"Pure", -1}, {"M1", x6, 0, false, 3}, {"M2", x6, -1e-3, false, 3}},
         0,
         1,
         2,
         3,
         0,
         {2, 3},
         {0, 5e-9, 5e-9}},
        {"a supersaturated single phase goes first",
         {{"Pure", 0.3}, {"M1", x6, 0, false, 3}, {"M2", x6, 0, false, 3}},
         0,
         1,
         1,
         0,
         0,
         {1},
         {1e-9, 0, 0}},
        {"a sum below 1 lets nothing enter",
         {{"M1", x4, 0, false, 3}, {"M2", x4, 0, false, 3}},
         0,
         0,
         0,
         0,
         1,
         {},
         {0, 0}},
        {"a seeded sum lets the solution enter with its seeds",
         {{"M1", -3, 5e-13, false, 3}, {"M2", -3, 5e-13, false, 3}},
         1,
         1,
         1,
         3,
         0,
         {1, 2},
         {5e-13, 5e-13}},
        {"a supersaturated member brings the others",
         {{"M1", 0.3, 0, false, 3}, {"M2", x6, 0, false, 3}},
         0,
         1,
         1,
         3,
         0,
         {1, 2},
         {1e-9, 0.6 * 1e-9 / (std::pow(10.0, 0.3) + 0.6)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Assemblage a(c.phases);
        a.eq.ss.sumx[3] = c.preset_sum;
        const AssemblageResult r = a.check();
        EXPECT_EQ(r.R, 0);
        EXPECT_EQ(r.U, c.U);
        EXPECT_EQ(r.entered, c.entered);
        EXPECT_EQ(r.solution, c.solution);
        EXPECT_EQ(a.ps.CURINC, c.curinc);
        EXPECT_EQ(a.matrix(), c.matrix);
        for (int i = 1; i <= a.sys.nmin; ++i) {
            const double want = c.moles[static_cast<std::size_t>(i - 1)];
            EXPECT_NEAR(a.eq.mn_moles[i], want, 1e-12 * std::fabs(want));
        }
        EXPECT_EQ(a.eq.ss.sumx[3], 0.0);  // cleared for the next check
    }
}

// Members of a present solution are saturated at lambda X^n: with X = 0.25 and 0.75 and
// log K less log X, both stay.
TEST(PhaseAssemblage, PresentSolutionMembersUseTheirMoleFraction) {
    Assemblage a({{"M1", 0, 0.25, true, 3}, {"M2", 0, 0.75, true, 3}});
    a.cond.mn_logk[1] -= std::log10(0.25);
    a.cond.mn_logk[2] -= std::log10(0.75);
    const AssemblageResult r = a.check();
    EXPECT_EQ(r.R + r.U, 0);
    EXPECT_EQ(a.matrix(), (std::vector<int>{1, 2}));
    EXPECT_EQ(a.eq.phase[1].ss_present, 1);
    EXPECT_DOUBLE_EQ(a.eq.ss.total[1], 1.0);
}

// The table of a repeat step (Halite entered) written because ISTEP is set: mixed gas with
// log10 P in its fugacity, plain gas, minerals at -5 listed and at -5.01 not.
TEST(PhaseAssemblage, SaturationTable) {
    Assemblage a({{"H2O,gas", -12},
                  {"H2S,gas", -12},
                  {"Calcite", 0, 0.5, true},
                  {"Quartz", -5.01},
                  {"Gypsum", -5},
                  {"Halite", 0.3}},
                 2, 1);
    a.rp.ISTEP = 1;
    a.check();
    EXPECT_EQ(a.ps.CURINC, 0.0);
    EXPECT_EQ(a.listing(), kPlus + "  The following gases and minerals are presently in matrix or were just added\n\n" +
                               kHeading +
                               "  3 Calcite                  4.00    4.00    0.00      0.000   0.00000E+00\n"
                               "  6 Halite                   3.70    4.00    0.30      0.100  -0.40929E+03\n"
                               "\n"
                               "  The following gases and minerals are presently EXCLUDED from matrix\n"
                               "    (Gases and minerals with log(Q/K) less than -5 are not listed below)\n\n" +
                               kHeading +
                               "  1 H2O,gas                 16.00    4.00  -12.00     -4.000   0.16371E+05  -10.000\n"
                               "  2 H2S,gas                 16.00    4.00  -12.00     -4.000   0.16371E+05  -12.000\n"
                               "  5 Gypsum                   9.00    4.00   -5.00     -1.667   0.68214E+04\n");
    EXPECT_DOUBLE_EQ(a.eq.phase[1].log_fugacity, -10.0);
    EXPECT_DOUBLE_EQ(a.eq.phase[2].log_fugacity, -12.0);
    EXPECT_EQ(a.eq.phase[3].logq, 666.0);
    EXPECT_EQ(a.eq.phase[5].logq, 4.0);
}

// Eight removals in one check all go back with LOOC; a 41st phase stops the run.
TEST(PhaseAssemblage, ListCapacities) {
    std::vector<Phase> eight(8, Phase{"Negative", 0, -1, true});
    Assemblage back(eight);
    back.rp.LOOC = 1;
    const AssemblageResult r = back.check();
    EXPECT_EQ(r.nremoved, 8);
    EXPECT_EQ(back.matrix(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(back.ps.CURINC, -0.5);

    std::vector<Phase> full(MAX_PHASES, Phase{"Kept", 0, 1, true});
    full.push_back({"Halite", 0.3});
    Assemblage over(full);
    EXPECT_THROW(over.check(), RunStop);
    EXPECT_EQ(over.listing(), "\n  Too many phases in matrix ( 41); maximum number allowed is  40\n");
}

}  // namespace
}  // namespace zq
