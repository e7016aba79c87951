// The state and the conditions copied as far as a run uses them: the species and mineral
// tables up to NS and NMIN, everything else whole, the slots after those left alone.
#include <gtest/gtest.h>

#include <memory>

#include "driver/run_state.h"

namespace zq {
namespace {

constexpr int NS = 7, NMIN = 4;

// A run state whose every value of the state and the conditions is its own: `base` apart.
std::unique_ptr<RunState> filled(double base) {
    auto r = std::make_unique<RunState>();
    r->sys.ns = NS;
    r->sys.nmin = NMIN;
    EquilibriumState& eq = r->eq;
    Conditions& c = r->cond;
    for (int i = 0; i <= MAX_SPECIES; ++i) {
        eq.m[i] = base + i, eq.gamma[i] = base + 0.5 * i, eq.act[i] = base - i;
        c.logk[i] = base + 0.25 * i, c.bdot[i] = base - 0.25 * i;
    }
    for (int i = 0; i <= MAX_MINERALS; ++i) {
        eq.mn_moles[i] = base + 2 * i;
        eq.phase[i] = PhaseState{base + i, base - i, base + 3 * i, static_cast<int>(base) + i};
        c.mn_logk[i] = base + 4 * i, c.mn_logk_raw[i] = base - 4 * i;
    }
    eq.water_kg = base, eq.actmodel.I = base + 1, eq.comp[3].total = base + 2, eq.chg_start = base + 3;
    eq.nph = static_cast<int>(base), eq.ph[2] = static_cast<int>(base) + 1, eq.ss.total[1] = base + 4;
    eq.gas.h_water = base + 5, eq.nterms = 2, eq.terms[1].dlog10_lambda = base + 6;
    c.TK = base, c.logP = base + 1, c.grid.row = static_cast<int>(base), c.header[3] = base + 2;
    c.eos_a_t[2] = base + 3, c.header4_derived = base + 4;
    return r;
}

TEST(AssignInUse, TablesUpToNsAndNminTheRestWhole) {
    const auto from = filled(100.0);
    const auto to = filled(7000.0);
    assign_in_use(to->eq, from->eq, from->sys);
    assign_in_use(to->cond, from->cond, from->sys);
    const EquilibriumState &a = from->eq, &b = to->eq;
    const Conditions &ca = from->cond, &cb = to->cond;
    for (int i = 0; i <= MAX_SPECIES; ++i) {
        SCOPED_TRACE(i);
        const bool used = i <= NS;
        EXPECT_EQ(b.m[i], used ? a.m[i] : 7000.0 + i);
        EXPECT_EQ(b.gamma[i], used ? a.gamma[i] : 7000.0 + 0.5 * i);
        EXPECT_EQ(b.act[i], used ? a.act[i] : 7000.0 - i);
        EXPECT_EQ(cb.logk[i], used ? ca.logk[i] : 7000.0 + 0.25 * i);
        EXPECT_EQ(cb.bdot[i], used ? ca.bdot[i] : 7000.0 - 0.25 * i);
    }
    for (int i = 0; i <= MAX_MINERALS; ++i) {
        SCOPED_TRACE(i);
        const bool used = i <= NMIN;
        EXPECT_EQ(b.mn_moles[i], used ? a.mn_moles[i] : 7000.0 + 2 * i);
        EXPECT_EQ(b.phase[i].logq, used ? a.phase[i].logq : 7000.0 + i);
        EXPECT_EQ(b.phase[i].lambda, used ? a.phase[i].lambda : 7000.0 + 3 * i);
        EXPECT_EQ(b.phase[i].ss_present, used ? a.phase[i].ss_present : 7000 + i);
        EXPECT_EQ(cb.mn_logk[i], used ? ca.mn_logk[i] : 7000.0 + 4 * i);
        EXPECT_EQ(cb.mn_logk_raw[i], used ? ca.mn_logk_raw[i] : 7000.0 - 4 * i);
    }
    EXPECT_EQ(b.water_kg, 100.0);
    EXPECT_EQ(b.actmodel.I, 101.0);
    EXPECT_EQ(b.comp[3].total, 102.0);
    EXPECT_EQ(b.chg_start, 103.0);
    EXPECT_EQ(b.nph, 100);
    EXPECT_EQ(b.ph[2], 101);
    EXPECT_EQ(b.ss.total[1], 104.0);
    EXPECT_EQ(b.gas.h_water, 105.0);
    EXPECT_EQ(b.terms[1].dlog10_lambda, 106.0);
    EXPECT_EQ(cb.TK, 100.0);
    EXPECT_EQ(cb.logP, 101.0);
    EXPECT_EQ(cb.grid.row, 100);
    EXPECT_EQ(cb.header[3], 102.0);
    EXPECT_EQ(cb.eos_a_t[2], 103.0);
    EXPECT_EQ(cb.header4_derived, 104.0);
}

}  // namespace
}  // namespace zq
