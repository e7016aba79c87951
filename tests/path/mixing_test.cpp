// The mixing step on a system built in the tables: the heat balance against its closed form
// for a heat content linear in temperature (the temperatures then average with the weights
// BITMOL and OLDMOL), a recipe without water, and the enthalpy-constraint branch with its
// messages. Mixing on the bundled data against IAPWS-95 is in phases/gas_physics_test.cpp.
#include <gtest/gtest.h>

#include "format/record_layout.h"
#include "path/mixing.h"
#include "phases/enthalpy.h"
#include "support/chem_builder.h"
#include "thermo/grid.h"

namespace zq::test {
namespace {

constexpr double KG_PER_MOLE = 0.018015339997152352;

struct MixSystem : ChemBuilder {
    MixSystem(double temp, double tempc, double mix_water, double i_act) {
        component("H+", 1, 1.008, 0, 1e-7);
        component("H2O", 0, 18.015, WATER_MOLES_PER_KG, 1.0);
        sys.comp[2].mix_total = mix_water;
        rp.TEMP = temp, rp.TEMPC = tempc;
        eq.actmodel.I_st = i_act;
        // Heat content 0.018 kcal/mol per degree at every grid point.
        for (int r = 1; r <= GRID_ROWS; ++r)
            for (int c = 1; c <= GRID_COLS; ++c) grid_cell(sys.header_raw[5], r, c) = 0.018 * GRID_T[c];
        prepare_mixing(sys, cond, rp, ps);
        ps.CURINC = 0.5;
    }
};

TEST(Mixing, HeatBalanceAveragesTheTemperaturesByMolesOfWaterAndSalt) {
    for (int conflg : {0, 1}) {
        MixSystem b(250, 25, 2 * WATER_MOLES_PER_KG, 0.7);
        b.rp.CONFLG = conflg, b.rp.PFLUID = 100;
        if (conflg == 1) prepare_mixing(b.sys, b.cond, b.rp, b.ps);
        mixing_step(b.sys, b.cond, b.rp, b.ps, b.eq, *b.io);
        // BITMOL: 0.5 units of 2 kg, with the recipe's trace ionic strength 1e-10.
        const double bitmol = WATER_MOLES_PER_KG * (1 + KG_PER_MOLE * 0.5e-10);
        const double oldmol = WATER_MOLES_PER_KG * (1 + KG_PER_MOLE * 0.7);
        EXPECT_NEAR(b.rp.TEMP, (250 * oldmol + 25 * bitmol) / (oldmol + bitmol), 1e-9) << "CONFLG " << conflg;
        EXPECT_DOUBLE_EQ(b.eq.comp[2].total, 2 * WATER_MOLES_PER_KG);
        EXPECT_DOUBLE_EQ(b.rp.TOTMIX, 0.5);
    }
}

// A recipe without water changes the totals but not the temperature; with the enthalpy
// constraint on, the portion's water brings its enthalpy at TEMPC into ENTH instead.
TEST(Mixing, NoWaterAndTheEnthalpyConstraint) {
    MixSystem dry(250, 25, 0, 0);
    dry.sys.comp[1].mix_total = 0.2;
    mixing_step(dry.sys, dry.cond, dry.rp, dry.ps, dry.eq, *dry.io);
    EXPECT_EQ(dry.rp.TEMP, 250);
    EXPECT_DOUBLE_EQ(dry.eq.comp[1].total, 0.1);

    MixSystem hot(250, 25, WATER_MOLES_PER_KG, 0);
    hot.ps.enthalpy_row = true;
    hot.rp.ENTH = 450;  // steam enough to take up the portion
    mixing_step(hot.sys, hot.cond, hot.rp, hot.ps, hot.eq, *hot.io);
    const double added = 0.5 * WATER_MOLES_PER_KG * water_molar_enthalpy(25);
    EXPECT_EQ(hot.rp.TEMP, 250);
    EXPECT_DOUBLE_EQ(hot.rp.ENTH, 450 + added);
    EXPECT_NE(hot.console().find("  Heat of mixing solution:      0.464 Kcal/mole\n"
                                 "    Total heat changed by     12.880 Kcal\n"),
              std::string::npos)
        << hot.console();
}

// Under the enthalpy constraint a cold portion that more than condenses the steam cools the
// mixture: to the temperature at which its water, liquid, holds ENTH less the 0.01 kcal of
// steam the constraint starts from.
TEST(Mixing, ColdPortionCondensesAllTheSteam) {
    MixSystem b(250, 25, WATER_MOLES_PER_KG, 0);
    b.ps.enthalpy_row = true;
    b.rp.ENTH = WATER_MOLES_PER_KG * water_molar_enthalpy(250) + 0.01;
    mixing_step(b.sys, b.cond, b.rp, b.ps, b.eq, *b.io);
    const double water = 1.5 * WATER_MOLES_PER_KG;
    EXPECT_LT(b.rp.TEMP, 250);
    EXPECT_NEAR(water * water_molar_enthalpy(b.rp.TEMP), b.rp.ENTH - 0.01, 1e-6);
    EXPECT_NE(
        b.console().find(layout(
            R"("  The mixing solution condenses all the steam: the mixture cools to " [F7.3] "Deg. C")", {b.rp.TEMP})),
        std::string::npos)
        << b.console();
}

// The inverse interpolation on the saturation curve: a heat below that of 25 C goes through
// the nodes 0.01, 25 and 50 C, one above that of 325 C through 300, 325 and 350 C, also above
// 350 C. The heat content here is convex in temperature, so that the three nodes taken
// change the answer.
TEST(Mixing, SaturationNodesOfTheInverseInterpolation) {
    MixSystem b(250, 25, WATER_MOLES_PER_KG, 0);
    auto heat = [](double t) { return 0.018 * t + 4e-5 * t * t; };
    for (int r = 1; r <= GRID_ROWS; ++r)
        for (int c = 1; c <= GRID_COLS; ++c) grid_cell(b.sys.header_raw[5], r, c) = heat(GRID_T[c]);
    auto inverse = [&](double h, double t0, double t1, double t2) {
        const double h0 = heat(t0), h1 = heat(t1), h2 = heat(t2);
        return t0 * (h - h1) * (h - h2) / ((h0 - h1) * (h0 - h2)) + t1 * (h - h0) * (h - h2) / ((h1 - h0) * (h1 - h2)) +
               t2 * (h - h0) * (h - h1) / ((h2 - h0) * (h2 - h1));
    };
    struct Case {
        double t, t0, t1, t2;
    };
    const Case cases[] = {
        {10, 0.01, 25, 50}, {60, 25, 50, 75}, {130, 100, 125, 150}, {340, 300, 325, 350}, {380, 300, 325, 350}};
    for (const Case& c : cases) {
        const double got = temperature_of_heat(b.sys, b.rp, heat(c.t));
        EXPECT_NEAR(got, inverse(heat(c.t), c.t0, c.t1, c.t2), 1e-9) << c.t;
        EXPECT_NEAR(got, c.t, 0.5) << c.t;
    }
}

}  // namespace
}  // namespace zq::test
