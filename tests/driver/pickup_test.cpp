#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "driver/pickup.h"
#include "driver/run_file.h"
#include "driver/run_file_samples.h"
#include "path/titration.h"
#include "thermo/tp_curve.h"

namespace zq::test {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

// A small solved state with every block of the pickup populated.
void small_state(RunState& run) {
    ChemicalSystem& sys = run.sys;
    EquilibriumState& eq = run.eq;
    RunParams& rp = run.rp;
    rp.title1 = "Pickup golden";  // shorter than 120: padded on writing
    rp.title2 = "";
    rp.ERPC = 1e-12, rp.pH = 7.25, rp.PFLUID = 15, rp.TEMP = 150, rp.TEMPC = 0, rp.VBOX1 = 0, rp.RHOFRS = 1,
    rp.RHOROC = 2.5;
    rp.SINC = -5, rp.SLIM = 300, rp.TOTMIX = 0.125;
    rp.ENTH = -12.5, rp.SENTH = 0, rp.DENTH = 0, rp.TOTWAT = 90, rp.SOLMIN = 1e-10, rp.RM = 0, rp.AQGRM = 0,
    rp.SUPRNT = 1e-10;
    rp.CONFLG = 0, rp.C = 3, rp.C_read = 7, rp.IFRAC = 0, rp.IPUNCH = 2, rp.NLOOP = 100, rp.ISTEP = 0;
    rp.LIMSOL = 2, rp.LIMSOL_read = 1, rp.LOOC = 1, rp.IENTH = 0, rp.ITREF = 1, rp.IDEAL = 2, rp.IPSAT = 0;
    rp.INCREM = 0, rp.INCP = 0, rp.MINSOL = 1, rp.NEUT = 0, rp.AWAT = 0, rp.CHGF = 1;
    rp.enth_added = 99;  // not written: INCP is not above 1

    sys.nc = sys.ns = 3;  // the components are the first species
    const int saq[] = {1, 2, 7};
    const char* names[] = {"H+", "H2O", "Cl-chloride-long-name"};
    const double total[] = {1e-3, 2 * WATER_MOLES_PER_KG, 0.01};
    const double m[] = {1e-7, 1, 0.009};
    const double gamma[] = {0.9, 1, 0.75};
    const double mix[] = {0, 0.5 * WATER_MOLES_PER_KG, 0};
    for (int k = 1; k <= 3; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        sys.comp[k].saq = saq[i];
        sys.sp[k].name = Name20(names[i]);
        eq.comp[k].total = total[i];
        eq.m[k] = m[i];
        eq.gamma[k] = gamma[i];
        sys.comp[k].mix_total = mix[i];
    }
    sys.nmin = 2;
    sys.mn[1].name = Name20("Calcite");
    sys.mn[2].name = Name20("Quartz");
    eq.mn_moles[2] = 1.5;
    eq.nph = 1;
    eq.ph[1] = 2;
    sys.nreact = 1;
    sys.react[1].name = Name20("Granite");
    sys.react[1].amount = 0.025;
    sys.nsupp = 1;
    sys.supp[1] = Name20("Albite");
    sys.ndontfrac = 0;
    sys.ncurve = 2;
    sys.curve_t[1] = 100, sys.curve_p[1] = 10;
    sys.curve_t[2] = 200, sys.curve_p[2] = 20;
}

TEST(PickupWriter, WritesEveryItemOfTheLayout) {
    auto run = fresh_run();
    auto& sys = run->sys;
    auto& eq = run->eq;
    auto& rp = run->rp;
    small_state(*run);
    std::string unreadable = "untouched";
    const std::string text = pickup_text(sys, eq, rp, &unreadable);
    EXPECT_EQ(unreadable, "untouched");  // nothing to report, nothing appended

    const std::string blank4 = "    ";
    const std::vector<std::string> expected = {
        pad_right("Pickup golden", 120),
        std::string(120, ' '),
        "",
        "<  erpc  ><   pH   >< pfluid ><  temp  ><  tempc ><  volbox-1  ><rhofresh>< rhorock>",
        " 0.100E-11    7.2500   15.0000  150.0000    0.0000 0.0000000" + blank4 + " 1.000" + blank4 + " 2.500" + blank4,
        "",
        "< step increm >< step limit  >< total mixer >",
        " -5.0000000" + blank4 + "  300.00000" + blank4 + " 0.12500000" + blank4,
        "",
        "<  enth   ><  senth  ><  denth  ><  totwat >< solmin ><   rm   ><  aqgrm >< suprnt >",
        "   -12.5000     0.0000     0.0000    90.0000 0.100E-09    0.0000    0.0000 0.100E-09",
        "",
        "l/v:0  chg    i    i    n    i  lim         i   it    i    i   in incr  min         a  min",
        "hiP:1  bal frac punc loop step  sol looc enth  ref deal psat crem    P solv neut watr  chg",
        "    0    7    0    2  100    0    1    1    0    1    2    0    0    0    1    0    0    1",
        "",
        " saq> <   name   ><   total moles   >< trial molality  ><       gamma     ><mixer total moles>",
        "    1 H+          " + std::string(" 0.100000000000E-02") + " 0.100000000000E-06" + " 0.900000000000" + blank4 +
            "  0.00000000000" + blank4,
        "    2 H2O         " + std::string("  2.00000000000") + blank4 + "  1.00000000000" + blank4 +
            "  1.00000000000" + blank4 + " 0.500000000000" + blank4,
        "    7 Cl-chloride-" + std::string(" 0.100000000000E-01") + " 0.900000000000E-02" + " 0.750000000000" + blank4 +
            "  0.00000000000" + blank4,
        "",
        "<     minerals     >  < min trial moles>",
        "Quartz                " + std::string(" 1.50000000000") + blank4 + std::string(8, ' '),
        "",
        "<    reactants     >  < weight percent ><  ppm? >",
        "Granite               0.250000000000E-01",
        "",
        "< mins to suppress >",
        "Albite              ",
        "",
        "< don't fractionate>",
        "",
        "<  T-P curve data  >",
        "   100.000    10.000",
        "   200.000    20.000",
    };
    EXPECT_EQ(lines_of(text), expected);
    EXPECT_TRUE(text.ends_with("20.000\n"));
}

TEST(PickupWriter, WritesTheEnthalpyAddedOnAnEnthalpyPath) {
    auto run = fresh_run();
    auto& sys = run->sys;
    auto& eq = run->eq;
    auto& rp = run->rp;
    small_state(*run);
    rp.INCP = 2;
    rp.enth_added = 7.75;
    rp.TOTMIX = 0;
    const auto lines = lines_of(pickup_text(sys, eq, rp));
    ASSERT_GT(lines.size(), 7u);
    EXPECT_EQ(lines[7], " -5.0000000      300.00000      7.7500000    ");
}

TEST(PickupWriter, WritesAnEmptyMatrixAsItsCaptionAlone) {
    auto run = fresh_run();
    auto& sys = run->sys;
    auto& eq = run->eq;
    auto& rp = run->rp;
    small_state(*run);
    eq.nph = 0;
    EXPECT_NE(pickup_text(sys, eq, rp).find("<     minerals     >  < min trial moles>\n\n<    reactants     >"),
              std::string::npos);
}

TEST(PickupWriter, NamesEveryFieldThatPrintsAsAsterisks) {
    auto run = fresh_run();
    auto& sys = run->sys;
    auto& eq = run->eq;
    auto& rp = run->rp;
    small_state(*run);
    rp.PFLUID = 12000;  // F9.4 holds less than 10000
    rp.VBOX1 = -250;    // G13.8 has no room for a minus sign
    rp.NLOOP = 123456;  // I5
    sys.curve_p[2] = NAN;
    eq.gamma[3] = NAN;
    std::string unreadable;
    const std::string text = pickup_text(sys, eq, rp, &unreadable);
    EXPECT_EQ(unreadable, "PFLUID; VBOX-1; NLOOP; gamma of component row 3 (SAQ 7); pressure of T-P curve point 2");
    EXPECT_NE(text.find(" *********  150.0000"), std::string::npos);

    TempDir dir;
    std::istringstream in;
    std::ostringstream out;
    {
        Io io(dir.path(), in, out);
        write_pickup(PICKUP_SAVE, sys, eq, rp, io);
        io.listing().flush();
    }
    const std::string warning =
        "  WARNING: pickup field PFLUID in ZARNRUN.SAV does not fit its column and cannot be read back.\n";
    EXPECT_NE(out.str().find(warning), std::string::npos) << out.str();
    EXPECT_NE(dir.read("ZARNOUT.DAT").find(warning), std::string::npos);
    EXPECT_NE(dir.read("ZARNOUT.DAT").find("field NLOOP in"), std::string::npos);
}

TEST(PickupWriter, ReplacesTheWholeFileAndAnnouncesIt) {
    auto run = fresh_run();
    auto& sys = run->sys;
    auto& eq = run->eq;
    auto& rp = run->rp;
    small_state(*run);
    for (std::string_view dest : {PICKUP_RUN_FILE, PICKUP_SAVE, PICKUP_FAILED}) {
        SCOPED_TRACE(std::string(dest));
        TempDir dir;
        dir.write(dest, std::string(100000, 'x') + "\n");  // a longer earlier content
        std::istringstream in;
        std::ostringstream out;
        {
            Io io(dir.path(), in, out);
            write_pickup(dest, sys, eq, rp, io);
        }
        EXPECT_EQ(dir.read(dest), pickup_text(sys, eq, rp));
        EXPECT_EQ(out.str(), "\n  >> Pickup file written on disk <<\n\n");
        int files = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
        EXPECT_EQ(files, 1);  // no temporary file left beside it
    }
}

// A pickup read back by the run-file reader reproduces the state it was written from.
TEST(PickupRoundTrip, ReproducesTheState) {
    struct Case {
        const char* water_total;
        const char* water_molality;
    };
    for (const Case c : {Case{"0.75", "1.0"}, Case{"2.5", "1.0"}, Case{"-1.0", "1.2"}}) {
        SCOPED_TRACE(std::string("water total ") + c.water_total);
        auto run = fresh_run();
        auto& sys = run->sys;
        auto& eq = run->eq;
        auto& rp = run->rp;
        const ReadOutcome first = read_text(rich_parts(c.water_total, c.water_molality).text(), *run);
        ASSERT_EQ(first.status, 0) << first.console;

        // A solved state: current values moved away from the input, phases in the matrix.
        rp.pH = 6.4321;
        rp.TEMP = 180;
        if (const auto p = pressure_on_curve(sys, rp.TEMP)) rp.PFLUID = *p;
        rp.ENTH = -48.1234;
        rp.SENTH = -50.5;
        rp.AQGRM = 1012.5;
        rp.VBOX1 = 1234.5678;
        rp.enth_added = 7.25;
        rp.IPUNCH = 2;
        eq.comp[1].total = 1.23456789012e-3;
        eq.m[1] = 3.2e-7;
        eq.gamma[1] = 0.812345678901;
        eq.comp[2].total *= 1.5;
        eq.m[4] = 4.5e-3;
        eq.gamma[4] = 0.77;
        sys.comp[3].mix_total = 2.5e-5;
        for (int k = 1; k <= sys.nc; ++k) sys.comp[k].total_input = eq.comp[k].total;
        if (eq.comp[2].total >= 0) eq.water_kg = eq.comp[2].total / WATER_MOLES_PER_KG;
        sys.nmin = 3;
        sys.mn[1].name = Name20("H2O,gas");
        sys.mn[2].name = Name20("Quartz");
        sys.mn[3].name = Name20("CO2,gas");
        eq.mn_moles[1] = 2.5e-4;
        eq.mn_moles[3] = 0.0123;
        eq.nph = 2;
        eq.ph[1] = 3;
        eq.ph[2] = 1;

        std::string unreadable;
        const std::string text = pickup_text(sys, eq, rp, &unreadable);
        EXPECT_EQ(unreadable, "");
        auto back_run = fresh_run();
        auto& back = back_run->sys;
        auto& back_eq = back_run->eq;
        auto& rb = back_run->rp;
        const ReadOutcome second = read_text(text, *back_run);
        ASSERT_EQ(second.status, 0) << second.console << text;

        // The state read back writes the same pickup: every written value, option and list
        // came back. The matrix phases are not read back as such; give them again.
        for (int k = 1; k <= back.nc; ++k) back.sp[k].name = sys.sp[k].name;
        back.nmin = sys.nmin;
        for (int i = 1; i <= sys.nmin; ++i) back.mn[i] = sys.mn[i], back_eq.mn_moles[i] = eq.mn_moles[i];
        back_eq.nph = eq.nph;
        for (int p = 1; p <= eq.nph; ++p) back_eq.ph[p] = eq.ph[p];
        EXPECT_EQ(pickup_text(back, back_eq, rb), text);

        // And what the text does not show directly.
        EXPECT_EQ(rb.C, 4);
        EXPECT_EQ(reactant_unit_label(rb), reactant_unit_label(rp));
        EXPECT_DOUBLE_EQ(rb.PFLUID, rp.PFLUID);
        EXPECT_DOUBLE_EQ(rb.TEMP, rp.TEMP);
        EXPECT_DOUBLE_EQ(rb.TOTMIX, rp.TOTMIX);
        EXPECT_DOUBLE_EQ(rb.enth_added, rp.enth_added);
        EXPECT_DOUBLE_EQ(back_eq.water_kg, eq.water_kg);
        for (int k = 1; k <= sys.nc; ++k) {
            SCOPED_TRACE("component row " + std::to_string(k));
            EXPECT_EQ(back.cmap[sys.comp[k].saq], k);
            EXPECT_NEAR(back_eq.comp[k].total, eq.comp[k].total, 1e-11 * std::abs(eq.comp[k].total));
            EXPECT_NEAR(back.comp[k].mix_total, sys.comp[k].mix_total, 1e-11 * std::abs(sys.comp[k].mix_total));
            EXPECT_DOUBLE_EQ(back_eq.m[k], eq.m[k]);
            EXPECT_DOUBLE_EQ(back_eq.gamma[k], eq.gamma[k]);
        }
        ASSERT_EQ(back.nsat, 2);  // the matrix phases became the saturated minerals, in matrix order
        EXPECT_EQ(back.sat[1].name, Name20("CO2,gas"));
        EXPECT_DOUBLE_EQ(back.sat[1].moles, 0.0123);
        EXPECT_EQ(back.sat[2].name, Name20("H2O,gas"));
        EXPECT_DOUBLE_EQ(back.sat[2].moles, 2.5e-4);
        EXPECT_DOUBLE_EQ(back.react[1].amount, 0.025);  // the ppm amount came back as weight percent
    }
}

}  // namespace
}  // namespace zq::test
