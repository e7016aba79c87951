#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "driver/run_state.h"
#include "format/text_io.h"
#include "output/plot_file.h"
#include "support/run_dir.h"

namespace zq {
namespace {

// A step at 150 C of three components and ten species. Two gas records; in the matrix
// Calcite (50 g), the gas H2O,gas (36 g, all of the gas) and two end members of one
// solid solution (25 g and 75 g): 150 g of solids in 50 cm3, in a box of 200 cm3 (porosity 75).
struct Step : test::Session {
    std::unique_ptr<RunState> run = std::make_unique<RunState>();
    ChemicalSystem& sys = run->sys;
    EquilibriumState& eq = run->eq;
    RunParams& rp = run->rp;
    PathState& ps = run->ps;

    Step() {
        ChemicalSystem& y = sys;
        y.nc = 3, y.ns = 10;
        for (int i = 1; i <= 10; ++i) eq.m[i] = i * 1e-3;
        eq.m[2] = 1.0;
        eq.act[1] = 1e-5;
        const double t[] = {0.5, 60.0, 3.0}, s[] = {0.25, 0.0, 1.0}, g[] = {0.0, 2.0, 0.0};
        for (int k = 1; k <= 3; ++k) eq.comp[k] = {t[k - 1], s[k - 1], g[k - 1]};
        y.ngas_records = 2;
        phase(1, "H2O,gas", "GAS ", 18.0, 2.0, 0);
        phase(2, "CO2,gas", "GAS ", 44.0, 0.0, 0);
        phase(3, "Calcite", "    ", 100.0, 0.5, 0);
        phase(4, "Albite-low-temperature", "    ", 250.0, 0.1, 1);
        phase(5, "Anorthite", "    ", 250.0, 0.3, 1);
        eq.phase[1].log_fugacity = 1.5, eq.phase[2].log_fugacity = -0.25;
        eq.ss.npresent = 1;
        eq.ss.total[1] = 0.4;
        eq.nph = 4;
        eq.ph[1] = 3, eq.ph[2] = 1, eq.ph[3] = 4, eq.ph[4] = 5;
        ps.totals.solids_grams = 150.0, ps.totals.solids_volume = 50.0, ps.totals.gas_grams = 36.0;
        ps.totals.porosity = 75.0;
        rp.title1 = "Flushing of a granite";
        rp.title2 = "second title";
        rp.TEMP = 150.0, rp.PFLUID = 4.76, rp.ENTH = -12.5, rp.VBOX1 = 200.0;
        rp.SINC = ps.CURINC = 0.5;
        rp.IPUNCH = 1;
    }
    void phase(int i, const char* name, const char* flag, double gfw, double moles, int present) {
        sys.mn[i].name = Name20(name);
        sys.mn[i].flag = Kind4(flag);
        sys.mn[i].gfw = gfw;
        eq.phase[i].ss_present = present;
        eq.mn_moles[i] = moles;
    }
    // As the run loop writes it: when a record is due, and with the header only until the
    // first record has set IPUNCH to 2.
    std::string write() {
        if (plot_record_due(rp, ps)) {
            write_plot_record(sys, eq, rp, ps, io);
            rp.IPUNCH = 2;
        }
        io.plot().flush();
        return dir.read("ZARNPLOT.DAT");
    }
};

const std::string kHeader = "    3   10    2\n" + std::string("Flushing of a granite") + std::string(99, ' ') + "\n" +
                            "second title" + std::string(108, ' ') + "\n";
const std::string kLine1 = " 150.00000 4.760    0.1000E-04 0.000        0.0000  -12.5000   75.0000\n";
const std::string kCalcite = "  3  Calcite               .50000E+00.50000E+02.33333E+02.10000E+01\n";
const std::string kRecord = kLine1 +
                            "0.1000E-020.1000E+010.3000E-020.4000E-020.5000E-020.6000E-020.7000E-020.8000E-02\n"
                            "0.9000E-020.1000E-01\n"
                            "0.5000E+000.6000E+020.3000E+01\n"
                            "0.2500E+000.5800E+020.2000E+01\n"
                            "  1  H2O,gas                  1.50000\n"
                            "  2  CO2,gas                 -0.25000\n" +
                            kCalcite +
                            "  1  H2O,gas               .20000E+01.36000E+02.10000E+03.10000E+01\n"
                            "  4  Albite-low-temperatu  .10000E+00.25000E+02.16667E+02.25000E+00\n"
                            "  5  Anorthite             .30000E+00.75000E+02.50000E+02.75000E+00\n"
                            "\n\n";

TEST(PlotFile, HeaderOnceThenARecordPerFullStep) {
    const struct {
        int ipunch;
        bool header;
    } cases[] = {{1, true}, {-3, true}, {2, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ipunch);
        Step s;
        s.rp.IPUNCH = c.ipunch;
        s.write();
        s.write();
        EXPECT_EQ(s.write(), (c.header ? kHeader : "") + kRecord + kRecord + kRecord);
        EXPECT_EQ(s.rp.IPUNCH, 2);
    }
}

TEST(PlotFile, NothingWithoutIPUNCHOrOnACutStep) {
    const struct {
        int ipunch;
        double curinc;
    } cases[] = {{0, 0.5}, {1, -0.25}, {1, 0.0}, {2, -0.25}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "IPUNCH " << c.ipunch << ", CURINC " << c.curinc);
        Step s;
        s.rp.IPUNCH = c.ipunch;
        s.ps.CURINC = c.curinc;
        EXPECT_EQ(s.write(), "");
        EXPECT_FALSE(s.io.plot().written());
        EXPECT_EQ(s.rp.IPUNCH, c.ipunch);
    }
}

// The first line of the record and the Calcite line under the rules that change them.
TEST(PlotFile, ProgressPorosityAndPhaseAmounts) {
    const struct {
        const char* what;
        void (*change)(Step&);
        std::string line1, calcite;
    } cases[] = {
        {"enthalpy run", [](Step& s) { s.rp.INCP = 2, s.rp.TOTMIX = 3.0, s.rp.enth_added = 7.25; },
         " 150.00000 4.760    0.1000E-04 7.250        0.0000  -12.5000   75.0000\n", kCalcite},
        {"pH given", [](Step& s) { s.rp.pH = 8.0; },
         " 150.00000 4.760    0.1000E-07 0.000        0.0000  -12.5000   75.0000\n", kCalcite},
        {"the porosity of the step totals", [](Step& s) { s.ps.totals.porosity = -999; },
         " 150.00000 4.760    0.1000E-04 0.000        0.0000  -12.5000 -999.0000\n", kCalcite},
        // Fractionated amounts are per unit of path; the weight per cent stays that of the step.
        {"solids fractionated", [](Step& s) { s.rp.IFRAC = 1, s.rp.SINC = s.ps.CURINC = -0.25; }, kLine1,
         "  3  Calcite               .20000E+01.20000E+03.33333E+02.10000E+01\n"},
        {"flushing", [](Step& s) { s.rp.IFRAC = 5, s.rp.SINC = s.ps.CURINC = 0.25; }, kLine1, kCalcite},
        {"no solids mass: the last weight per cent",
         [](Step& s) { s.ps.totals.solids_grams = 0, s.ps.totals.wt_percent[3] = 12.5; }, kLine1,
         "  3  Calcite               .50000E+00.50000E+02.12500E+02.10000E+01\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Step s;
        s.rp.IPUNCH = 2;
        c.change(s);
        const std::string plot = s.write();
        EXPECT_EQ(plot.substr(0, plot.find('\n') + 1), c.line1);
        EXPECT_NE(plot.find(c.calcite), std::string::npos) << plot;
    }
}

}  // namespace
}  // namespace zq
