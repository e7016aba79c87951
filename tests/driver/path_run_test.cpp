// Reaction paths run whole, on the bundled data: the steps and the stop at the limit, the
// repeats at the same conditions, the INCREM start, the re-evaluation at a new temperature
// or pressure, the pressure from the T-P curve, the half step back, the range questions, a
// run resumed from its pickup file, and the stop of an assemblage that does not settle.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "driver/program.h"
#include "driver/run_state.h"
#include "format/record_layout.h"
#include "path/step_controller.h"
#include "solver/newton.h"
#include "support/chem_builder.h"
#include "support/run_dir.h"

namespace zq::test {
namespace {

// The run file of an example with values replaced in their fixed columns.
class RunText {
public:
    explicit RunText(const std::string& example) : text(source_text("examples/" + example + "/ZARNRUN.DAT")) {}
    // ERPC, pH, PFLUID, TEMP, TEMPC (i = 0..4).
    RunText& param(int i, double v) { return put("<  erpc  >", 1 + 10 * i, layout(i == 0 ? "[E9.3]" : "[F9.4]", {v})); }
    // SINC, SLIM, TOTMIX (i = 0..2).
    RunText& step(int i, double v) { return put("< step increm >", 1 + 15 * i, layout("[G14.8]", {v})); }
    RunText& option(std::string_view name, int v) {
        static constexpr std::array<std::string_view, 18> names{"CONFLG", "C",    "IFRAC",  "IPUNCH", "NLOOP", "ISTEP",
                                                                "LIMSOL", "LOOC", "IENTH",  "ITREF",  "IDEAL", "IPSAT",
                                                                "INCREM", "INCP", "MINSOL", "NEUT",   "AWAT",  "CHGF"};
        int i = 0;
        while (names[static_cast<std::size_t>(i)] != name) ++i;
        return put("hiP:1", 5 * i, layout("[I5]", {v}));
    }
    RunText& suppress(std::string_view mineral) {
        std::string name(mineral);
        name.resize(20, ' ');
        text.insert(text.find('\n', text.find("< mins to suppress >")) + 1, name + "\n");
        return *this;
    }
    RunText& curve(const std::string& points) {
        text += points;
        return *this;
    }
    std::string text;

private:
    RunText& put(std::string_view caption, int col, const std::string& field) {
        const std::size_t line = text.find('\n', text.find(caption)) + 1;
        text.replace(line + static_cast<std::size_t>(col), field.size(), field);
        return *this;
    }
};

// One solve as the observer sees it, and the increment that led to it.
struct Solve {
    double T = 0, P = 0, totmix = 0, curinc = 0;
    std::vector<std::string> phases;
    std::vector<double> m, moles;
    int supersaturated = 0;  // pure phases outside the matrix above saturation
    std::string most;        // the most supersaturated of them
};

struct PathRun {
    TempDir dir;
    RunOutcome out;
    std::vector<Solve> solves;

    using Look = std::function<void(const RunState&)>;
    explicit PathRun(const std::string& run_file) {
        dir.write("ZARNRUN.DAT", run_file);
        dir.write("DORNEVAL.QVD", source_text("data/DORNEVAL.QVD"));
        dir.write("MINOX.DAT", source_text("data/MINOX.DAT"));
    }
    // Runs the program, answering its questions from `answers`; `before` looks at every solve
    // before it is made.
    PathRun& go(const std::string& answers = "", const Look& before = nullptr) {
        double curinc = 0;
        RunObserver obs;
        obs.before_solve = [&](const RunState& r) {
            curinc = r.ps.CURINC;
            if (before) before(r);
        };
        obs.after_solve = [&](const RunState& r, const SolveResult&) { solves.push_back(observe(r, curinc)); };
        out = run_in(dir, answers, &obs, options);
        return *this;
    }
    std::string listing() const { return dir.read("ZARNOUT.DAT"); }
    RunOptions options;
    std::vector<double> temperatures() const {
        std::vector<double> t;
        for (const Solve& s : solves)
            if (t.empty() || t.back() != s.T) t.push_back(s.T);
        return t;
    }

    static Solve observe(const RunState& r, double curinc) {
        const ChemicalSystem& sys = r.sys;
        const EquilibriumState& eq = r.eq;
        Solve s{r.rp.TEMP, r.rp.PFLUID, r.rp.TOTMIX, curinc, {}, {}, {}, 0, {}};
        for (int p = 1; p <= eq.nph; ++p) {
            s.phases.push_back(sys.mn[eq.ph[p]].name.trimmed());
            s.moles.push_back(eq.mn_moles[eq.ph[p]]);
        }
        for (int i = 1; i <= sys.ns; ++i) s.m.push_back(eq.m[i]);
        double best = 0;
        for (int i = 1; i <= sys.nmin; ++i) {
            const Mineral& mn = sys.mn[i];
            bool in = false;
            for (int p = 1; p <= eq.nph; ++p) in = in || eq.ph[p] == i;
            if (in || sys.ss.of[i] != 0) continue;
            double logq = 0;
            for (int t = 1; t <= mn.itot; ++t) logq += mn.coefm[t] * std::log10(eq.act[mn.specm[t]]);
            const double sat = (logq - r.cond.mn_logk[i]) / mn.coef_abs_sum;
            if (sat < 1e-10) continue;
            ++s.supersaturated;
            if (sat >= best) best = sat, s.most = mn.name.trimmed();
        }
        return s;
    }
};

// The text between the solves: segment k runs from the start of solve k-1's listing (or the
// start) to the start of solve k's.
std::vector<std::string> segments(const std::string& text, const std::string& solve_mark) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (std::size_t at = text.find(solve_mark); at != std::string::npos; at = text.find(solve_mark, at + 1)) {
        out.push_back(text.substr(from, at - from));
        from = at;
    }
    return out;
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

RunText seawater_cooling(double from, double to) {
    return std::move(RunText("seawater").param(3, from).step(0, -5).step(1, to).option("IPUNCH", 1));
}

// 150, 145, ..., 100 C and a stop after the step below 100; anhydrite and brucite enter and
// leave on the way, each change solved again at the same conditions without the pH and
// "Calculations done for" lines; one plot record per temperature, after one header.
TEST(PathRun, TemperaturePathStepsToItsLimitAndRepeatsAfterPhaseChanges) {
    PathRun run(seawater_cooling(150, 100).param(2, 4.758).text);
    run.go();
    EXPECT_EQ(run.out.status, 0);
    std::vector<double> want;
    for (double t = 150; t >= 100; t -= 5) want.push_back(t);
    EXPECT_EQ(run.temperatures(), want);
    EXPECT_NE(run.out.console.find(
                  "\n  Temperature reached given limit of   100.0000\n  TEMP =    95.0000  Execution stopped.\n"),
              std::string::npos);

    const std::vector<std::string> listed = segments(run.listing(), "  Number of loops used");
    const std::vector<std::string> shown = segments(run.out.console, "     Loop no.   1 ");
    ASSERT_EQ(listed.size(), run.solves.size());
    ASSERT_EQ(shown.size(), run.solves.size());
    int repeats = 0;
    for (std::size_t k = 1; k < run.solves.size(); ++k) {
        const bool step = run.solves[k].curinc != 0;
        repeats += !step;
        EXPECT_EQ(listed[k].find("  Calculations done for ") != std::string::npos, step) << k;
        EXPECT_EQ(shown[k].find("  The pH is: ") != std::string::npos, step) << k;
    }
    EXPECT_GE(repeats, 3);

    // ZARNRUN.DAT holds the last full step, ZARNRUN.SAV the last solve that changed the phases.
    double changed = 0;
    for (std::size_t k = 1; k < run.solves.size(); ++k)
        if (run.solves[k].curinc == 0) changed = run.solves[k - 1].T;
    auto temp_field = [](const std::string& pickup) {
        return pickup.substr(pickup.find("\n", pickup.find("<  erpc")) + 32, 9);
    };
    EXPECT_EQ(temp_field(run.dir.read("ZARNRUN.DAT")), layout("[F9.4]", {100.0}));
    EXPECT_EQ(temp_field(run.dir.read("ZARNRUN.SAV")), layout("[F9.4]", {changed}));

    const std::string plot = run.dir.read("ZARNPLOT.DAT");
    EXPECT_EQ(count(plot, "Seawater at 25 C"), 1u);
    for (const double t : want) EXPECT_EQ(count(plot, "\n" + layout("[F10.5]", {t}) + " "), 1u) << t;
}

// The run as the first solve of a run finds it.
std::unique_ptr<RunState> at_first_solve(const std::string& run_file) {
    std::unique_ptr<RunState> kept;
    PathRun(run_file).go("", [&](const RunState& r) {
        if (!kept) kept = std::make_unique<RunState>(r);
    });
    return kept;
}

// Re-evaluating at a new temperature (saturation curve) or pressure (extended grid) gives
// every datum that a start-up at the new conditions gives.
TEST(PathRun, ReevaluationAtNewConditionsEqualsTheStartUpThere) {
    struct Case {
        std::string from, at;
        double T, P;
    };
    const Case cases[] = {
        {RunText("seawater").param(3, 150).text, RunText("seawater").param(3, 145).text, 145, 1.0133},
        {RunText("pressure-path").text, RunText("pressure-path").param(2, 400).text, 300, 400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.P);
        const auto fresh = at_first_solve(c.at);
        const auto run = at_first_solve(c.from);
        run->rp.TEMP = c.T, run->rp.PFLUID = c.P;
        Session s;
        change_conditions(run->sys, run->cond, run->rp, run->ps, s.io);
        EXPECT_EQ(s.console(), "");

        const ChemicalSystem &sys = run->sys, &fsys = fresh->sys;
        const Conditions &got = run->cond, &want = fresh->cond;
        EXPECT_DOUBLE_EQ(got.TK, want.TK);
        EXPECT_DOUBLE_EQ(got.logP, want.logP);
        EXPECT_EQ(got.grid.row, want.grid.row);
        EXPECT_EQ(got.grid.col, want.grid.col);
        for (int k = 1; k <= 5; ++k) EXPECT_DOUBLE_EQ(got.header[k], want.header[k]) << k;
        EXPECT_DOUBLE_EQ(got.header3_derived, want.header3_derived);
        EXPECT_DOUBLE_EQ(got.header4_derived, want.header4_derived);
        for (int k = 1; k <= 10; ++k) EXPECT_DOUBLE_EQ(got.cross_t[k], want.cross_t[k]) << k;
        ASSERT_EQ(sys.ns, fsys.ns);
        for (int j = 1; j <= sys.ns; ++j) {
            ASSERT_EQ(sys.sp[j].name, fsys.sp[j].name);
            EXPECT_DOUBLE_EQ(got.logk[j], want.logk[j]) << sys.sp[j].name.str();
            EXPECT_DOUBLE_EQ(got.bdot[j], want.bdot[j]) << sys.sp[j].name.str();
        }
        ASSERT_EQ(sys.nmin, fsys.nmin);
        for (int i = 1; i <= sys.nmin; ++i) {
            ASSERT_EQ(sys.mn[i].name, fsys.mn[i].name);
            EXPECT_DOUBLE_EQ(got.mn_logk[i], want.mn_logk[i]) << sys.mn[i].name.str();
            EXPECT_DOUBLE_EQ(got.mn_logk_raw[i], want.mn_logk_raw[i]) << sys.mn[i].name.str();
        }
        for (int g = 1; g <= sys.nmixed; ++g) {
            EXPECT_DOUBLE_EQ(got.eos_a_t[g], want.eos_a_t[g]) << g;
            EXPECT_DOUBLE_EQ(got.eos_b_t[g], want.eos_b_t[g]) << g;
        }
    }
}

// INCREM: the first step is taken from the run file's conditions before anything is solved;
// the lines after the input echo (and its solid-solution list) are the step's.
TEST(PathRun, IncremTakesTheFirstStepBeforeTheFirstSolve) {
    PathRun run(seawater_cooling(150, 140).param(2, 4.758).option("INCREM", 1).text);
    run.go();
    EXPECT_EQ(run.out.status, 0);
    ASSERT_FALSE(run.solves.empty());
    EXPECT_EQ(run.solves.front().T, 145);
    const std::string listing = run.listing();
    const std::size_t step = listing.find(
        "  Calculations done for   150.0000 Deg. C;      4.7580 bar\n"
        "  Temperature changed by  -5.000 degrees to 145.000 degrees C.\n");
    const std::size_t members =
        listing.find("  The following minerals and/or gases with identical index are in solid solution:");
    ASSERT_NE(step, std::string::npos);
    EXPECT_LT(members, step);
    EXPECT_EQ(listing.find_first_not_of(' ', listing.find_last_of('\n', step - 3) + 1),
              listing.find("CH4,gas", members));
    EXPECT_LT(step, listing.find("Number of loops used"));
    EXPECT_LT(run.out.console.find("Next temperature change"), run.out.console.find("Loop no."));
}

// Stopped midway (the pickup in ZARNRUN.DAT when the path reaches 175 C is taken as the run
// file), the cooling path with fractionation resumes and repeats what the uninterrupted run
// did from that state on: the same temperatures and phases, molalities and phase moles to
// 1e-7 relative (the pickup keeps 12 significant digits).
TEST(PathRun, ResumedFromThePickupTheRunContinuesAsUninterrupted) {
    PathRun whole(RunText("cooling-250-to-100c").text);
    whole.options.pickup_interval = 0;  // every pickup on disk as it is made
    std::string pickup;
    int pickups = 0, in_table = 0;
    whole.go("", [&](const RunState& r) {
        const std::string on_disk = whole.dir.read("ZARNRUN.DAT");
        if (pickup.empty() && r.rp.TEMP == 175) pickup = on_disk;
        // The step of the pickup on disk is in the step table on disk: the table's rows,
        // gathered in blocks, are written before every pickup.
        std::istringstream lines(on_disk);
        std::string line;
        for (int i = 0; i < 5; ++i) std::getline(lines, line);
        double t = 0;
        for (int i = 0; i < 4; ++i) std::istringstream(line.substr(static_cast<std::size_t>(i) * 10, 10)) >> t;
        ++pickups;
        std::istringstream table(std::filesystem::exists(whole.dir.path() / "ZARNSTEP.CSV")
                                     ? whole.dir.read("ZARNSTEP.CSV")
                                     : std::string());
        bool found = false;
        for (std::string row; std::getline(table, row) && !found;) {
            std::istringstream cells(row);
            std::string cell;
            for (int c = 0; c < 5; ++c) std::getline(cells, cell, ',');
            found = std::fabs(std::atof(cell.c_str()) - t) < 1e-4;
        }
        in_table += found ? 1 : 0;
    });
    ASSERT_EQ(whole.out.status, 0);
    ASSERT_FALSE(pickup.empty());
    EXPECT_EQ(in_table, pickups - 1);  // all but the run file itself, before the first step
    PathRun rest(pickup);
    rest.go();
    EXPECT_EQ(rest.out.status, 0);

    std::size_t from = 0;  // the uninterrupted run's last solve at 180 C, which the pickup holds
    while (whole.solves[from + 1].T != 175) ++from;
    ASSERT_EQ(rest.solves.size(), whole.solves.size() - from);
    auto close = [](double a, double b) {
        return std::fabs(a - b) <= 1e-7 * std::max(std::fabs(a), std::fabs(b)) + 1e-300;
    };
    for (std::size_t k = 0; k < rest.solves.size(); ++k) {
        const Solve &a = whole.solves[from + k], &b = rest.solves[k];
        SCOPED_TRACE(b.T);
        ASSERT_EQ(a.T, b.T);
        ASSERT_EQ(a.phases, b.phases);
        for (std::size_t i = 0; i < a.m.size(); ++i)
            EXPECT_TRUE(close(a.m[i], b.m[i])) << i << " " << a.m[i] << " " << b.m[i];
        for (std::size_t i = 0; i < a.moles.size(); ++i) EXPECT_TRUE(close(a.moles[i], b.moles[i])) << a.phases[i];
    }
}

// The first gram of basalt leaves three or more phases supersaturated. With LOOC the path
// goes back half a step with the same phases (none added), and neither the listing nor the
// plot file has the fractionation line or a record of the cut step; without LOOC the most
// supersaturated phase enters and the same amount is solved again.
TEST(PathRun, ManyPhasesSupersaturatedSendTheStepBackHalfWithLooc) {
    for (const int looc : {1, 0}) {
        SCOPED_TRACE(looc);
        // Without half steps, berlinite (AlPO4) enters and leaves in turn at 1 g.
        PathRun run(RunText("basalt-seawater-250c").step(1, 2).option("LOOC", looc).suppress("Berlinite").text);
        run.go();
        EXPECT_EQ(run.out.status, 0);
        std::size_t k = 0;
        while (k < run.solves.size() && run.solves[k].totmix != 1) ++k;
        ASSERT_LT(k + 1, run.solves.size());
        // Before the first step there is nothing to go back into: the heated seawater takes its
        // phases one at a time at 0 g, never a negative amount of rock.
        EXPECT_GE(k, 3u);
        for (std::size_t j = 0; j < k; ++j) EXPECT_EQ(run.solves[j].totmix, 0) << j;
        const Solve &at = run.solves[k], &next = run.solves[k + 1];
        EXPECT_GE(at.supersaturated, 3);
        if (looc) {
            EXPECT_EQ(next.totmix, 0.5);
            EXPECT_EQ(next.phases, at.phases);
            const std::vector<std::string> listed = segments(run.listing(), "  Number of loops used");
            EXPECT_EQ(listed[k + 1].find("Solids and gases carried"), std::string::npos);
            EXPECT_EQ(run.dir.read("ZARNPLOT.DAT").find(layout("[G10.4]", {1.0})), std::string::npos);
        } else {
            EXPECT_EQ(next.totmix, 1);
            std::vector<std::string> want = at.phases;
            want.push_back(at.most);
            EXPECT_EQ(next.phases, want);
        }
    }
}

// The range questions: below 25 C on the saturation curve, and at the grid's pressure limit
// on the extended grid. "n" stops at the first; an empty answer goes on and the warning
// comes back without the question. The start-up's saturation question keeps no answer: a
// run that starts below 25 C is asked again at its first step. Outside the grid the run
// stops whatever the answers.
TEST(PathRun, RangeQuestionsAreAskedOnceAndNStops) {
    const std::string below_25 = seawater_cooling(30, 15).text;
    const std::string from_20 = seawater_cooling(20, 10).text;
    const std::string to_5200 = RunText("pressure-path").param(2, 4800).step(1, 5200).text;
    const std::string to_6000 = RunText("pressure-path").param(2, 5800).step(1, 6500).text;
    const std::string saturation = "  WARNING: User specified L-V saturation and T < 25 C or T > 350 C.";
    const std::string grid = "  WARNING: P, TEMP or TEMPC are in a grid block at the limit of the P-T range of data.";
    struct Case {
        const std::string& run_file;
        std::string answers;
        int status;
        const std::string& warning;
        std::size_t warnings, questions;
    };
    const std::string error = "  ERROR: P, TEMP or TEMPC are outside the P-T range of the data.";
    const Case cases[] = {
        {below_25, "n\n", 1, saturation, 1, 1}, {below_25, "\n", 0, saturation, 2, 1},
        {from_20, "\n\n", 0, saturation, 3, 2}, {to_5200, "N\n", 1, grid, 1, 1},
        {to_5200, "\n", 0, grid, 2, 1},         {to_6000, "\n", 1, error, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.warning + " / " + c.answers);
        PathRun run(c.run_file);
        run.go(c.answers);
        EXPECT_EQ(run.out.status, c.status);
        EXPECT_EQ(count(run.listing(), c.warning), c.warnings);
        EXPECT_EQ(count(run.out.console, "Continue? (Yes/No, enter = YES)"), c.questions);
        // The stop comes before any further solve.
        const std::string& console = run.out.console;
        if (c.status == 1) {
            EXPECT_LT(console.rfind("Loop no."), console.rfind(c.answers == "\n" ? c.warning : "Continue?"));
        }
    }
}

// The T-P curve (100 C, 10 bar) - (250 C, 50 bar): interpolated inside, left alone above its
// last point, held at the first point's pressure below it.
TEST(PathRun, PressureFollowsTheCurveAndStaysPutOutsideIt) {
    const std::string curve = "   100.000    10.000\n   250.000    50.000\n";
    struct Case {
        double from, pfluid, sinc, to;
        std::vector<double> pressures;
    };
    const Case cases[] = {{240, 1, 10, 250, {10 + 40.0 * 140 / 150, 50}},  // the run file's pressure replaced
                          {255, 60, 10, 265, {60, 60}},
                          {110, 1, -10, 90, {10 + 40.0 * 10 / 150, 10, 10}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        PathRun run(
            RunText("seawater").param(2, c.pfluid).param(3, c.from).step(0, c.sinc).step(1, c.to).curve(curve).text);
        run.go();
        EXPECT_EQ(run.out.status, 0);
        std::vector<double> p;
        for (const Solve& s : run.solves)
            if (p.empty() || s.T != run.solves[p.size() - 1].T) p.push_back(s.P);
        ASSERT_EQ(p.size(), c.pressures.size());
        for (std::size_t i = 0; i < p.size(); ++i) EXPECT_NEAR(p[i], c.pressures[i], 1e-9) << i;
    }
}

// Quartz enters and leaves in turn (the loose ERPC leaves its mass-action equation unmet):
// the cycle bars it, it is let in again from the settled assemblage three times, and the
// accepted equilibrium says it is metastable with respect to quartz.
TEST(PathRun, APhaseThatKeepsComingBackIsKeptOutAtThoseConditions) {
    ChemBuilder b;
    b.component("H+", 1, 1.008, 0.0, 1e-7);
    b.component("H2O", 0, 18.015, WATER_MOLES_PER_KG, 1.0);
    b.component("SiO2,aq", 0, 60.084, 1.0, 1e-6);
    b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
    b.mineral("Quartz", -3.0, 60.084, 2.648, {{1, 3}});
    b.rp.ERPC = 1e-2;
    EXPECT_EQ(stop_status([&] { run_loop(*b.run, *b.io); }), -1);  // the path ends normally
    const std::string listing = b.listing();
    EXPECT_EQ(count(listing,
                    "  Quartz               has entered the matrix and left it again at these conditions:\n"
                    "          it is kept out until the path moves on.\n"),
              4u);
    EXPECT_EQ(count(listing, "  Quartz               is still supersaturated where the search has settled:\n"), 3u);
    EXPECT_EQ(count(listing, "  Warning: Quartz               is supersaturated (log(Q/K) =   3.00) but was kept\n"),
              1u);
    EXPECT_EQ(count(listing, "Number of loops used"), 17u);
}

// A step that cannot move its path variable, or a path that would need more than
// MAX_PATH_STEPS steps, stops the run after the first solve, naming SINC and the variable;
// so does a pressure path that takes PFLUID to 0.
TEST(PathRun, APathThatCannotReachItsLimitStops) {
    struct Case {
        const char* name;
        std::string run_file;
        std::string message;
    };
    const std::string curve = "   200.000    50.000\n   400.000   150.000\n";
    const Case cases[] = {
        {"cooling by -1e-20", RunText("cooling-250-to-100c").step(0, -1e-20).text,
         "  The step of TEMP by -1e-20 (SINC = -1e-20) leaves TEMP at 250:\n"
         "  the path would never reach SLIM = 100. Execution stopped.\n"},
        {"cooling by the smallest double", RunText("cooling-250-to-100c").step(0, -4.9e-324).text,
         "  The step of TEMP by -5e-324 (SINC = -5e-324) leaves TEMP at 250:\n"},
        {"pH path by 1e-17", RunText("ph-path").step(0, 1e-17).text,
         "  The step of pH by 1e-17 (SINC = 1e-17) leaves pH at 8:\n"},
        {"pressure path on a T-P curve", RunText("pressure-path").curve(curve).text,
         "  The step of PFLUID by 100 (SINC = 100) leaves PFLUID at 100:\n  the path would never reach SLIM = 1000. "
         "Execution stopped.\n  PFLUID follows the T-P curve at TEMP: a pressure path needs a run file without the "
         "curve.\n"},
        {"cooling by -1e-13", RunText("cooling-250-to-100c").step(0, -1e-13).text,
         "  SINC = -1e-13 would take more than 1000000 steps to bring TEMP from 249.9999999999999 to SLIM = 100.\n"
         "  Execution stopped: give a larger SINC.\n"},
        {"titration by 1e-18", RunText("basalt-seawater-250c").step(0, 1e-18).text,
         "  SINC = 1e-18 would take more than 1000000 steps to bring TOTMIX from 1e-18 to SLIM = 100.\n"},
        {"pressure path below 0 bar", RunText("seawater").option("INCP", 1).param(2, 10).step(0, -5).step(1, -20).text,
         "  The pressure path takes PFLUID to 0 bar (SINC = -5): a pressure must stay above 0. Execution stopped.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PathRun run(c.run_file);
        run.go();
        EXPECT_EQ(run.out.status, 1);
        EXPECT_NE(run.out.console.find(c.message), std::string::npos) << run.out.console;
        EXPECT_NE(run.listing().find(c.message), std::string::npos);
        EXPECT_LE(run.solves.size(), 10u);  // the solves before the first full step
    }
}

}  // namespace
}  // namespace zq::test
