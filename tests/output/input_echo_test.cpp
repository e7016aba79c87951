#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run_state.h"
#include "format/text_io.h"
#include "output/input_echo.h"
#include "path/fractionation.h"
#include "solver/charge_balance.h"
#include "support/run_dir.h"
#include "thermo/grid.h"

namespace zq {
namespace {

using test::Lines;
using test::Session;
using test::text;

// A line built by column: at(c, text) continues at column c (1-based).
struct Columns {
    std::string s;
    Columns& at(std::size_t col, const std::string& t) {
        s.resize(col - 1, ' ');
        s += t;
        return *this;
    }
};

// A titration run on brine: 4 components, 5 derived species, 3 minerals, 3 reactants.
struct Brine {
    std::unique_ptr<RunState> run = std::make_unique<RunState>();
    ChemicalSystem& sys = run->sys;
    Conditions& cond = run->cond;
    EquilibriumState& eq = run->eq;
    RunParams& rp = run->rp;
    Brine() {
        ChemicalSystem& s = sys;
        const struct {
            const char* name;
            double z, total, m, gamma, mix;
        } comps[] = {{"H+", 1, 0.125, 1e-7, 0.95, 0},
                     {"H2O", 0, 55.5082502, 1.0, 1.0, 55.5082502},
                     {"Na+", 1, 0.5, 0.4, 0.75, 0.25},
                     {"Cl-", -1, 0.625, 0.4, 0.75, 0.25}};
        const struct {
            const char* name;
            double z, logk;
        } derived[] = {{"OH-", -1, 13.9951},
                       {"NaCl,aq", 0, 0.777},
                       {"HCl,aq", 0, -0.67},
                       {"NaOH,aq", 0, 14.18},
                       {"NaCl2-", -1, 1.5}};
        const struct {
            const char* name;
            double logk, moles;
        } minerals[] = {{"Quartz", -3.999, 1e-9}, {"Calcite", 1.849, 0.5}, {"Halite", 1.57, 0}};
        const struct {
            const char* name;
            double amount;
        } reactants[] = {{"Basalt", 50}, {"Granite", 49.5}, {"Pyrite", 0.025}};
        s.nc = 4, s.ns = 9, s.nmin = 3, s.nreact = 3, s.ncurve = 2;
        for (int k = 1; k <= 4; ++k) {
            const auto& c = comps[k - 1];
            s.sp[k].name = Name20(c.name), s.sp[k].charge = c.z;
            eq.comp[k].total = c.total, s.comp[k].mix_total = c.mix, eq.m[k] = c.m, eq.gamma[k] = c.gamma;
        }
        for (int i = 5; i <= 9; ++i) {
            const auto& d = derived[i - 5];
            s.sp[i].name = Name20(d.name), s.sp[i].charge = d.z, cond.logk[i] = d.logk;
        }
        for (int i = 1; i <= 3; ++i) {
            s.mn[i].name = Name20(minerals[i - 1].name);
            cond.mn_logk[i] = minerals[i - 1].logk, s.mn[i].start_moles = minerals[i - 1].moles;
            s.react[i].name = Name20(reactants[i - 1].name), s.react[i].amount = reactants[i - 1].amount;
        }
        rp.title1 = "Brine titration", rp.title2 = "with basalt";
        rp.ERPC = 1e-12, rp.PFLUID = 500, rp.TEMP = 25, rp.RHOFRS = 1, rp.RHOROC = 2.5, rp.SINC = 0.1;
        rp.SLIM = 1, rp.TOTWAT = 90, rp.SOLMIN = 1e-9, rp.AQGRM = 1000, rp.SUPRNT = 1e-10;
        rp.C = 4, rp.NLOOP = 50, rp.LOOC = 1, rp.ITREF = 2, rp.IDEAL = 3, rp.MINSOL = 1;
    }
};

// The echo as start-up writes it: titles and components, the charge balance of the given
// totals, then the run's data.
void echo_input(Brine& b, Io& io) {
    echo_titles_and_components(b.sys, b.eq, b.rp, io);
    check_start_charge_balance(b.sys, b.eq, b.rp, io);
    echo_run_data(b.sys, b.cond, b.rp, io);
}

TEST(EchoInput, ListingAndConsoleOfATitrationRun) {
    Brine b;
    Session s;
    echo_input(b, s.io);

    const std::string plus = " " + std::string(80, '+');
    const Lines head = {"",
                        plus,
                        " " + std::string("Brine titration").append(105, ' '),
                        " " + std::string("with basalt").append(109, ' '),
                        plus,
                        "",
                        "  Species       No.  Charge    Tot.moles  Trial molality   Gamma  Mixing solution",
                        "",
                        "  H+             1      1.    0.12500E+00   0.10000E-06   0.9500   0.00000000E+00",
                        "  H2O            2      0.    0.55508E+02   0.10000E+01   1.0000   0.55508250E+02",
                        "  Na+            3      1.    0.50000E+00   0.40000E+00   0.7500   0.25000000E+00",
                        "  Cl-            4     -1.    0.62500E+00   0.40000E+00   0.7500   0.25000000E+00"};
    const Lines both = {"",
                        "  Chg. balance for total moles = 0.0000E+00   Max. difference allowed = 0.6250E-04",
                        "",
                        "  The following parameters were given:",
                        "      ERPC   =   0.1000E-11  pH      =       0.0000  PFLUID =   500.0000",
                        "      SLIM   = 0.100000E+01  TEMP    =      25.0000  SINC   = 0.1000E+00",
                        "      TEMPC  =       0.0000  TOTMIX  = 0.000000E+00  ENTH   =     0.0000",
                        "      SENTH  =       0.0000  DENTH   =       0.0000  TOTWAT =    90.0000",
                        "      SOLMIN =   0.1000E-08  RM      =       0.0000  AQGRM  =  1000.0000",
                        "      SUPRNT =   0.1000E-09  VBOX-1  =       0.0000  RHOFRS =     1.0000",
                        "      RHOROC =       2.5000",
                        "",
                        "  The following options were selected:",
                        "        CONFLG =   0  C     =   4  IFRAC  =   0  IPUNCH =   0",
                        "        NLOOP  =  50  ISTEP =   0  LIMSOL =   0  LOOC   =   1",
                        "        IENTH  =   0  ITREF =   2  IDEAL  =   2  IPSAT  =   0",
                        "        INCREM =   0  INCP  =   0  MINSOL =   1  NEUT   =   0",
                        "        AWAT   =   0  CHGF  =   0",
                        ""};
    const Lines tail = {"  Given pressure grid:   2 T-P points read",
                        "",
                        "  Of the derived species, only those with molality > 0.10E-09 will appear in the output",
                        "",
                        "    Species        No.  Charge  Log K(diss)  Species        No.  Charge  Log K(diss)",
                        "",
                        "    OH-              5    -1.     13.9951    NaOH,aq          8     0.     14.1800",
                        "    NaCl,aq          6     0.      0.7770    NaCl2-           9    -1.      1.5000",
                        "    HCl,aq           7     0.     -0.6700",
                        "",
                        "  For mixed gases (JSOLS=6), log K(hydrol) = log (K*P)",
                        "",
                        Columns().at(29, "Log K").at(38, "Trial").at(74, "Log K").at(84, "Trial").s,
                        Columns()
                            .at(1, "Mineral")
                            .at(23, "No.")
                            .at(28, "hydrol")
                            .at(38, "Moles")
                            .at(47, "Mineral")
                            .at(69, "No.")
                            .at(74, "hydrol")
                            .at(84, "Moles")
                            .s,
                        "",
                        "Quartz                 1   -3.999 0.1000E-08Halite                 3    1.570 0.0000E+00",
                        "Calcite                2    1.849 0.5000E+00",
                        "",
                        "",
                        "  Initial composition of reactant (wt%):",
                        "     Basalt                50.00           Pyrite               0.2500E-01",
                        "     Granite               49.50    ",
                        "",
                        "",
                        "  Sum of wt% of reactants:    99.5250",
                        "",
                        "  Reactant consumed:       0.0000000  g       log =-100.0000",
                        "  Original solution:    1000.0000000  g ",
                        "",
                        "  Original solution / Rock added:         0.00  (Water/Rock Ratio), log =    0.0000"};
    EXPECT_EQ(s.listing(), text({head, both, tail}));
    EXPECT_EQ(s.out.str(), text({both}));
}

TEST(EchoInput, ReactantUnitsLogsAndWaterRockRatio) {
    const struct {
        int MINSOL;
        double TOTMIX;
        std::string heading, consumed, ratio;
    } cases[] = {
        {2, 50, "(wt%):", "   50.0000000  g       log =   1.6990", "       20.00  (Water/Rock Ratio), log =    1.3010"},
        {3, -2, "(mole%):", "   -2.0000000  moles   log =-100.0000",
         "     -500.00  (Water/Rock Ratio), log =    0.0000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.MINSOL);
        Brine b;
        b.rp.MINSOL = c.MINSOL, b.rp.TOTMIX = c.TOTMIX;
        Session s;
        echo_input(b, s.io);
        const std::string out = s.listing();
        EXPECT_NE(out.find("\n  Initial composition of reactant " + c.heading + "\n"), std::string::npos);
        EXPECT_NE(out.find("\n  Reactant consumed:   " + c.consumed + "\n"), std::string::npos);
        EXPECT_NE(out.find("\n  Original solution / Rock added: " + c.ratio + "\n"), std::string::npos);
    }
}

TEST(EchoInput, MixingSolutionBlock) {
    // Heat grid T + P: exact on the grid at any (P, T); T + 1 on the saturation curve to 75 C.
    const std::string head = "       Mixing solution:   Stoch.ionic strengh ";
    const std::string temp = std::string(26, ' ') + "Temperature" + std::string(8, ' ');
    const std::string heat = std::string(26, ' ') + "HEAT" + std::string(16, ' ');
    const struct {
        int CONFLG, nc;
        double TEMPC, water, PFLUID;
        std::string expected;  // "" when the block is absent
    } cases[] = {
        {0, 4, 50, 55.5082502, 1, text({{"", head + "0.2500E+00", temp + " 50.00", heat + "  51.00000"}})},
        {1, 4, 150, 55.5082502, 500, text({{"", head + "0.2500E+00", temp + "150.00", heat + " 650.00000"}})},
        {0, 2, 50, 55.5082502, 1, text({{"", head + "0.5000E-10", temp + " 50.00", heat + "  51.00000"}})},
        {0, 4, 25, 55.5082502, 1, ""},  // TEMPC = TEMP
        {0, 4, 50, 0, 1, ""},           // no water in the mixing solution
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.TEMPC);
        Brine b;
        b.rp.MINSOL = 0, b.rp.pH = 7, b.rp.CONFLG = c.CONFLG, b.rp.TEMPC = c.TEMPC, b.rp.PFLUID = c.PFLUID;
        b.sys.nc = c.nc;
        b.sys.comp[2].mix_total = c.water;
        for (int r = 1; r <= GRID_ROWS; ++r)
            for (int q = 1; q <= GRID_COLS; ++q)
                grid_cell(b.sys.header_raw[5], r, q) =
                    GRID_T[static_cast<std::size_t>(q)] + GRID_P[static_cast<std::size_t>(r)];
        locate_grid(c.PFLUID, c.TEMPC, b.cond.grid_mix);
        Session s;
        echo_input(b, s.io);
        const std::string out = s.listing();
        const std::size_t at = out.find("\n\n" + head);
        EXPECT_EQ(at == std::string::npos ? "" : out.substr(at + 1), c.expected);
    }
}

TEST(PrepareFlushing, StepIncrementBroughtIntoRange) {
    const std::string message = "  SINC set to 1.0. Input value out of range for BOX-1\n\n\n";
    const struct {
        int IFRAC, NLOOP;
        double SINC, after;
    } cases[] = {{5, 50, 1.5, 1},     {5, 50, 0, 1},    {5, 50, -0.2, 1}, {5, 50, 1, 1},
                 {5, 50, 0.25, 0.25}, {5, 0, 1.5, 1.5}, {0, 50, 1.5, 1.5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.SINC);
        Brine b;
        b.rp.MINSOL = 0, b.rp.IFRAC = c.IFRAC, b.rp.NLOOP = c.NLOOP, b.rp.SINC = c.SINC;
        b.sys.sp[2].gfw = 18.0152;  // the fresh fluid has a mass
        Session s;
        (void)prepare_flushing(b.sys, b.rp, s.io);
        EXPECT_EQ(b.rp.SINC, c.after);
        const std::string console = s.out.str();
        EXPECT_EQ(console.ends_with(message), c.after != c.SINC);
    }
}

}  // namespace
}  // namespace zq
