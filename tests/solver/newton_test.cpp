// Newton iteration: ideal systems against their closed-form equilibria, the identities of
// every converged state, pinned iteration counts, scaling, and the safeguards of the update.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "solver/newton.h"
#include "support/chem_builder.h"
#include "support/equilibrium_identity.h"

namespace zq::test {
namespace {

constexpr double W0 = WATER_MOLES_PER_KG;
constexpr double KW = 1e-14;

// Root of an increasing function on [lo, hi] by bisection in long double.
long double bisect(const std::function<long double(long double)>& g, long double lo, long double hi) {
    for (int i = 0; i < 400; ++i) {
        const long double mid = std::sqrt(lo * hi);  // the roots here span decades
        (g(mid) > 0 ? hi : lo) = mid;
    }
    return std::sqrt(lo * hi);
}

void expect_rel(double got, long double want, const char* what, double rel = 1e-8) {
    EXPECT_NEAR(got / static_cast<double>(want), 1.0, rel) << what << ": got " << got << " want "
                                                            << static_cast<double>(want);
}

// Acetic acid, 0.1 mol in one kilogram of water: H+, H2O and Ac- with OH- and HAc.
struct WeakAcid {
    static constexpr double C = 0.1;
    static constexpr double KA = 1.7378008287493762e-05;  // 10^-4.76
    ChemBuilder b;
    int oh = 0, hac = 0;
    explicit WeakAcid(double scale = 1.0) {
        b.component("H+", 1, 1.008, C * scale, 1e-7);
        b.component("H2O", 0, 18.015, W0 * scale, 1.0);
        b.component("Ac-", -1, 59.044, C * scale, 1e-5);
        oh = b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
        hac = b.species("HAc,aq", 0, -4.76, {{1, 1}, {1, 3}});
        b.rp.water_kg = scale;
        b.rp.C = 3;
    }
    // The exact h, W and molalities from the three balances.
    struct Exact {
        long double h, w, ac, hac, oh;
    };
    static Exact exact() {
        const long double ka = std::pow(10.0L, -4.76L);
        auto water = [](long double h) { return W0 / (W0 + KW / h); };
        auto g = [&](long double h) { return water(h) * (h - KW / h) - C / (1 + h / ka); };
        Exact e{};
        e.h = bisect(g, 1e-8L, 1.0L);
        e.w = water(e.h);
        e.ac = C / (e.w * (1 + e.h / ka));
        e.hac = e.h * e.ac / ka;
        e.oh = KW / e.h;
        return e;
    }
};

TEST(NewtonClosedForm, WeakAcidMatchesTheExactSpeciation) {
    WeakAcid a;
    const SolveResult r = a.b.start_and_solve();
    ASSERT_TRUE(r.converged()) << a.b.console();
    const auto e = WeakAcid::exact();
    const ChemicalSystem& s = *a.b.sys;
    expect_rel(s.m[1], e.h, "H+");
    expect_rel(s.m[3], e.ac, "Ac-");
    expect_rel(s.m[a.hac], e.hac, "HAc");
    expect_rel(s.m[a.oh], e.oh, "OH-");
    expect_rel(a.b.rp.water_kg, e.w, "W_kg", 1e-12);
    const IdentityReport id = check_equilibrium(s, a.b.rp);
    EXPECT_TRUE(id.ok()) << id.text();
}

// NaCl 0.5 molal with the ion pair NaCl,aq: W stays one kilogram when the water total holds
// the 1e-7 mol of OH-, and the free ions solve x + x^2 / K = 0.5.
TEST(NewtonClosedForm, StrongElectrolyteWithIonPair) {
    ChemBuilder b;
    b.component("H+", 1, 1.008, 0.0, 1e-6);
    b.component("H2O", 0, 18.015, W0 + 1e-7, 1.0);
    b.component("Na+", 1, 22.99, 0.5, 0.3);
    b.component("Cl-", -1, 35.453, 0.5, 0.3);
    const int oh = b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
    const int pair = b.species("NaCl,aq", 0, 0.5, {{1, 3}, {1, 4}});
    b.rp.C = 4;
    ASSERT_TRUE(b.start_and_solve().converged()) << b.console();
    const long double k = std::pow(10.0L, 0.5L);
    const long double x = k * (std::sqrt(1 + 4 * 0.5L / k) - 1) / 2;
    const ChemicalSystem& s = *b.sys;
    expect_rel(s.m[3], x, "Na+");
    expect_rel(s.m[4], x, "Cl-");
    expect_rel(s.m[pair], x * x / k, "NaCl,aq");
    expect_rel(s.m[1], 1e-7L, "H+");
    expect_rel(s.m[oh], 1e-7L, "OH-");
    expect_rel(b.rp.water_kg, 1.0L, "W_kg", 1e-12);
    const IdentityReport id = check_equilibrium(s, b.rp);
    EXPECT_TRUE(id.ok()) << id.text();
}

// Quartz in the matrix fixes SiO2,aq at 10^-4; silicic acid's first dissociation
// (pKa 9.8) and water set the pH: h^2 = Kw + 10^-4 * 10^-9.8.
struct QuartzWater {
    ChemBuilder b;
    int oh = 0, hsio3 = 0, quartz = 0;
    explicit QuartzWater(double scale = 1.0) {
        b.component("H+", 1, 1.008, 0.0, 1e-7);
        b.component("H2O", 0, 18.015, W0 * scale, 1.0);
        b.component("SiO2,aq", 0, 60.084, 0.01 * scale, 1e-3);
        oh = b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
        hsio3 = b.species("HSiO3-", -1, 9.8, {{1, 3}, {1, 2}, {-1, 1}});
        quartz = b.mineral("Quartz", -4.0, 60.084, 2.648, {{1, 3}}, 0.005 * scale, true);
        b.rp.water_kg = scale;
        b.rp.C = 1;
    }
};

TEST(NewtonClosedForm, OneMineralInTheMatrix) {
    QuartzWater q;
    ASSERT_TRUE(q.b.start_and_solve().converged()) << q.b.console();
    const long double s = 1e-4L;
    const long double h = std::sqrt(1e-14L + s * std::pow(10.0L, -9.8L));
    const long double hs = s / (h * std::pow(10.0L, 9.8L));
    const long double oh = 1e-14L / h;
    const long double w = W0 / (W0 + oh + hs);
    const ChemicalSystem& sys = *q.b.sys;
    expect_rel(sys.m[3], s, "SiO2,aq");
    expect_rel(sys.m[1], h, "H+");
    expect_rel(sys.m[q.hsio3], hs, "HSiO3-");
    expect_rel(sys.m[q.oh], oh, "OH-");
    expect_rel(q.b.rp.water_kg, w, "W_kg", 1e-12);
    expect_rel(sys.mn_moles[q.quartz], 0.01L - w * (s + hs), "Quartz");
    expect_rel(sys.comp[3].solid, 0.01L - w * (s + hs), "solid moles of SiO2,aq");
    const IdentityReport id = check_equilibrium(sys, q.b.rp);
    EXPECT_TRUE(id.ok()) << id.text();
}

// The pH held at 5 by the fixed-pH equation; Na+ (C) takes up the charge of the solution.
TEST(NewtonClosedForm, FixedPhAdjustsTheChargeBalanceComponent) {
    ChemBuilder b;
    b.component("H+", 1, 1.008, 0.1, 1e-3);
    b.component("H2O", 0, 18.015, W0, 1.0);
    b.component("Ac-", -1, 59.044, 0.1, 0.05);
    b.component("Na+", 1, 22.99, 0.05, 0.05);
    const int oh = b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
    const int hac = b.species("HAc,aq", 0, -4.76, {{1, 1}, {1, 3}});
    b.rp.pH = 5.0;
    b.rp.C = 4;
    const SolveResult r = b.start_and_solve();
    ASSERT_TRUE(r.converged()) << b.console();
    const long double h = 1e-5L, ka = std::pow(10.0L, -4.76L);
    const long double w = W0 / (W0 + KW / h);
    const long double ac = 0.1L / (w * (1 + h / ka));
    const ChemicalSystem& s = *b.sys;
    expect_rel(s.m[1], h, "H+");
    expect_rel(s.act[1], h, "a(H+)", 1e-15);
    expect_rel(s.m[3], ac, "Ac-");
    expect_rel(s.m[hac], h * ac / ka, "HAc");
    expect_rel(s.m[oh], KW / h, "OH-");
    // The charge adjustment settles at 1e-5 of T(C).
    const long double na = w * (ac + KW / h - h);
    expect_rel(s.comp[4].total, na, "T(Na+)", 2e-5);
    EXPECT_NEAR(b.state->charge_correction, (s.comp[4].total - 0.05) * 100.0 / 0.05, 1e-9);
    // The H+ total follows the solution: W (m(H+) + m(HAc) - m(OH-)).
    const double w_kg = b.rp.water_kg;
    EXPECT_NEAR(s.comp[1].total, w_kg * (s.m[1] + s.m[hac] - s.m[oh]), 1e-12);
    const IdentityReport id = check_equilibrium(s, b.rp);
    EXPECT_TRUE(id.ok()) << id.text();
}

// A pH of 0 is a free pH: the H+ mass balance stays and T(C) is not touched.
TEST(NewtonClosedForm, PhZeroLeavesThePhFree) {
    WeakAcid a;
    a.b.rp.pH = 0.0;
    ASSERT_TRUE(a.b.start_and_solve().converged());
    EXPECT_EQ(a.b.sys->comp[3].total, WeakAcid::C);
    EXPECT_EQ(a.b.state->charge_correction, 0.0);
    EXPECT_NE(a.b.sys->m[1], 1.0);
}

// Known cases converge in a pinned number of iterations; every amount times 1000 gives the
// same molalities in the same number of iterations.
template <class System>
void expect_pinned_and_scaled(int iterations) {
    System one(1.0), many(1000.0);
    const SolveResult r1 = one.b.start_and_solve();
    const SolveResult r2 = many.b.start_and_solve();
    ASSERT_TRUE(r1.converged());
    ASSERT_TRUE(r2.converged());
    EXPECT_EQ(r1.iterations, iterations);
    EXPECT_EQ(r2.iterations, r1.iterations);
    const ChemicalSystem &s1 = *one.b.sys, &s2 = *many.b.sys;
    for (int i = 1; i <= s2.ns; ++i) EXPECT_NEAR(s2.m[i] / s1.m[i], 1.0, 1e-10) << s2.sp[i].name.str();
    for (int p = 1; p <= s2.nph; ++p) EXPECT_NEAR(s2.mn_moles[s2.ph[p]] / s1.mn_moles[s1.ph[p]], 1000.0, 1e-7);
    EXPECT_NEAR(many.b.rp.water_kg / one.b.rp.water_kg, 1000.0, 1e-7);
    EXPECT_TRUE(check_equilibrium(s2, many.b.rp).ok());
}

TEST(NewtonPinned, IterationCountsAndScaling) {
    {
        SCOPED_TRACE("weak acid");
        expect_pinned_and_scaled<WeakAcid>(12);
    }
    {
        SCOPED_TRACE("quartz");
        expect_pinned_and_scaled<QuartzWater>(9);
    }
}

// Started at its equilibrium, a system still iterates to iteration 6 before the first test.
TEST(NewtonPinned, NoConvergenceTestBeforeIterationSix) {
    WeakAcid first;
    ASSERT_TRUE(first.b.start_and_solve().converged());
    SolveResult again = first.b.solve();
    ASSERT_TRUE(again.converged());
    EXPECT_EQ(again.iterations, 6);

    // With NLOOP 5 the solve ends at the loop limit, converged or not.
    first.b.rp.NLOOP = 5;
    again = first.b.solve();
    EXPECT_EQ(again.end, SolveEnd::LoopLimit);
    EXPECT_EQ(again.iterations, 5);
}

// The "Loop no." console line of every iteration but the converged one.
TEST(NewtonPinned, LoopLinesOnTheConsole) {
    WeakAcid a;
    a.b.rp.NEUT = 0;  // the line shows the true ionic strength of the activity model
    a.b.rp.AWAT = 1;
    const SolveResult r = a.b.start_and_solve();
    ASSERT_TRUE(r.converged());
    const std::string con = a.b.console();
    for (int i = 1; i < r.iterations; ++i) {
        char head[64];
        std::snprintf(head, sizeof head, "     Loop no.%4d  Ionic strength: ", i);
        EXPECT_NE(con.find(head), std::string::npos) << head;
    }
    char last[64];
    std::snprintf(last, sizeof last, "     Loop no.%4d", r.iterations);
    EXPECT_EQ(con.find(last), std::string::npos);
    EXPECT_TRUE(check_equilibrium(*a.b.sys, a.b.rp).ok());
}

// The update of the component molalities and of the water, case by case.
TEST(NewtonUpdate, ComponentSafeguards) {
    struct Case {
        const char* what;
        int k;          // component updated (2: water)
        double old, d;  // value before and correction
        double want;    // value after
        double want_d;  // correction after halving
        bool warned;
    };
    const Case cases[] = {
        {"to 12 refused", 3, 2.0, 10.0, 2.0, 10.0, false},
        {"to 9 taken", 3, 2.0, 7.0, 9.0, 7.0, false},
        {"exactly 10 taken", 3, 2.0, 8.0, 10.0, 8.0, false},
        {"water above 10 taken", 2, 1.0, 20.0, 21.0, 20.0, false},
        {"-3 on 1 halved twice", 3, 1.0, -3.0, 0.25, -0.75, false},
        {"water -3 on 1 halved twice", 2, 1.0, -3.0, 0.25, -0.75, false},
        {"-1 on 1 halved once", 3, 1.0, -1.0, 0.5, -0.5, false},
        {"floor at 1e-300", 3, 1e-300, -1e-300, 1e-300, -5e-301, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ChemBuilder b;
        b.component("H+", 1, 1.008, 0.0, 1e-7);
        b.component("H2O", 0, 18.015, W0, 1.0);
        b.component("Na+", 1, 22.99, 0.0, 1e-3);
        b.sys->m[2] = 1.0;
        b.rp.water_kg = c.k == 2 ? c.old : 1.0;
        if (c.k != 2) b.sys->m[c.k] = c.old;
        SolverVector delta{};
        delta[c.k] = c.d;
        ASSERT_TRUE(update_components(*b.sys, b.rp, delta, *b.io));
        EXPECT_DOUBLE_EQ(c.k == 2 ? b.rp.water_kg : b.sys->m[c.k], c.want);
        EXPECT_DOUBLE_EQ(delta[c.k], c.want_d);
        EXPECT_EQ(b.sys->m[2], 1.0);  // the H2O slot is back at 1.0
        EXPECT_EQ(b.console().find("** WARNING! Molality of Na+          less than  0.100-299") != std::string::npos,
                  c.warned)
            << b.console();
    }
}

// Damping by RM: a residual that does not shrink is scaled by a factor that is multiplied
// by RM at each stalled iteration, the factor kept at 1e-4 or above; a shrinking one resets
// it. RM 0 or 1 and above leave the residuals alone.
TEST(NewtonUpdate, DampingByRm) {
    NewtonState st;
    const double f[] = {1.0, 1.0, 1.0, 0.5, 0.6};
    const double applied[] = {1.0, 0.5, 0.25, 1.0, 0.5};  // Fprev starts at 1e65
    for (int it = 0; it < 5; ++it) {
        st.ls.f[1] = f[it];
        apply_damping(st, 0.5, 1);
        EXPECT_DOUBLE_EQ(st.ls.f[1], f[it] * applied[it]) << "iteration " << it;
        EXPECT_DOUBLE_EQ(st.fprev[1], f[it]);
    }
    // Stalled for good: the factor goes down to 1e-4 and stays there.
    for (int it = 0; it < 30; ++it) {
        st.ls.f[1] = 2.0;
        apply_damping(st, 0.5, 1);
    }
    EXPECT_DOUBLE_EQ(st.damp[1], 1e-4);
    EXPECT_DOUBLE_EQ(st.ls.f[1], 2.0 * 0.5e-4);

    for (double rm : {0.0, 1.0, 1.5}) {
        NewtonState s2;
        s2.fprev[1] = 0.1;
        s2.ls.f[1] = 3.0;
        apply_damping(s2, rm, 1);
        EXPECT_EQ(s2.ls.f[1], 3.0) << rm;
        EXPECT_EQ(s2.fprev[1], 0.1) << rm;
    }
}

// A damped solve still converges, and Fprev and the damping factors carry over from one
// solve to the next.
TEST(NewtonUpdate, DampedSolveConverges) {
    QuartzWater q;
    q.b.rp.RM = 0.5;
    const SolveResult r = q.b.start_and_solve();
    ASSERT_TRUE(r.converged());
    EXPECT_TRUE(check_equilibrium(*q.b.sys, q.b.rp, 1e4).ok());
    EXPECT_NE(q.b.state->fprev[1], 1e65);
}

// In-iteration removal of a pure phase: only with SOLMIN negative, from iteration 5 on, and
// for an amount below SOLMIN.
TEST(NewtonUpdate, PhaseRemovalBySolmin) {
    struct Case {
        double solmin;
        int loop;
        double moles_after;
        bool removed;
    };
    const Case cases[] = {
        {0.0, 9, -5.0, false}, {1e-9, 9, -5.0, false},  {-1e-6, 5, -5.0, true},
        {-1e-6, 4, -5.0, false}, {-1e-6, 9, -1e-7, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.solmin) + " loop " + std::to_string(c.loop));
        QuartzWater q;
        const int calcite = q.b.mineral("Calcite", 1.8, 100.09, 2.71, {{1, 3}}, 1.0, true);
        q.b.start();
        q.b.rp.SOLMIN = c.solmin;
        q.b.state->loop = c.loop;
        q.b.state->delta[4] = 0.0;
        q.b.state->delta[5] = c.moles_after - 1.0;
        q.b.state->tol[5] = 0.125;
        ASSERT_TRUE(update_phases(*q.b.sys, q.b.rp, *q.b.state, *q.b.io));
        EXPECT_EQ(q.b.sys->nph, c.removed ? 1 : 2);
        EXPECT_EQ(q.b.state->ls.n, c.removed ? 4 : 5);
        EXPECT_NEAR(q.b.sys->mn_moles[calcite], c.moles_after, 1e-15);
        const std::string line = "  Calcite              MINTRY= -0.500E+01 mineral removed from matrix\n";
        EXPECT_EQ(q.b.console().find(line) != std::string::npos, c.removed);
        EXPECT_EQ(q.b.listing().find(line) != std::string::npos, c.removed);
    }
}

// End members of a solid solution: an exhausted one is held at 1e-20, or from iteration 7
// with LIMSOL above 1 removed; the last member left is a pure phase from then on.
TEST(NewtonUpdate, SolidSolutionMembers) {
    for (int limsol : {1, 2}) {
        SCOPED_TRACE(limsol);
        ChemBuilder b;
        b.component("H+", 1, 1.008, 0.0, 1e-7);
        b.component("H2O", 0, 18.015, W0, 1.0);
        b.component("Ca++", 2, 40.08, 0.01, 1e-3);
        b.component("Mg++", 2, 24.3, 0.01, 1e-3);
        const int a = b.mineral("CaX", 1.0, 100, 2.7, {{1, 3}}, 0.3, true, 2);
        const int m = b.mineral("MgX", 1.0, 84, 3.0, {{1, 4}}, 0.1, true, 2);
        b.rp.LIMSOL = limsol;
        b.start();
        ASSERT_EQ(b.sys->mn[a].ss_present, 1);
        EXPECT_DOUBLE_EQ(b.sys->ss.total[1], 0.4);
        b.state->loop = 7;
        b.state->delta[5] = 0.2;
        b.state->delta[6] = -0.2;
        ASSERT_TRUE(update_phases(*b.sys, b.rp, *b.state, *b.io));
        if (limsol == 1) {
            EXPECT_EQ(b.sys->nph, 2);
            EXPECT_DOUBLE_EQ(b.sys->mn_moles[m], 1e-20);
            EXPECT_DOUBLE_EQ(b.sys->ss.total[1], 0.5 + 1e-20);
        } else {
            EXPECT_EQ(b.sys->nph, 1);
            EXPECT_EQ(b.sys->mn[a].ss_present, 0);
            EXPECT_EQ(b.sys->mn[m].ss_present, 0);
            EXPECT_NE(b.console().find("  MgX                  MINTRY= -0.100E+00 mineral removed from matrix\n"),
                      std::string::npos);
            EXPECT_NE(b.console().find("  CaX                  Not in solid solution anymore\n"), std::string::npos);
        }
    }
}

// Two end members of an ideal solid solution with a common ion: X(Ca) = a(Ca) / K(Ca) and
// X(Mg) = a(Mg) / K(Mg) must add up to 1.
TEST(NewtonClosedForm, IdealSolidSolution) {
    ChemBuilder b;
    b.component("H+", 1, 1.008, 0.0, 1e-7);
    b.component("H2O", 0, 18.015, W0, 1.0);
    b.component("Ca++", 2, 40.08, 0.5, 1e-3);
    b.component("Mg++", 2, 24.3, 0.5, 1e-3);
    b.component("CO3--", -2, 60.01, 1.0, 1e-3);
    const int ca = b.mineral("CaCO3-ss", -2.0, 100.09, 2.7, {{1, 3}, {1, 5}}, 0.3, true, 2);
    const int mg = b.mineral("MgCO3-ss", -2.5, 84.31, 3.0, {{1, 4}, {1, 5}}, 0.3, true, 2);
    b.rp.C = 5;
    ASSERT_TRUE(b.start_and_solve().converged()) << b.console();
    const ChemicalSystem& s = *b.sys;
    const double xca = s.mn_moles[ca] / (s.mn_moles[ca] + s.mn_moles[mg]);
    EXPECT_NEAR(s.m[3] * s.m[5] / xca, 1e-2, 1e-12);
    EXPECT_NEAR(s.m[4] * s.m[5] / (1 - xca), std::pow(10.0, -2.5), 1e-12);
    const IdentityReport id = check_equilibrium(s, b.rp);
    EXPECT_TRUE(id.ok()) << id.text();
}

// The size limits of a solve: 100 unknowns pass, 101 stop; 41 phases stop.
TEST(NewtonSize, MatrixLimits) {
    struct Case {
        int nc, nph, status;
        const char* message;
    };
    const Case cases[] = {
        {70, 30, -1, nullptr},
        {60, 40, -1, nullptr},
        {70, 31, 1, "\n  Size of matrix reached limit.  N = 101 Maximum size is 100\n"},
        {10, 41, 1, "\n  Too many phases in matrix ( 41); maximum number allowed is  40\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.nc) + " + " + std::to_string(c.nph));
        ChemBuilder b;
        b.sys->nc = c.nc;
        b.sys->nph = c.nph;
        EXPECT_EQ(stop_status([&] { check_matrix_size(*b.sys, b.rp, *b.io); }), c.status);
        EXPECT_EQ(b.listing(), c.message ? c.message : "");
    }
}

// A residual that is not a number ends the solve at once; the state stays finite.
TEST(NewtonFailure, NonFiniteResidualEndsTheSolve) {
    QuartzWater q;
    q.b.sys->mn[q.quartz].logk = std::nan("");
    const SolveResult r = q.b.start_and_solve();
    EXPECT_EQ(r.end, SolveEnd::NotFinite);
    EXPECT_EQ(r.iterations, 1);
    EXPECT_EQ(r.fault, "residual of the mass action of Quartz");
    for (int i = 1; i <= q.b.sys->ns; ++i) EXPECT_TRUE(std::isfinite(q.b.sys->m[i]));
    EXPECT_EQ(q.b.console().find("Loop no."), std::string::npos);
}

// A fixed pH with a neutral charge-balance component stops: it cannot take up the charge.
TEST(NewtonFailure, FixedPhWithNeutralChargeComponentStops) {
    QuartzWater q;
    q.b.rp.pH = 7.0;
    q.b.rp.C = 3;
    EXPECT_EQ(stop_status([&] { q.b.start_and_solve(); }), 1);
    EXPECT_NE(q.b.console().find("  Charge imbalance cannot be adjusted: SiO2,aq      carries no charge."),
              std::string::npos);
}

}  // namespace
}  // namespace zq::test
