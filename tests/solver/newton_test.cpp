// Newton iteration: ideal systems against their closed-form equilibria, pinned iteration
// counts and scaling, and the safeguards of the update.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "solver/activity.h"
#include "solver/newton.h"
#include "support/chem_builder.h"
#include "support/equilibrium_identity.h"

namespace zq::test {
namespace {

constexpr double W0 = WATER_MOLES_PER_KG, KW = 1e-14;
const long double KA = std::pow(10.0L, -4.76L);

// Root of an increasing function by bisection (on a log scale) in long double.
long double bisect(const std::function<long double(long double)>& g, long double lo, long double hi) {
    for (int i = 0; i < 400; ++i) (g(std::sqrt(lo * hi)) > 0 ? hi : lo) = std::sqrt(lo * hi);
    return lo;
}

void expect_rel(double got, long double want, const char* what, double rel = 1e-8) {
    EXPECT_NEAR(got / static_cast<double>(want), 1.0, rel) << what;
}

// Acetic acid, 0.1 mol in a kilogram of water (scaled by `scale`), from a poor start; with
// `sodium`, 0.05 mol of Na+ as a fourth component.
struct WeakAcid {
    ChemBuilder b;
    int oh, hac;
    explicit WeakAcid(double scale = 1.0, bool sodium = false) {
        b.component("H+", 1, 1.008, 0.1 * scale, 1e-7);
        b.component("H2O", 0, 18.015, W0 * scale, 1.0);
        b.component("Ac-", -1, 59.044, 0.1 * scale, 1e-5);
        if (sodium) b.component("Na+", 1, 22.99, 0.05, 0.05);
        oh = b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
        hac = b.species("HAc,aq", 0, -4.76, {{1, 1}, {1, 3}});
        b.eq.water_kg = scale;
        b.rp.C = 3;
    }
};

// Quartz in the matrix holds SiO2,aq at 1e-4; silicic acid (pKa 9.8) and water set the pH.
struct QuartzWater {
    ChemBuilder b;
    int oh, hsio3, quartz;
    explicit QuartzWater(double scale = 1.0) {
        b.component("H+", 1, 1.008, 0.0, 1e-7);
        b.component("H2O", 0, 18.015, W0 * scale, 1.0);
        b.component("SiO2,aq", 0, 60.084, 0.01 * scale, 1e-3);
        oh = b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
        hsio3 = b.species("HSiO3-", -1, 9.8, {{1, 3}, {1, 2}, {-1, 1}});
        quartz = b.mineral("Quartz", -4.0, 60.084, 2.648, {{1, 3}}, 0.005 * scale, true);
        b.eq.water_kg = scale;
    }
};

TEST(NewtonClosedForm, WeakAcid) {
    WeakAcid a;
    ASSERT_TRUE(a.b.start_and_solve().converged());
    // W (h - Kw/h) = C / (1 + h/Ka), with W = W0 / (W0 + Kw/h) from the water balance.
    auto water = [](long double h) { return W0 / (W0 + KW / h); };
    const long double h =
        bisect([&](long double x) { return water(x) * (x - KW / x) - 0.1L / (1 + x / KA); }, 1e-8L, 1);
    const long double ac = 0.1L / (water(h) * (1 + h / KA));
    const EquilibriumState& s = a.b.eq;
    expect_rel(s.m[1], h, "H+");
    expect_rel(s.m[3], ac, "Ac-");
    expect_rel(s.m[a.hac], h * ac / KA, "HAc");
    expect_rel(s.m[a.oh], KW / h, "OH-");
    expect_rel(a.b.eq.water_kg, water(h), "W_kg", 1e-12);
    EXPECT_EQ(s.comp[3].total, 0.1);  // a free pH leaves T(C) alone
    EXPECT_EQ(equilibrium_faults(*a.b.run), "");
    EXPECT_NE(a.b.console().find("     Loop no.   1  Ionic strength:  0.000000000000\n"), std::string::npos);
}

// NaCl 0.5 molal with the ion pair NaCl,aq (K = 10^0.5): x + x^2 / K = 0.5; the water total
// holds the 1e-7 mol of OH-, so W stays one kilogram.
TEST(NewtonClosedForm, StrongElectrolyteWithIonPair) {
    ChemBuilder b;
    b.component("H+", 1, 1.008, 0.0, 1e-6);
    b.component("H2O", 0, 18.015, W0 + 1e-7, 1.0);
    b.component("Na+", 1, 22.99, 0.5, 0.3);
    b.component("Cl-", -1, 35.453, 0.5, 0.3);
    const int oh = b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
    const int pair = b.species("NaCl,aq", 0, 0.5, {{1, 3}, {1, 4}});
    b.rp.C = 4;
    ASSERT_TRUE(b.start_and_solve().converged());
    const long double k = std::pow(10.0L, 0.5L), x = k * (std::sqrt(1 + 2 / k) - 1) / 2;
    const EquilibriumState& s = b.eq;
    expect_rel(s.m[3], x, "Na+");
    expect_rel(s.m[4], x, "Cl-");
    expect_rel(s.m[pair], x * x / k, "NaCl,aq");
    expect_rel(s.m[1], 1e-7L, "H+");
    expect_rel(s.m[oh], 1e-7L, "OH-");
    expect_rel(b.eq.water_kg, 1.0L, "W_kg", 1e-12);
    EXPECT_EQ(equilibrium_faults(*b.run), "");
}

// h^2 = Kw + 1e-4 * 10^-9.8; Quartz holds what the solution does not.
TEST(NewtonClosedForm, OneMineralInTheMatrix) {
    QuartzWater q;
    ASSERT_TRUE(q.b.start_and_solve().converged());
    const long double s = 1e-4L, h = std::sqrt(KW + s * std::pow(10.0L, -9.8L));
    const long double hs = s / (h * std::pow(10.0L, 9.8L)), w = W0 / (W0 + KW / h + hs);
    const EquilibriumState& sys = q.b.eq;
    expect_rel(sys.m[3], s, "SiO2,aq");
    expect_rel(sys.m[1], h, "H+");
    expect_rel(sys.m[q.hsio3], hs, "HSiO3-");
    expect_rel(q.b.eq.water_kg, w, "W_kg", 1e-12);
    expect_rel(sys.mn_moles[q.quartz], 0.01L - w * (s + hs), "Quartz");
    expect_rel(sys.comp[3].solid, 0.01L - w * (s + hs), "solid moles");
    EXPECT_EQ(equilibrium_faults(*q.b.run), "");
}

// pH 5 held by the fixed-pH equation; Na+ (C) takes up the charge of the solution.
TEST(NewtonClosedForm, FixedPhAdjustsTheChargeBalanceComponent) {
    WeakAcid a(1.0, true);
    a.b.rp.pH = 5.0;
    a.b.rp.C = 4;
    ASSERT_TRUE(a.b.start_and_solve().converged());
    const long double h = 1e-5L, w = W0 / (W0 + KW / h), ac = 0.1L / (w * (1 + h / KA));
    const EquilibriumState& s = a.b.eq;
    expect_rel(s.m[1], h, "H+");
    expect_rel(s.m[3], ac, "Ac-");
    expect_rel(s.m[a.hac], h * ac / KA, "HAc");
    expect_rel(s.comp[4].total, w * (ac + KW / h - h), "T(Na+)", 2e-5);  // settles within 1e-5 T(C)
    EXPECT_NEAR(a.b.state.charge_correction, (s.comp[4].total - 0.05) * 2000.0, 1e-9);
    EXPECT_NEAR(s.comp[1].total, a.b.eq.water_kg * (s.m[1] + s.m[a.hac] - s.m[a.oh]), 1e-12);
    EXPECT_EQ(equilibrium_faults(*a.b.run), "");
}

// Two members of an ideal solid solution: a(Ca) a(CO3) / X(Ca) = K(Ca), the same for Mg.
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
    ASSERT_TRUE(b.start_and_solve().converged());
    const EquilibriumState& s = b.eq;
    const double x = s.mn_moles[ca] / (s.mn_moles[ca] + s.mn_moles[mg]);
    EXPECT_NEAR(s.m[3] * s.m[5] / x, 1e-2, 1e-12);
    EXPECT_NEAR(s.m[4] * s.m[5] / (1 - x), std::pow(10.0, -2.5), 1e-12);
    EXPECT_EQ(equilibrium_faults(*b.run), "");
}

// Iteration counts pinned; every amount times 1000 gives the same molalities in as many
// iterations.
template <class System>
void expect_pinned_and_scaled(int iterations) {
    System one(1.0), many(1000.0);
    const SolveResult r1 = one.b.start_and_solve(), r2 = many.b.start_and_solve();
    ASSERT_TRUE(r1.converged() && r2.converged());
    EXPECT_EQ(r1.iterations, iterations);
    EXPECT_EQ(r2.iterations, iterations);
    for (int i = 1; i <= many.b.sys.ns; ++i) EXPECT_NEAR(many.b.eq.m[i] / one.b.eq.m[i], 1.0, 1e-10) << i;
    EXPECT_NEAR(many.b.eq.water_kg / one.b.eq.water_kg, 1000.0, 1e-7);
    EXPECT_EQ(equilibrium_faults(*many.b.run), "");
}

TEST(NewtonPinned, IterationCountsAndScaling) {
    expect_pinned_and_scaled<WeakAcid>(12);
    expect_pinned_and_scaled<QuartzWater>(9);
}

// Started at its equilibrium, a solve still runs to iteration 6 before its first test; with
// NLOOP 6 that is a converged solve, with NLOOP 5 the loop limit.
TEST(NewtonPinned, NoConvergenceTestBeforeIterationSix) {
    WeakAcid a;
    ASSERT_TRUE(a.b.start_and_solve().converged());
    EXPECT_EQ(a.b.solve().iterations, 6);
    a.b.rp.NLOOP = 6;
    EXPECT_TRUE(a.b.solve().converged());
    a.b.rp.NLOOP = 5;
    const SolveResult r = a.b.solve();
    EXPECT_EQ(r.end, SolveEnd::LoopLimit);
    EXPECT_EQ(r.iterations, 5);
}

TEST(NewtonUpdate, ComponentSafeguards) {
    struct Case {
        int k;          // component (2: the kilograms of water)
        double old, d;  // value and correction
        double want, want_d;
        bool warned;
    };
    const Case cases[] = {
        {3, 2.0, 10.0, 2.0, 10.0, false},    // to 12: refused
        {3, 2.0, 7.0, 9.0, 7.0, false},      // to 9: taken
        {3, 2.0, 8.0, 10.0, 8.0, false},     // to exactly 10: taken
        {2, 1.0, 20.0, 21.0, 20.0, false},   // water: always taken
        {3, 1.0, -3.0, 0.25, -0.75, false},  // -3 on 1: halved twice
        {2, 1.0, -3.0, 0.25, -0.75, false},
        {3, 1e-300, -1e-300, 1e-300, -5e-301, true},  // below 1e-300: the floor, a warning
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.old + c.d);
        ChemBuilder b;
        b.component("H+", 1, 1.008, 0.0, 1e-7);
        b.component("H2O", 0, 18.015, W0, 1.0);
        b.component("Na+", 1, 22.99, 0.0, c.old);
        b.eq.water_kg = c.k == 2 ? c.old : 1.0;
        SolverVector delta{};
        delta[c.k] = c.d;
        ASSERT_TRUE(update_components(b.sys, b.eq, delta, *b.io));
        EXPECT_DOUBLE_EQ(c.k == 2 ? b.eq.water_kg : b.eq.m[c.k], c.want);
        EXPECT_DOUBLE_EQ(delta[c.k], c.want_d);
        EXPECT_EQ(b.eq.m[2], 1.0);
        EXPECT_EQ(b.console(), c.warned ? "  ** WARNING! Molality of Na+          less than  0.100-299\n" : "");
    }
}

// The logs of the activity coefficients kept from earlier passes, and those taken over
// from a peer, give the molalities (and the fault) of a pass that takes every log afresh,
// whatever changed in between: a coefficient, its peer's, a component's, a log K.
TEST(NewtonDerivedSpecies, KeptLogsOfCoefficientsChangeNothing) {
    ChemBuilder b;
    b.component("H+", 1, 1.008, 0.0, 1e-7);
    b.component("H2O", 0, 18.015, W0, 1.0);
    b.component("Na+", 1, 22.99, 0.1, 0.1);
    b.component("Cl-", -1, 35.45, 0.1, 0.1);
    const int oh = b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
    const int nacl = b.species("NaCl,aq", 0, 0.5, {{1, 3}, {1, 4}});
    const int clo = b.species("ClO-", -1, 15.0, {{1, 4}, {1, 2}, {-2, 1}});
    const int hcl = b.species("HCl,aq", 0, 0.7, {{1, 1}, {1, 4}});
    set_up_ion_sizes(b.sys);
    ASSERT_EQ(b.sys.sp[clo].gamma_peer, oh);
    ASSERT_EQ(b.sys.sp[hcl].gamma_peer, nacl);
    const std::function<void(EquilibriumState&, Conditions&)> changes[] = {
        [](EquilibriumState&, Conditions&) {},
        [&](EquilibriumState& e, Conditions&) { e.gamma[oh] = e.gamma[clo] = 0.7; },
        [&](EquilibriumState& e, Conditions&) { e.gamma[clo] = 0.65; },
        [&](EquilibriumState& e, Conditions&) { e.gamma[oh] = 0.65, e.gamma[clo] = 0.7; },
        [&](EquilibriumState& e, Conditions& c) { e.gamma[nacl] = e.gamma[hcl] = 1.2, c.logk[hcl] = 0.6; },
        [&](EquilibriumState& e, Conditions&) { e.gamma[3] = 0.8, e.m[4] = 0.09; },
        [&](EquilibriumState& e, Conditions&) { e.gamma[nacl] = -0.0, e.gamma[hcl] = 0.0; },
        [&](EquilibriumState& e, Conditions&) { e.gamma[nacl] = e.gamma[hcl] = 1.0; },
    };
    auto fresh = std::make_unique<NewtonState>();
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        SCOPED_TRACE(i);
        changes[i](b.eq, b.cond);
        auto alone = std::make_unique<EquilibriumState>(b.eq);
        *fresh = NewtonState();
        std::vector<int> peers;
        for (int j = 1; j <= b.sys.ns; ++j) peers.push_back(std::exchange(b.sys.sp[j].gamma_peer, 0));
        const int want = derived_species(b.sys, b.cond, *alone, *fresh, nullptr);
        for (int j = 1; j <= b.sys.ns; ++j) b.sys.sp[j].gamma_peer = peers[static_cast<std::size_t>(j - 1)];
        EXPECT_EQ(derived_species(b.sys, b.cond, b.eq, b.state, nullptr), want);
        for (int j = 1; j <= b.sys.ns; ++j) EXPECT_EQ(b.eq.m[j], alone->m[j]) << j;
    }
}

// The mass-balance rows of the assembly, worked out species by species from their
// definition: F(k) = W m_k - T(k) + W sum_j nu_jk m_j and dF(k)/dm_l = W sum_j nu_jk nu_jl
// m_j / m_l (W on the diagonal), with column 2 the derivative by W; a fixed pH replaces
// row 1.
TEST(NewtonAssembly, MassBalanceRowsOfTheDerivedSpecies) {
    for (const double ph : {0.0, 7.5}) {
        SCOPED_TRACE(ph);
        ChemBuilder b;
        b.component("H+", 1, 1.008, 0.01, 2e-7);
        b.component("H2O", 0, 18.015, W0, 1.0);
        b.component("Na+", 1, 22.99, 0.3, 0.2);
        b.component("Cl-", -1, 35.45, 0.25, 0.15);
        b.component("SO4--", -2, 96.06, 0.02, 0.01);
        b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
        b.species("NaCl,aq", 0, 0.5, {{1, 3}, {1, 4}});
        b.species("Na2SO4,aq", 0, -0.7, {{2, 3}, {1, 5}});
        b.species("HSO4-", -1, -1.9, {{1, 1}, {1, 5}});
        b.species("NaHSO4,aq", 0, -2.2, {{1, 3}, {1, 1}, {1, 5}});
        b.rp.pH = ph;
        b.rp.C = 4;
        b.eq.water_kg = 0.93;
        set_up_ion_sizes(b.sys);
        b.eq.m[2] = 1.0;
        ASSERT_EQ(derived_species(b.sys, b.cond, b.eq, b.state, nullptr), 0);
        assemble(b.sys, b.cond, b.rp, b.eq, b.state, {}, *b.io);
        const LinearSystem& ls = b.state.ls;
        ASSERT_EQ(ls.n, 5);
        const double w = b.eq.water_kg;
        for (int k = ph != 0.0 ? 2 : 1; k <= 5; ++k) {
            SCOPED_TRACE(k);
            double f = w * (k == 2 ? W0 : b.eq.m[k]) - b.eq.comp[k].total;
            std::array<double, 6> a{};
            a[static_cast<std::size_t>(k)] = w;
            for (int j = 6; j <= b.sys.ns; ++j) {
                const Species& s = b.sys.sp[j];
                for (int e = 2; e <= s.nentries; ++e) {
                    if (s.index[static_cast<std::size_t>(e)] != k) continue;
                    const double wnm = w * s.coef[static_cast<std::size_t>(e)] * b.eq.m[j];
                    f += wnm;
                    for (int e2 = 2; e2 <= s.nentries; ++e2) {
                        const int l = s.index[static_cast<std::size_t>(e2)];
                        a[static_cast<std::size_t>(l)] += wnm * s.coef[static_cast<std::size_t>(e2)] / b.eq.m[l];
                    }
                }
            }
            EXPECT_EQ(ls.f[k], f);
            for (int l = 1; l <= 5; ++l) {
                if (l == 2) continue;
                EXPECT_EQ(ls.A(k, l), a[static_cast<std::size_t>(l)]) << l;
            }
            EXPECT_EQ(ls.A(k, 2), (b.eq.comp[k].total + f) / w);
        }
        if (ph != 0.0) {
            EXPECT_EQ(ls.A(1, 1), -b.eq.gamma[1]);
            for (int l = 2; l <= 5; ++l) EXPECT_EQ(ls.A(1, l), 0.0) << l;
        }
    }
}

// A residual that does not shrink is multiplied by a factor that falls by RM at each stalled
// iteration, to 1e-4 (Fprev starts at 1e65); a shrinking one resets it. RM 0 or >= 1: none.
TEST(NewtonUpdate, DampingByRm) {
    NewtonState st;
    const double f[] = {1.0, 1.0, 1.0, 0.5, 0.6}, applied[] = {1.0, 0.5, 0.25, 1.0, 0.5};
    for (int it = 0; it < 5; ++it) {
        st.ls.f[1] = f[it];
        apply_damping(st, 0.5, 1);
        EXPECT_DOUBLE_EQ(st.ls.f[1], f[it] * applied[it]) << it;
    }
    for (int it = 0; it < 30; ++it) st.ls.f[1] = 2.0, apply_damping(st, 0.5, 1);
    EXPECT_DOUBLE_EQ(st.damp[1], 1e-4);
    for (double rm : {0.0, 1.0}) {
        NewtonState s2;
        s2.ls.f[1] = 3.0;
        apply_damping(s2, rm, 1);
        EXPECT_EQ(s2.ls.f[1], 3.0);
    }
}

// In-iteration removal: a pure phase only with SOLMIN < 0, from iteration 5, below SOLMIN;
// an exhausted solid-solution member is held at 1e-20, or removed from iteration 7 with
// LIMSOL > 1, its last partner then a pure phase.
TEST(NewtonUpdate, PhaseRemoval) {
    struct Case {
        double solmin;
        int loop, limsol;
        bool pure_removed, member_removed;
    };
    const Case cases[] = {
        {0.0, 9, 1, false, false}, {-1e-6, 5, 2, true, false}, {-1e-6, 4, 1, false, false}, {1e-9, 7, 2, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loop);
        QuartzWater q;
        const int a = q.b.mineral("A-ss", 1.0, 100, 2.7, {{1, 3}}, 0.3, true, 2);
        q.b.mineral("B-ss", 1.0, 100, 2.7, {{1, 3}}, 0.1, true, 2);
        q.b.rp.SOLMIN = c.solmin;
        q.b.rp.LIMSOL = c.limsol;
        q.b.start();
        q.b.state.loop = c.loop;
        q.b.state.delta[4] = -1.0;  // Quartz to -0.995
        q.b.state.delta[6] = -0.2;  // B-ss to -0.1
        ASSERT_TRUE(update_phases(q.b.sys, q.b.rp, q.b.eq, q.b.state, *q.b.io));
        EXPECT_EQ(q.b.eq.nph, 3 - c.pure_removed - c.member_removed);
        EXPECT_EQ(q.b.state.ls.n, 3 + q.b.eq.nph);
        const std::string con = q.b.console();
        EXPECT_EQ(
            con.find("  Quartz               MINTRY= -0.995E+00 mineral removed from matrix\n") != std::string::npos,
            c.pure_removed);
        EXPECT_EQ(con.find("  B-ss                 MINTRY= -0.100E+00 mineral removed from matrix\n"
                           "  A-ss                 Not in solid solution anymore\n") != std::string::npos,
                  c.member_removed);
        EXPECT_EQ(q.b.eq.phase[a].ss_present, c.member_removed ? 0 : 1);
        EXPECT_DOUBLE_EQ(q.b.eq.ss.total[1], c.member_removed ? 0.3 : 0.3 + 1e-20);
    }
}

TEST(NewtonSize, MatrixLimits) {
    struct Case {
        int nc, nph;
        const char* message;  // nullptr: accepted
    };
    const Case cases[] = {{70, 30, nullptr},
                          {60, 40, nullptr},
                          {70, 31, "\n  Size of matrix reached limit.  N = 101 Maximum size is 100\n"},
                          {10, 41, "\n  Too many phases in matrix ( 41); maximum number allowed is  40\n"}};
    for (const Case& c : cases) {
        ChemBuilder b;
        b.sys.nc = c.nc, b.eq.nph = c.nph;
        EXPECT_EQ(stop_status([&] { check_matrix_size(b.sys, b.eq, b.ps.enthalpy_row, *b.io); }), c.message ? 1 : -1);
        EXPECT_EQ(b.listing(), c.message ? c.message : "");
    }
}

// Na+ and Cl- at 20 mol/kg: every correction that would take them above 10 is refused, the
// unknowns stop changing and the solve ends as stalled after five such iterations instead
// of spending its loop limit.
TEST(NewtonFailure, UnknownsThatStopChangingEndTheSolveEarly) {
    ChemBuilder b;
    b.component("H+", 1, 1.008, 0.0, 1e-7);
    b.component("H2O", 0, 18.015, W0, 1.0);
    b.component("Na+", 1, 22.99, 20.0, 9.0);
    b.component("Cl-", -1, 35.453, 20.0, 9.0);
    b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
    b.rp.C = 4;
    const SolveResult r = b.start_and_solve();
    EXPECT_EQ(r.end, SolveEnd::Stalled);
    EXPECT_LT(r.iterations, 15);
    EXPECT_EQ(r.worst_equation.rfind("mass balance of ", 0), 0u) << r.worst_equation;
}

// The result names the equation of the worst row of the last iteration, however the
// worst row moved from one iteration to the next.
TEST(NewtonFailure, WorstEquationFollowsTheWorstRow) {
    std::set<int> rows;
    for (int nloop = 1; nloop <= 8; ++nloop) {
        SCOPED_TRACE(nloop);
        QuartzWater q;
        q.b.rp.NLOOP = nloop;
        const SolveResult r = q.b.start_and_solve();
        ASSERT_EQ(r.end, SolveEnd::LoopLimit);
        ASSERT_EQ(q.b.eq.nph, 1);
        rows.insert(r.worst_row);
        EXPECT_EQ(r.worst_equation, equation_name(q.b.sys, q.b.eq, q.b.rp, false, r.worst_row));
    }
    EXPECT_GE(rows.size(), 2u);
}

// A fixed pH with a neutral charge-balance component stops: it cannot take up a charge.
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
