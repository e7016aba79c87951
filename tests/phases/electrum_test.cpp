// Electrum: the saturation estimate against values worked out by hand from its Gibbs
// energy, with its listing and seeding; the composition terms of the Newton rows against
// finite differences of the activity coefficients.
#include <gtest/gtest.h>

#include <cmath>

#include "phases/electrum.h"
#include "phases/solid_solution.h"
#include "support/chem_builder.h"

namespace zq::test {
namespace {

// At 573.15 K, X = 0.5: the excess term 0.25 ((800 + 788.08 - 5650) 0.5 + (800 + 788.08 -
// 4850) 0.5) = -915.48 cal, plus 1.987 T (ln 0.5 - ln 10 q) = 1138.84 (-0.69315 + 2.302585)
// for q = -1 (+1832.89) and 1138.84 (-0.69315 + 0.46052) for q = -0.2 (-264.93).
TEST(Electrum, LowestAffinityOverTheGoldFraction) {
    struct Case {
        double q_au, q_ag, x, g;
    };
    const double f = 4.575236395 * 573.15;
    const Case cases[] = {
        {-1.0, -1.0, 0.5, 917.4},   {-0.2, -0.2, 0.5, -1180.4},
        {3.0, -3.0, 1.0, -3.0 * f},  // gold alone far below every mixture
        {-3.0, 3.0, 0.0, -3.0 * f},  // silver alone likewise
        {0.5, -1.5, 0.9, -1457.7},   // the 0.9 mixture, tested apart from the sweep, below pure gold
        {1.0, -2.0, 1.0, -f},        // pure gold below the 0.9 mixture (-2506.6)
    };
    for (const Case& c : cases) {
        const ElectrumAffinity a = lowest_electrum_affinity(c.q_au, c.q_ag, 573.15);
        EXPECT_NEAR(a.x, c.x, 1e-12) << c.q_au << " " << c.q_ag;
        EXPECT_NEAR(a.g, c.g, 0.05 + 1e-9 * std::fabs(c.g)) << c.q_au << " " << c.q_ag;
    }
}

// Gold and silver metal (Au+ + 0.5 H2O(...) written here as Au+ and Ag+ only) at 300 C, their
// log K chosen for the given log(Q/K).
struct ElectrumSystem : ChemBuilder {
    ElectrumSystem(double q_au, double q_ag) {
        component("H+", 1, 1.008, 0, 1e-7);
        component("H2O", 0, 18.015, WATER_MOLES_PER_KG, 1.0);
        const int au = component("Au+", 1, 196.97, 1e-9, 1e-9);
        const int ag = component("Ag+", 1, 107.87, 1e-9, 1e-9);
        eq.act[au] = eq.act[ag] = 1e-9;
        gold = mineral("Gold", -9.0 - q_au, 196.97, 19.3, {{1.0, au}}, 0, false, ELECTRUM_JSOLS);
        silver = mineral("Silver", -9.0 - q_ag, 107.87, 10.5, {{1.0, ag}}, 0, false, ELECTRUM_JSOLS);
        rp.TEMP = 300, cond.TK = 573.15;
        build_solid_solutions(sys, eq, *io);
    }
    int gold = 0, silver = 0;
};

TEST(Electrum, SaturationEstimateListsAndSeeds) {
    {
        ElectrumSystem b(-1.0, -1.0);
        electrum_saturation_estimate(b.sys, b.cond, b.eq, *b.io);
        EXPECT_NE(b.listing().find("     Estimated lowest electrum affinity for X gold = 0.500\n"
                                   "      AFFINITY:  0.9174E+03\n"
                                   "      GOLD Q/K:      0.1000\n"
                                   "      SILVER Q/K:    0.1000\n\n"),
                  std::string::npos)
            << b.listing();
        EXPECT_EQ(b.eq.mn_moles[b.gold] + b.eq.mn_moles[b.silver], 0.0);
        EXPECT_EQ(b.eq.ss.sumx[ELECTRUM_JSOLS], 0.0);
    }
    ElectrumSystem b(-0.2, -0.2);
    electrum_saturation_estimate(b.sys, b.cond, b.eq, *b.io);
    EXPECT_NE(b.listing().find("      AFFINITY:  -.1180E+04\n"), std::string::npos);
    EXPECT_DOUBLE_EQ(b.eq.mn_moles[b.gold], 5e-13);
    EXPECT_DOUBLE_EQ(b.eq.mn_moles[b.silver], 5e-13);
    EXPECT_EQ(b.eq.ss.sumx[ELECTRUM_JSOLS], 1.0);
    // lambda at X = 0.5: exp(0.25 (800 - 5650 + 788.08) / (R T)) for silver, with 4850 for gold.
    EXPECT_NEAR(b.eq.phase[b.silver].lambda, std::exp(0.25 * (800 - 5650 + 1.375 * 573.15) / (1.98700 * 573.15)), 1e-5);
    EXPECT_NEAR(b.eq.phase[b.gold].lambda, std::exp(0.25 * (800 - 4850 + 1.375 * 573.15) / (1.98700 * 573.15)), 1e-5);
    // A trace of gold below the seed: the seed holds half of it.
    ElectrumSystem trace(-0.2, -0.2);
    trace.eq.comp[3].total = 1e-15;
    electrum_saturation_estimate(trace.sys, trace.cond, trace.eq, *trace.io);
    EXPECT_DOUBLE_EQ(trace.eq.mn_moles[trace.gold], 5e-16);
    EXPECT_DOUBLE_EQ(trace.eq.mn_moles[trace.silver], 5e-16);
    // With gold in the matrix the electrum enters no estimate.
    ElectrumSystem in(-0.2, -0.2);
    in.eq.ph[++in.eq.nph] = in.gold;
    electrum_saturation_estimate(in.sys, in.cond, in.eq, *in.io);
    EXPECT_EQ(in.listing().find("Estimated lowest"), std::string::npos);
}

// d log10 lambda(member) / d n(other) of the Newton rows, against central differences.
TEST(Electrum, CompositionTermsAreTheDerivativesOfTheActivityCoefficients) {
    for (double x : {0.1, 0.5, 0.85}) {
        ElectrumSystem b(0, 0);
        b.eq.ph[++b.eq.nph] = b.gold;
        b.eq.ph[++b.eq.nph] = b.silver;
        auto log_lambda = [&](double n_au, double n_ag, int member) {
            b.eq.mn_moles[b.gold] = n_au, b.eq.mn_moles[b.silver] = n_ag;
            electrum_activity_coefficients(b.sys, 573.15, b.eq);
            return std::log10(b.eq.phase[member].lambda);
        };
        const double n_au = 2e-6 * x, n_ag = 2e-6 * (1 - x), h = 1e-12;
        log_lambda(n_au, n_ag, b.gold);
        ASSERT_EQ(b.eq.nterms, 4);
        const auto terms = b.eq.terms;
        for (const CompositionTerm& t : terms) {
            const double du = t.wrt == b.gold ? h : 0.0, dv = t.wrt == b.silver ? h : 0.0;
            const double expected =
                (log_lambda(n_au + du, n_ag + dv, t.phase) - log_lambda(n_au - du, n_ag - dv, t.phase)) / (2 * h);
            EXPECT_NEAR(t.dlog10_lambda, expected, 1e-6 * std::fabs(expected) + 1e-3)
                << x << " " << t.phase << " " << t.wrt;
        }
    }
}

}  // namespace
}  // namespace zq::test
