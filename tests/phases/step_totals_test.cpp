// The step totals of a converged equilibrium: masses and the solids volume from the phases in
// the matrix, porosity of BOX-1, weight per cents and the water/rock ratio, each with what it
// keeps when there is nothing to compute it from.
#include "phases/step_totals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "driver/run_state.h"

namespace zq {
namespace {

// 40 g of Calcite (2.5 g/cm3) and 20 g of Quartz (2.0 g/cm3) in the matrix: 60 g in 26 cm3,
// 4.4 g of CO2,gas; Dolomite outside the matrix.
struct Totals {
    std::unique_ptr<RunState> run = std::make_unique<RunState>();
    RunParams& rp = run->rp;
    EquilibriumState& eq = run->eq;
    StepTotals kept;
    Totals() {
        ChemicalSystem& s = run->sys;
        s.nc = s.ns = 2;
        eq.act[1] = eq.act[2] = 1.0;
        const struct {
            const char* name;
            double gfw, density, moles;
            bool gas;
        } phases[] = {{"Calcite", 100, 2.5, 0.4, false},
                      {"Quartz", 50, 2.0, 0.4, false},
                      {"CO2,gas", 44, 0, 0.1, true},
                      {"Dolomite", 184, 2.9, 1.0, false}};
        for (const auto& p : phases) {
            Mineral& mn = s.mn[++s.nmin];
            mn.name = Name20(p.name), mn.gfw = p.gfw, mn.density = p.density, mn.flag = Kind4(p.gas ? "GAS " : "");
            eq.mn_moles[s.nmin] = p.moles;
        }
        eq.nph = 3;
        eq.ph[1] = 1, eq.ph[2] = 2, eq.ph[3] = 3;
        kept.porosity = 42.5, kept.water_rock = 7.0, kept.log_water_rock = 0.5, kept.wt_percent[1] = 12.5;
    }
    StepTotals get() const { return step_totals(run->sys, eq, rp, kept); }
};

TEST(StepTotals, MassesVolumeAndWeightPercents) {
    Totals t;
    const StepTotals r = t.get();
    EXPECT_DOUBLE_EQ(r.solids_grams, 60.0);
    EXPECT_DOUBLE_EQ(r.gas_grams, 4.4);
    EXPECT_DOUBLE_EQ(r.solids_volume, 26.0);
    EXPECT_NEAR(r.wt_percent[1], 200.0 / 3.0, 1e-12);
    EXPECT_DOUBLE_EQ(r.wt_percent[3], 100.0);
    EXPECT_DOUBLE_EQ(r.wt_percent[4], 0.0);  // outside the matrix: untouched

    t.eq.mn_moles[1] = t.eq.mn_moles[2] = 0.0;  // no solids mass: the last per cents stay
    EXPECT_DOUBLE_EQ(t.get().wt_percent[1], 12.5);
}

// 100 - V * 100 / VBOX-1, shown as -999 from -1000 down; without a box the last value stays.
TEST(StepTotals, PorosityOfTheBox) {
    const struct {
        double vbox, porosity;
    } cases[] = {{52.0, 50.0}, {2.6, -900.0}, {2.36363636363636, -999.0}, {0.026, -999.0}, {0.0, 42.5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.vbox);
        Totals t;
        t.rp.VBOX1 = c.vbox;
        EXPECT_NEAR(t.get().porosity, c.porosity, 1e-9);
    }
}

// AQGRM over TOTMIX in a titration run; kept while TOTMIX is 0, its log while the ratio is
// not positive; nothing at all without titration.
TEST(StepTotals, WaterRockRatio) {
    const struct {
        int minsol;
        double totmix, aqgrm, ratio, log_ratio;
    } cases[] = {{1, 10.0, 1000.0, 100.0, 2.0},
                 {1, 0.0, 1000.0, 7.0, std::log10(7.0)},
                 {3, -2.0, 1000.0, -500.0, 0.5},
                 {0, 10.0, 1000.0, 7.0, 0.5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.totmix);
        Totals t;
        t.rp.MINSOL = c.minsol, t.rp.TOTMIX = c.totmix, t.rp.AQGRM = c.aqgrm;
        StepTotals r = t.get();
        update_water_rock(r, t.rp);
        EXPECT_DOUBLE_EQ(r.water_rock, c.ratio);
        EXPECT_NEAR(r.log_water_rock, c.log_ratio, 1e-12);
    }
}

}  // namespace
}  // namespace zq
