// The tables of a run: full-precision values that read back exactly, a phase column added
// when a phase first enters, values that are not finite, names with commas, resuming, values
// written again (+0 beside -0); the tables of an example against its listing; and an
// interrupted, resumed path against the same path run through.
#include "output/step_tables.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>

#include "support/chem_builder.h"
#include "support/run_dir.h"

namespace zq::test {
namespace {

using Table = std::vector<std::map<std::string, std::string>>;

std::vector<std::string> cells_of(const std::string& line) {
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            cells.emplace_back();
        else
            cells.back() += c;
    }
    return cells;
}

// Rows as column -> cell; every row must have the header's number of cells.
Table read_table(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> head = cells_of(line);
    Table rows;
    while (std::getline(in, line)) {
        const std::vector<std::string> cells = cells_of(line);
        EXPECT_EQ(cells.size(), head.size()) << line;
        auto& row = rows.emplace_back();
        for (std::size_t i = 0; i < head.size() && i < cells.size(); ++i) row[head[i]] = cells[i];
    }
    return rows;
}

// Half a unit in the last place of v printed with `digits` significant digits.
double half_unit(double v, int digits) {
    return v == 0 ? 1e-300 : 0.5000001 * std::pow(10.0, std::floor(std::log10(std::fabs(v))) - digits + 1);
}

double num(const std::string& cell) {
    double v = NAN;
    std::from_chars(cell.data(), cell.data() + cell.size(), v);
    return v;
}

// H+, water and dissolved silica, with OH-.
void silica_water(ChemBuilder& b) {
    b.component("H+", 1, 1.008, 0.0, 1e-7);
    b.component("H2O", 0, 18.015, WATER_MOLES_PER_KG, 1.0);
    b.component("SiO2,aq", 0, 60.084, 1e-3, 1e-3);
    b.species("OH-", -1, 14.0, {{1, 2}, {-1, 1}});
}

// Silica and water with quartz out of the matrix, solved, and tables opened with the
// starting point written; false when the solve failed.
bool start_tables(ChemBuilder& b, StepTables& t, int& quartz) {
    silica_water(b);
    quartz = b.mineral("Quartz", -3.0, 60.084, 2.648, {{1, 3}});
    if (!b.start_and_solve().converged()) return false;
    t.open(b.sys, b.rp, *b.io);
    t.write_step(b.sys, b.cond, b.eq, b.rp, StepArrival::Start, *b.io);
    return true;
}

TEST(StepTables, RowsColumnsStatusAndResume) {
    ChemBuilder b;
    StepTables t;
    int quartz = 0;
    ASSERT_TRUE(start_tables(b, t, quartz));
    b.eq.ph[++b.eq.nph] = quartz;  // quartz enters: a column, 0 in the row before
    b.eq.mn_moles[quartz] = 0.25;
    b.eq.act[1] = 0;  // a pH that is not finite
    const double gamma = b.eq.gamma[3];
    b.eq.gamma[3] = NAN;
    const double molality = b.eq.m[3], log_k = b.cond.mn_logk[quartz];
    b.eq.m[3] = NAN;  // two cells of a species row, and two of a mineral's, not finite
    b.cond.mn_logk[quartz] = INFINITY;
    t.write_step(b.sys, b.cond, b.eq, b.rp, StepArrival::Full, *b.io);
    b.eq.gamma[3] = gamma;
    b.eq.m[3] = molality;
    b.cond.mn_logk[quartz] = log_k;

    t.flush();  // the rows are gathered until the run loop writes a pickup
    const std::string text = b.dir.read(STEP_TABLE);
    EXPECT_NE(text.find(",moles_Quartz,total_H+_mol_per_kg,\"total_SiO2,aq_mol_per_kg\"\n"), std::string::npos);
    Table rows = read_table(text);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["kind"], "start");
    EXPECT_EQ(rows[0]["path_variable"], "temperature_C");
    EXPECT_EQ(num(rows[0]["water_activity"]), b.eq.gamma[2]);  // full precision: reads back exactly
    EXPECT_EQ(rows[0]["moles_Quartz"], "0");
    EXPECT_EQ(rows[0]["status"], "");
    EXPECT_EQ(rows[1]["moles_Quartz"], "0.25");
    EXPECT_EQ(rows[1]["pH"], "");
    EXPECT_EQ(rows[1]["status"], "not finite: pH");
    EXPECT_EQ(rows[1]["step"], "2");

    Table species = read_table(b.dir.read(SPECIES_TABLE));
    ASSERT_EQ(species.size(), 2u * 4u);  // H+, SiO2,aq, OH- and quartz at each step
    EXPECT_EQ(species[1]["name"], "SiO2,aq");
    EXPECT_EQ(num(species[1]["molality_mol_per_kg"]), b.eq.m[3]);
    EXPECT_EQ(species[5]["gamma"], "");
    EXPECT_EQ(species[5]["status"], "not finite: molality gamma");
    EXPECT_EQ(species[6]["status"], "");
    EXPECT_EQ(species[7]["log_K"], "");
    EXPECT_EQ(species[7]["status"], "not finite: log_K log_Q_K");
    EXPECT_EQ(species[7]["in_matrix"], "1");
    EXPECT_EQ(species[7]["moles"], "0.25");

    // The same starting point resumes (its row is not written again); another one starts afresh.
    t.open(b.sys, b.rp, *b.io);
    t.write_step(b.sys, b.cond, b.eq, b.rp, StepArrival::Start, *b.io);
    t.write_step(b.sys, b.cond, b.eq, b.rp, StepArrival::Full, *b.io);
    t.flush();
    rows = read_table(b.dir.read(STEP_TABLE));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2]["kind"], "resume");
    EXPECT_EQ(rows[2]["step"], "");
    EXPECT_EQ(rows[3]["step"], "3");
    EXPECT_EQ(read_table(b.dir.read(SPECIES_TABLE))[8]["kind"], "resume");
    b.rp.TEMP = 30;
    t.open(b.sys, b.rp, *b.io);
    EXPECT_EQ(read_table(b.dir.read(STEP_TABLE)).size(), 0u);
}

// A phase entering after a resumed run's mark: its column is 0 in the steps before, empty in
// the mark, and every row keeps the header's number of cells.
TEST(StepTables, PhaseColumnAfterResume) {
    ChemBuilder b;
    StepTables t;
    int quartz = 0;
    ASSERT_TRUE(start_tables(b, t, quartz));
    t.flush();
    t.open(b.sys, b.rp, *b.io);  // resumes: the starting point is not written again
    t.write_step(b.sys, b.cond, b.eq, b.rp, StepArrival::Start, *b.io);
    b.eq.ph[++b.eq.nph] = quartz;
    b.eq.mn_moles[quartz] = 0.5;
    t.write_step(b.sys, b.cond, b.eq, b.rp, StepArrival::Full, *b.io);
    t.flush();
    const Table rows = read_table(b.dir.read(STEP_TABLE));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].at("moles_Quartz"), "0");
    EXPECT_EQ(rows[1].at("kind"), "resume");
    EXPECT_EQ(rows[1].at("moles_Quartz"), "");
    EXPECT_EQ(rows[2].at("moles_Quartz"), "0.5");
}

// Values written again in a step, +0 and -0 side by side, and the same values in the next
// step: every cell keeps its own text.
TEST(StepTables, RepeatedValuesAndSignedZeros) {
    ChemBuilder b;
    silica_water(b);
    ASSERT_TRUE(b.start_and_solve().converged());
    b.eq.m[3] = b.eq.act[4] = 0.0;
    b.eq.act[3] = b.eq.m[4] = -0.0;
    StepTables t;
    t.open(b.sys, b.rp, *b.io);
    t.write_step(b.sys, b.cond, b.eq, b.rp, StepArrival::Start, *b.io);
    t.write_step(b.sys, b.cond, b.eq, b.rp, StepArrival::Full, *b.io);
    t.flush();
    Table species = read_table(b.dir.read(SPECIES_TABLE));
    ASSERT_EQ(species.size(), 2u * 3u);
    for (const std::size_t row : {1u, 4u}) {
        EXPECT_EQ(species[row]["molality_mol_per_kg"], "0");
        EXPECT_EQ(species[row]["activity"], "-0");
        EXPECT_EQ(species[row + 1]["molality_mol_per_kg"], "-0");
        EXPECT_EQ(species[row + 1]["activity"], "0");
    }
}

void stage(TempDir& dir, const std::string& run_file) {
    dir.write("ZARNRUN.DAT", run_file);
    for (const char* f : {"DORNEVAL.QVD", "MINOX.DAT"}) dir.write(f, read_text(source_path("data") / f));
}

// The listing's equilibria that were accepted as steps: those followed by the saturation
// table. From each: pH (log activity of H+, 4 decimals), the moles of the phases (E10.4)
// and the molality of Cl- (E12.5).
struct ListedStep {
    double pH = NAN, chloride = NAN;
    std::map<std::string, double> moles;
};

std::vector<ListedStep> listed_steps(const std::string& listing) {
    std::vector<ListedStep> steps;
    ListedStep cur;
    std::istringstream in(listing);
    std::string line;
    bool in_phases = false;
    const std::regex h(R"(^ +1 H\+ +\S+ +\S+ +\S+ +(\S+))"), cl(R"(^ +\d+ Cl- +(\S+) +-?\d+\.\d+ )");
    const std::regex phase(R"(^ ([A-Za-z][^ ]*) +(-?[0-9.]+E[-+]\d+|-?[0-9.]+) +-?\d+\.\d+ )");
    std::smatch m;
    while (std::getline(in, line)) {
        if (line.find("Number of loops used") != std::string::npos) cur = ListedStep();
        if (std::isnan(cur.pH) && std::regex_search(line, m, h)) cur.pH = -std::stod(m[1]);
        if (std::isnan(cur.chloride) && std::regex_search(line, m, cl)) cur.chloride = std::stod(m[1]);
        if (line.rfind(" Gas or mineral        Moles", 0) == 0)
            in_phases = true;
        else if (in_phases && line.find("Partial press.") != std::string::npos)
            in_phases = false;
        else if (in_phases && std::regex_search(line, m, phase))
            cur.moles[m[1]] = std::stod(m[2]);
        if (line.find("presently EXCLUDED from matrix") != std::string::npos) steps.push_back(cur);
    }
    return steps;
}

// Every accepted step of the examples is a row, with the listing's numbers.
TEST(StepTables, ExamplesAgreeWithTheirListings) {
    for (const char* example : {"cooling-250-to-100c", "basalt-seawater-250c", "ph-path"}) {
        SCOPED_TRACE(example);
        TempDir dir;
        stage(dir, read_text(source_path("examples") / example / "ZARNRUN.DAT"));
        ASSERT_EQ(run_in(dir).status, 0);
        const Table rows = read_table(dir.read(STEP_TABLE));
        const std::vector<ListedStep> listed = listed_steps(dir.read("ZARNOUT.DAT"));
        ASSERT_EQ(rows.size(), listed.size());
        for (std::size_t i = 0; i < rows.size(); i += 7) {
            SCOPED_TRACE("step " + rows[i].at("step"));
            EXPECT_NEAR(num(rows[i].at("pH")), listed[i].pH, 0.5000001e-4);
            for (const auto& [name, moles] : listed[i].moles)
                EXPECT_NEAR(num(rows[i].at("moles_" + name)), moles, half_unit(moles, 4)) << name;
        }
        const Table species = read_table(dir.read(SPECIES_TABLE));
        std::size_t chloride_rows = 0;
        for (const auto& row : species) {
            if (row.at("name") != "Cl-") continue;
            const std::size_t step = std::stoul(row.at("step")) - 1;
            EXPECT_NEAR(num(row.at("molality_mol_per_kg")), listed[step].chloride, half_unit(listed[step].chloride, 5));
            ++chloride_rows;
        }
        EXPECT_EQ(chloride_rows, rows.size());
    }
}

// The cooling example stopped at 175 C and resumed from its pickup to 100 C gives the rows of
// the path run through, with a resume row between.
TEST(StepTables, InterruptedAndResumedPathGivesTheSameRows) {
    const std::string run = read_text(source_path("examples/cooling-250-to-100c/ZARNRUN.DAT"));
    auto with_limit = [](std::string text, const char* limit) {
        const std::size_t row = text.find('\n', text.find("< step increm >")) + 1;
        text.replace(row + 15, 15, limit);
        return text;
    };
    TempDir whole, parts;
    stage(whole, run);
    ASSERT_EQ(run_in(whole).status, 0);
    stage(parts, with_limit(run, "  175.00000    "));
    ASSERT_EQ(run_in(parts).status, 0);
    parts.write("ZARNRUN.DAT", with_limit(parts.read("ZARNRUN.DAT"), "  100.00000    "));
    ASSERT_EQ(run_in(parts).status, 0);

    const Table a = read_table(whole.read(STEP_TABLE)), b = read_table(parts.read(STEP_TABLE));
    ASSERT_EQ(b.size(), a.size() + 1);
    std::size_t j = 0;
    for (std::size_t i = 0; i < a.size(); ++i, ++j) {
        if (b[j].at("kind") == "resume") ++j;
        SCOPED_TRACE("row " + std::to_string(i));
        for (const auto& [column, cell] : a[i]) {
            ASSERT_TRUE(b[j].count(column)) << column;
            const double x = num(cell), y = num(b[j].at(column));
            if (std::isnan(x))
                EXPECT_EQ(cell, b[j].at(column)) << column;
            else
                EXPECT_NEAR(x, y, 1e-6 * std::fabs(x) + 1e-12) << column;
        }
    }
}

}  // namespace
}  // namespace zq::test
