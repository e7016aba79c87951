// Linear dependence of the phases of the matrix: the rank decision on exact and nearly
// dependent sets at any stoichiometric scale, and which phase a dependent entering phase
// displaces.
#include "phases/phase_dependence.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/run_state.h"

namespace zq {
namespace {

using Vector = std::vector<double>;

// a = (1, 2, 0, 1), b = (0, 1, 3, -1); v = 2a - 0.5b = (2, 3.5, -1.5, 2.5) plus a perturbation.
TEST(PhaseDependence, RankDecisionOnExactAndNearlyDependentSets) {
    const Vector a = {1, 2, 0, 1}, b = {0, 1, 3, -1};
    const struct {
        const char* what;
        double perturbation;
        bool dependent;
    } cases[] = {
        {"exact", 0, true}, {"off by 1e-12", 1e-12, true}, {"off by 1e-6", 1e-6, false}, {"off by 1e-3", 1e-3, false}};
    for (const double scale : {1.0, 1e-3, 1e3}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + " at scale " + std::to_string(scale));
            Vector sa = a, sb = b, v(4);
            for (std::size_t i = 0; i < 4; ++i) {
                sa[i] *= scale, sb[i] *= scale;
                v[i] = 2 * sa[i] - 0.5 * sb[i];
            }
            v[2] += c.perturbation * scale;
            const Vector coef = dependence_on({sa, sb}, v);
            ASSERT_EQ(!coef.empty(), c.dependent);
            if (c.dependent) {
                EXPECT_NEAR(coef[0], 2.0, 1e-9);
                EXPECT_NEAR(coef[1], -0.5, 1e-9);
            }
        }
    }
    EXPECT_TRUE(dependence_on({a, b}, {0, 0, 0, 1}).empty());  // a fresh direction
}

// Four components (H+, H2O, A, B). In the matrix: P1 = A (0.3 moles), P2 = B (0.1 moles),
// P3 = A + H2O (a hydrate of P1, 0.5 moles). Entering: AB = A + B, formed by the reaction
// P1 + P2 = AB, which uses up P2 first (0.1 / 1 below 0.3 / 1).
struct Phases {
    std::unique_ptr<RunState> run = std::make_unique<RunState>();
    Phases() {
        ChemicalSystem& s = run->sys;
        s.nc = 4;
        const struct {
            const char* name;
            std::vector<std::pair<double, int>> reaction;
            double moles;
        } phases[] = {{"P1", {{1, 3}}, 0.3},
                      {"P2", {{1, 4}}, 0.1},
                      {"AB", {{1, 3}, {1, 4}}, 0},
                      {"P3", {{1, 3}, {1, 2}}, 0.5},
                      {"Lonely", {{1, 1}}, 0}};
        for (const auto& p : phases) {
            Mineral& mn = s.mn[++s.nmin];
            mn.name = Name20(p.name);
            for (const auto& [c, k] : p.reaction) {
                ++mn.itot;
                mn.coefm[static_cast<std::size_t>(mn.itot)] = c;
                mn.specm[static_cast<std::size_t>(mn.itot)] = k;
            }
            run->eq.mn_moles[s.nmin] = p.moles;
        }
    }
    Displacement enter(const std::vector<int>& matrix, int entering, double log_qk_entering) {
        std::vector<double> d(6, 0.0);
        d[static_cast<std::size_t>(entering)] = log_qk_entering;
        return displaced_by(run->sys, run->rp, run->eq, matrix, entering, d);
    }
};

TEST(PhaseDependence, EnteringPhaseDisplacesThePhaseTheReactionUsesUpFirst) {
    Phases p;
    const Displacement d = p.enter({1, 2}, 3, 0.5);
    EXPECT_EQ(d.leaves, 2);
    EXPECT_EQ(d.reaction, "AB = 1.0000 P1 + 1.0000 P2");
    EXPECT_EQ(p.enter({1, 2}, 3, -0.5).leaves, 3);  // not favoured: the entering one goes
    EXPECT_EQ(p.enter({1}, 3, 0.5).leaves, 0);      // independent of P1 alone
    EXPECT_EQ(p.enter({1, 2}, 5, 0.5).leaves, 0);   // H+ is free: independent
    // P3 differs from P1 only by water, which the solution holds: with P1 it is dependent.
    EXPECT_EQ(p.enter({2, 4}, 1, 0.5).leaves, 4);
    p.run->rp.pH = 7;  // H+ held too: "Lonely" has nothing left and takes no part
    EXPECT_EQ(p.enter({1, 2}, 5, 0.5).leaves, 0);
}

}  // namespace
}  // namespace zq
