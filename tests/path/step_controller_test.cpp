// The step controller on a system built in the tables: every kind of step with its change,
// its messages and its limit, the end of half-step searching, the molar enthalpies and the
// after-step sequence of an enthalpy run with a gas in the matrix. Steps that re-evaluate
// the data at a new temperature or pressure are tested on whole runs (path_run_test.cpp).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "path/step_controller.h"
#include "phases/enthalpy.h"
#include "support/chem_builder.h"

namespace zq::test {
namespace {

// Water and H+ only: enough for the steps that do not re-evaluate the data.
struct PathSystem : ChemBuilder {
    PathSystem() {
        component("H+", 1, 1.008, 1e-7, 1e-7);
        component("H2O", 0, 18.015, WATER_MOLES_PER_KG, 1.0);
        eq.act[1] = 1e-7;
    }
};

// -1 when the path goes on, 0 when it has reached its end, else the status of the stop.
int step_status(PathSystem& b) {
    int status = -1;
    const int stop = stop_status([&] {
        if (step_controller(b.sys, b.cond, b.rp, b.ps, b.eq, *b.io) == StepOutcome::LimitReached) status = 0;
    });
    return stop == -1 ? status : stop;
}

TEST(StepController, EachKindOfStepChangesItsVariableAndStopsPastItsLimit) {
    struct Case {
        const char* name;
        std::function<void(RunParams&, PathState&)> set;
        int status;           // -1: the path goes on, 0: it has reached its end
        std::string console;  // expected somewhere on the console
        std::string listing;  // expected somewhere in the listing
        std::function<bool(const RunParams&)> after;
    };
    const std::string ph_notice =
        "  ZARN-QVD assumes that you wish to INCREMENT pH at contsant temperature.\n"
        "  IF NOT, reset your ZARNRUN file.\n\n";
    const Case cases[] = {
        {"pH step", [](RunParams& r, PathState& p) { r.pH = 7, r.SINC = p.CURINC = 0.5, r.SLIM = 8; }, -1,
         ph_notice + "\n  pH changed by   0.500 units to   7.500\n\n", "  Solids and gases carried\n",
         [](const RunParams& r) { return r.pH == 7.5; }},
        {"pH past its limit", [](RunParams& r, PathState& p) { r.pH = 7.8, r.SINC = p.CURINC = 0.5, r.SLIM = 8; }, 0,
         "  pH changed by   0.500 units to   8.300\n",
         "\n  pH reached given limit of     8.0000\n  New pH =    8.3000  Execution stopped.\n",
         [](const RunParams& r) { return r.pH == 8.3; }},
        {"titration at a fixed pH",
         [](RunParams& r, PathState& p) { r.pH = 7, r.MINSOL = 3, r.SINC = p.CURINC = 0.5, r.SLIM = 8; }, -1,
         "\n  Next reactant titration increment of:         0.5000000  MOLES  \n", "",
         [](const RunParams& r) { return r.pH == 7 && r.TOTMIX == 0.5; }},
        {"titration reaching SLIM",
         [](RunParams& r, PathState& p) { r.MINSOL = 3, r.SINC = p.CURINC = 1, r.TOTMIX = 2, r.SLIM = 3; }, 0,
         "  New total amount of reactant added:           3.0000000  MOLES  \n",
         "\n  Mixing fraction reached given limit of 0.3000E+01\n  TOTMIX = 0.3000E+01  Execution stopped.\n",
         [](const RunParams& r) { return r.TOTMIX == 3; }},
        {"titration below SLIM",
         [](RunParams& r, PathState& p) { r.MINSOL = 3, r.SINC = p.CURINC = 1, r.TOTMIX = 1, r.SLIM = 3; }, -1, "",
         "  Solids and gases carried\n", [](const RunParams& r) { return r.TOTMIX == 2; }},
        {"enthalpy step",
         [](RunParams& r, PathState& p) { r.INCP = 2, r.ENTH = r.enth_added = 10, r.SINC = p.CURINC = 1, r.SLIM = 20; },
         -1,
         "   Next enthalpy change of     1.0000kcal\n  total  enthalpy added (incl. starting enthalpy)   10.0000 kcal\n\n",
         "  enthalpy changed by     1.0000 kcal to    11.0000 kcal\n"
         "  Total enthalpy added (incl. starting enthalpy)   11.0000 kcal\n\n",
         [](const RunParams& r) { return r.ENTH == 11 && r.enth_added == 11; }},
        {"enthalpy past its limit",
         [](RunParams& r, PathState& p) { r.INCP = 2, r.ENTH = 20, r.SINC = p.CURINC = 1, r.SLIM = 20; }, 0, "",
         "\n  Enthalpy reached given limit of    20.0000\n  ENTH  =   21.0000  Execution stopped.\n", nullptr},
        {"temperature past its limit",
         [](RunParams& r, PathState& p) { r.TEMP = 102, r.SINC = p.CURINC = -5, r.SLIM = 100; }, 0,
         "   Next temperature change of    -5.0000deg. C \n\n",
         "  Temperature changed by  -5.000 degrees to  97.000 degrees C.\n\n"
         "\n  Temperature reached given limit of   100.0000\n  TEMP =    97.0000  Execution stopped.\n",
         nullptr},
        {"pressure past its limit",
         [](RunParams& r, PathState& p) { r.INCP = 1, r.PFLUID = 950, r.SINC = p.CURINC = 100, r.SLIM = 1000; }, 0,
         "   Next pressure change of 100.00000bar\n\n",
         "  Pressure changed by  100.0000 bar to 1050.0000 bar\n\n"
         "\n  Pressure reached given limit of  1000.0000\n  PFLUID =  1050.0000  Execution stopped.\n",
         nullptr},
        {"mixing at the same temperature",
         [](RunParams& r, PathState& p) { r.TEMPC = 25, r.TOTMIX = 0.5, r.SINC = p.CURINC = 0.5, r.SLIM = 1; }, -1,
         "  New mixer fraction:       1.0000000\n  Resulting temperature:  25.000Deg. C \n\n",
         "\n  Mixer fraction:       0.5000000\n\n", [](const RunParams& r) { return r.TOTMIX == 1 && r.TEMP == 25; }},
        {"mixing past its limit",
         [](RunParams& r, PathState& p) { r.TEMPC = 25, r.TOTMIX = 0.8, r.SINC = p.CURINC = 0.5, r.SLIM = 1; }, 0, "",
         "\n  Mixing fraction reached given limit of 0.1000E+01\n  TOTMIX = 0.1300E+01  Execution stopped.\n", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PathSystem b;
        c.set(b.rp, b.ps);
        b.cond.logP = 99.0;  // a value no evaluation gives
        EXPECT_EQ(step_status(b), c.status);
        EXPECT_NE(b.console().find(c.console), std::string::npos) << b.console();
        EXPECT_NE(b.listing().find(c.listing), std::string::npos) << b.listing();
        if (c.after) {
            EXPECT_TRUE(c.after(b.rp));
        }
        // Mixing at the same temperature evaluates no data again.
        if (step_kind(b.rp) == StepKind::Mixing) {
            EXPECT_EQ(b.cond.logP, 99.0);
        }
        EXPECT_EQ(b.console().find("INCREMENT pH") != std::string::npos, step_kind(b.rp) == StepKind::PH);
    }
}

// LOOC ends once a step back is below 0.05 or any step is below 0.24 SINC.
TEST(StepController, HalfStepSearchingEndsWhenTheIncrementIsSmall) {
    struct Case {
        double sinc, curinc;
        int looc;
    };
    const Case cases[] = {{-5, 2.5, 1},    {-5, -1.25, 1},  {-5, 0.625, 0},
                          {0.1, -0.05, 1}, {0.1, -0.04, 0}, {0.1, 0.04, 1}};
    for (const Case& c : cases) {
        PathSystem b;
        b.rp.pH = 7, b.rp.SLIM = c.sinc > 0 ? 14 : 0, b.rp.SINC = c.sinc, b.ps.CURINC = c.curinc, b.rp.LOOC = 1;
        EXPECT_EQ(step_status(b), -1);
        EXPECT_EQ(b.rp.LOOC, c.looc) << c.sinc << " " << c.curinc;
    }
}

TEST(StepController, MolarEnthalpies) {
    EXPECT_NEAR(water_molar_enthalpy(25), 0.4641, 1e-4);
    EXPECT_NEAR(water_molar_enthalpy(99.999), 1.8196, 1e-4);  // the low-temperature fit
    EXPECT_NEAR(water_molar_enthalpy(100), 1.8213, 1e-4);     // from 100 C the high-temperature one
    EXPECT_DOUBLE_EQ(gas_molar_enthalpy(EnthalpyGas::H2O, 25), 10.97);
    EXPECT_DOUBLE_EQ(gas_molar_enthalpy(EnthalpyGas::CO2, 25), 0.21);
    EXPECT_DOUBLE_EQ(gas_molar_enthalpy(EnthalpyGas::CH4, 25), 0.21);
    EXPECT_NEAR(
        gas_molar_enthalpy(EnthalpyGas::H2O, 125),
        10.97 + 0.001 * (717 + 0.00128 * (398.15 * 398.15 - 298.15 * 298.15) - 8000 * (1 / 398.15 - 1 / 298.15)),
        1e-12);
}

// An IENTH run at a fixed pH with the first gas of the mixture in the matrix: the constraint
// switches on once, the report lists the two gases of the mixture (the enthalpy counts the
// one in the matrix), the heat per degree and the heat of the gases taken away follow the
// step, and a repeat at the same conditions writes nothing.
TEST(StepController, AfterStepSequenceOfAnEnthalpyRun) {
    PathSystem b;
    b.mineral("H2O,gas", 0, 18.015, 0, {{1, 2}}, 0.5, true, 6, 1, true);
    b.mineral("CO2,gas", 0, 44.01, 0, {{1, 2}}, 0.3, false, 6, 1, true);
    b.sys.ngas_records = b.sys.nmixed = b.sys.ngasmix = 2;
    RunParams& rp = b.rp;
    PathState& ps = b.ps;
    rp.IENTH = 1, rp.pH = 7, rp.SINC = 0.1, rp.SLIM = 8, rp.DENTH = 2, rp.IFRAC = 2;

    after_step(b.sys, b.cond, rp, ps, b.eq, *b.io, AfterStepEntry::GasEnthalpy);
    const double solution = WATER_MOLES_PER_KG * water_molar_enthalpy(25);
    EXPECT_DOUBLE_EQ(rp.ENTH, solution + 0.01);
    EXPECT_DOUBLE_EQ(rp.SENTH, rp.ENTH);
    EXPECT_TRUE(ps.enthalpy_row);

    ps.CURINC = rp.SINC;
    after_step(b.sys, b.cond, rp, ps, b.eq, *b.io, AfterStepEntry::Solved);
    EXPECT_DOUBLE_EQ(ps.gas_enthalpy, 0.5 * 10.97);
    EXPECT_DOUBLE_EQ(rp.ENTH, solution + 0.01 - 0.1 * 2 - 0.5 * 10.97);
    EXPECT_EQ(b.listing(),
              text({{"", "  Gases just saturated. Enthalpy constraint kicks in", "",
                     "  Calculations done for    25.0000 Deg. C;      1.0000 bar", "", "  Enthalpies: ",
                     "      Pure water    0.4641 kcal/mole", "      H2O,gas                  10.9700 kcal/mole",
                     "      CO2,gas                   0.2100 kcal/mole",
                     "      Current solution    25.7593      Gas     5.4850 kcal",
                     "      Total current enthalpy       31.2443 kcal", "      Starting enthalpy    25.7693 kcal",
                     "  Gases only left behind", "", "  Given heat loss or gain per Deg. C  cooling:     2.0000 kcal",
                     "          New total enthalpy:                  25.5693 kcal",
                     "  Gas fractionation, we fractionate the gas heat     New total enthalpy:    20.0843 KCAL", "",
                     "  Charge balance check after fractionation or titration: TBAL = 0.1000E-06"}}));
    EXPECT_EQ(b.console().find("\n  The pH is:  7.00\n\n  Calculations done for"), 0u) << b.console();

    const std::string listing = b.listing(), console = b.console();
    ps.CURINC = 0;
    after_step(b.sys, b.cond, rp, ps, b.eq, *b.io, AfterStepEntry::Solved);
    EXPECT_EQ(b.listing(), listing);
    EXPECT_EQ(b.console(), console);
}

// The heat of the gases leaves ENTH only with the gases: on full steps of IFRAC 2, 3 and 5,
// not on a half step back nor with IFRAC 4 (solids only). DENTH is charged per degree of the
// step taken.
TEST(StepController, HeatOfTheGasesGoesWithThem) {
    struct Case {
        int ifrac;
        double curinc;
        bool gas_heat_leaves;
    };
    const Case cases[] = {{2, 0.1, true}, {3, 0.1, true}, {2, -0.05, false}, {4, 0.1, false}, {0, 0.1, false}};
    for (const Case& c : cases) {
        PathSystem b;
        b.mineral("H2O,gas", 0, 18.015, 0, {{1, 2}}, 0.5, true, 6, 1, true);
        b.sys.ngas_records = b.sys.nmixed = 1;
        b.rp.IENTH = 1, b.rp.pH = 7, b.rp.SINC = 0.1, b.rp.SLIM = 8, b.rp.DENTH = 2, b.rp.IFRAC = c.ifrac;
        after_step(b.sys, b.cond, b.rp, b.ps, b.eq, *b.io, AfterStepEntry::GasEnthalpy);
        const double start = b.rp.ENTH;
        b.ps.CURINC = c.curinc;
        after_step(b.sys, b.cond, b.rp, b.ps, b.eq, *b.io, AfterStepEntry::Solved);
        const double expected = start - c.curinc * 2 - (c.gas_heat_leaves ? 0.5 * 10.97 : 0.0);
        EXPECT_DOUBLE_EQ(b.rp.ENTH, expected) << "IFRAC " << c.ifrac << ", CURINC " << c.curinc;
    }
}

// A flush of BOX-1 under the enthalpy constraint: the steam leaves with its heat, and the
// water exchanged brings or takes its enthalpy at the box's temperature. Here a kilogram of
// pore water (0.5 mol of it as steam) in a box of 60 cm3 of pores keeps 54 g and takes 6 g
// of fresh water.
TEST(StepController, FlushingUnderTheEnthalpyConstraint) {
    PathSystem b;
    b.mineral("H2O,gas", 0, 18.015, 0, {{1, 2}}, 0.5, true, 6, 1, true);
    b.sys.ngas_records = b.sys.nmixed = 1;
    b.sys.comp[2].mix_total = 1000 / 18.015;  // a kilogram of fresh water per unit of the recipe
    b.eq.comp[2].gas = 0.5;
    b.rp.IENTH = 1, b.rp.IFRAC = 5, b.rp.SINC = 0.1, b.rp.SLIM = 1000, b.rp.VBOX1 = 100, b.rp.RHOFRS = 1;
    b.ps.GRMCOM = 1000;
    b.ps.totals.solids_volume = 40, b.ps.totals.solution_grams = 1000;
    after_step(b.sys, b.cond, b.rp, b.ps, b.eq, *b.io, AfterStepEntry::GasEnthalpy);
    const double start = b.rp.ENTH;
    b.ps.CURINC = 0.1;
    after_step(b.sys, b.cond, b.rp, b.ps, b.eq, *b.io, AfterStepEntry::Solved);
    const double water = 1000 / 18.015 * 0.006 + (WATER_MOLES_PER_KG - 0.5) * 0.054;
    EXPECT_NEAR(b.eq.comp[2].total, water, 1e-12);
    EXPECT_NEAR(b.rp.ENTH, start - 0.5 * 10.97 + water_molar_enthalpy(25) * (water - (WATER_MOLES_PER_KG - 0.5)), 1e-9);
}

}  // namespace
}  // namespace zq::test
