// The real program, as a child process under a time limit, on a few thousand mutated run
// files, databases and reactant files (fixed seeds): numbers and switches replaced by values
// at and past their bounds, bytes and lines changed. Whatever the input, the program must
// end by itself with status 0 or 1 and nothing on its error stream (no sanitizer report);
// status 1 leaves a message as the last console line, not a progress line; status 0 leaves
// a ZARNRUN.DAT that reads back as a run file.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "driver/pickup.h"
#include "driver/run_file_samples.h"
#include "support/bundled_run.h"
#include "support/child_run.h"
#include "support/db_stage.h"
#include "support/run_dir.h"

namespace zq::test {
namespace {

// The components of the fuzzed systems: H+, H2O, Cl-, Na+, Ca++, SiO2,aq, HCO3-.
const std::set<int> KEPT{1, 2, 3, 5, 10, 12, 13};

// Whether every component number of a reaction line is kept: ITOT in `itot_width` columns,
// then ITOT pairs of a coefficient and a component number, 12 columns a pair.
bool kept_reaction(const std::string& line, int itot_width, int number_width) {
    const int itot = std::stoi(line.substr(0, static_cast<std::size_t>(itot_width)));
    for (int k = 0; k < itot; ++k) {
        const std::size_t at = static_cast<std::size_t>(3 + 12 * k + 12 - number_width);
        if (!KEPT.count(std::stoi(line.substr(at, static_cast<std::size_t>(number_width))))) return false;
    }
    return true;
}

// The bundled database with only the records of the kept components: the same reader's
// work on a file a tenth of the size. Species records are 5 lines, mineral records 5, or 6
// for a mixed gas (JSOLS 6 in columns 67-68).
std::string small_database() {
    TempDir data;
    stage_bundled_data(data);
    const std::vector<std::string> in = split_lines(data.read("DORNEVAL.QVD"));
    std::vector<std::string> out;
    std::size_t i = 0;
    while (in.at(i).rfind("Component species", 0) != 0) out.push_back(in[i++]);
    while (!in.at(i).empty()) out.push_back(in[i++]);
    out.push_back(in[i++]);
    for (; in.at(i) != "End of derived species."; i += 5)
        if (kept_reaction(in.at(i + 3), 2, 2)) out.insert(out.end(), in.begin() + i, in.begin() + i + 5);
    for (const std::size_t end = i + 13; i < end; ++i) out.push_back(in.at(i));
    while (in.at(i) != "End of minerals and gases.") {
        const std::size_t n = in.at(i + 1).substr(66, 2) == " 6" ? 6 : 5;
        if (kept_reaction(in.at(i + 3), 3, 3)) out.insert(out.end(), in.begin() + i, in.begin() + i + n);
        i += n;
    }
    out.insert(out.end(), in.begin() + i, in.end());
    return join_lines(out, out.size());
}

// The three run files mutated: one equilibrium with two minerals and the plot file, a short
// cooling path on a T-P curve with the solids left behind, and a short titration.
std::vector<std::string> base_runs() {
    std::vector<std::string> runs;
    RunFileParts p;
    p.line4 = "1.0E-12 0 1.0133 25.0 0 0 0 0";
    p.line6 = "-5.0 25.0 0";
    p.line8 = "0 0 0 90 1.0E-10 0 0 1.0E-10";
    p.options = "0 3 0 1 100 0 1 0 0 2 0 0 0 0 0 0 0 0";
    p.comps = {comp_row("1", "H+", "0.0", "1.0E-7", "1.0"),    comp_row("2", "H2O", "1.0", "1.0", "1.0"),
               comp_row("3", "Cl-", "0.1", "0.1", "0.8"),      comp_row("5", "Na+", "0.1", "0.1", "0.8"),
               comp_row("10", "Ca++", "0.01", "0.005", "0.3"), comp_row("12", "SiO2,aq", "0.001", "1.0E-4", "1.0"),
               comp_row("13", "HCO3-", "0.02", "0.002", "0.7")};
    p.minerals = {name_row("Calcite", "0.001"), name_row("Quartz", "0.001")};
    p.suppressed = {"Aragonite", "Chalcedony"};
    runs.push_back(p.text());

    p.line4 = "1.0E-12 0 0 150.0 0 0 0 0";
    p.line6 = "-5.0 140.0 0";
    p.options = "0 3 1 0 100 0 1 1 0 2 0 0 0 0 0 0 0 0";
    p.minerals = {name_row("Quartz", "0.001")};
    p.dontfrac = {"Quartz"};
    p.curve = {"100.0 1.0133", "200.0 15.537"};
    runs.push_back(p.text());

    p.line4 = "1.0E-12 0 1.0133 25.0 0 100.0 0 2.65";
    p.line6 = "0.5 1.5 0";
    p.options = "0 3 0 0 100 0 1 0 0 2 0 0 1 0 1 0 0 0";
    p.minerals.clear();
    p.dontfrac.clear();
    p.curve.clear();
    p.reactants = {name_row("Calcite", "50.0"), name_row("Quartz", "50.0")};
    runs.push_back(p.text());
    return runs;
}

// Values at and past the bounds of the run file's fields and of the data. Increments between
// about 1e-5 and 0.5 are left out: they make legitimate paths of many thousand steps.
const std::vector<std::string> REALS{
    "0",     "-0",     "1",     "-1",      "-5",     "5",    "0.5",       "1e-300", "4.9e-324",   "-4.9e-324",
    "1e-20", "-1e-13", "1e-18", "1e300",   "-1e300", "1e6",  "9999.9999", "10000",  "99999.9999", "100000",
    "400.5", "610",    "611",   "-273.15", "12.0",   "16.5", "-2.5",      "1e-6x" /* not a number */};
const std::vector<std::string> SWITCHES{"-1", "0", "1", "2", "3", "4", "5", "6", "7", "100000", "2147483648"};

class Mutator {
public:
    explicit Mutator(std::uint32_t seed) : rng_(seed) {}
    std::size_t pick(std::size_t n) { return static_cast<std::size_t>(rng_() % n); }

    // A number of a line replaced: a blank-separated token of a free-form line, or, from line
    // `fixed_from` (0-based) on, a field of fixed columns that keeps its width (the value
    // right-aligned, cut when too wide).
    void number(std::vector<std::string>& lines, bool switches, std::size_t fixed_from) {
        std::vector<std::size_t> numeric;
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find_first_of("0123456789") != std::string::npos) numeric.push_back(i);
        if (numeric.empty()) return;
        const std::size_t li = numeric[pick(numeric.size())];
        std::string& line = lines[li];
        const std::string& value = switches ? SWITCHES[pick(SWITCHES.size())] : REALS[pick(REALS.size())];
        std::vector<std::pair<std::size_t, std::size_t>> tokens;  // start, length
        for (std::size_t at = line.find_first_not_of(" ,"); at != std::string::npos;) {
            const std::size_t end = std::min(line.find_first_of(" ,", at), line.size());
            if (line.find_first_of("0123456789", at) < end) tokens.emplace_back(at, end - at);
            at = line.find_first_not_of(" ,", end);
        }
        if (tokens.empty()) return;
        const auto [at, len] = tokens[pick(tokens.size())];
        std::string put = value;
        if (li >= fixed_from) put = put.size() >= len ? put.substr(0, len) : std::string(len - put.size(), ' ') + put;
        line.replace(at, len, put);
    }

    // A byte changed, inserted or deleted, or a line deleted, doubled or blanked.
    void bytes(std::vector<std::string>& lines) {
        using namespace std::string_literals;
        static const std::string alphabet = "0123456789 .,-+eEdD/*\tx\r\0\xff"s;
        if (lines.empty()) return;
        const std::size_t li = pick(lines.size());
        std::string& l = lines[li];
        const std::size_t at = l.empty() ? 0 : pick(l.size() + 1);
        switch (pick(6)) {
            case 0: lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(li)); break;
            case 1: lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(li), l); break;
            case 2: l.clear(); break;
            case 3:
                if (at < l.size()) l.erase(at, 1 + pick(3));
                break;
            case 4: l.insert(at, 1, alphabet[pick(alphabet.size())]); break;
            default:
                if (at < l.size()) l[at] = alphabet[pick(alphabet.size())];
        }
    }

private:
    std::mt19937 rng_;
};

// Console lines a run writes on its normal way; a stop must leave something else last (the
// pickup announcement aside: a failed solve writes its pickup after its message).
bool is_progress_line(const std::string& line) {
    static const char* const marks[] = {"Program ZARN-QVD",
                                        "This run is at the P & T",
                                        "This is an extended P",
                                        "is \"dont frac\"",
                                        "INPUT ROCK DENSITY",
                                        "is suppressed in THIS RUN",
                                        "Loop no.",
                                        "Chg. balance for total moles",
                                        "The pH is:",
                                        "Calculations done for",
                                        "Next ",
                                        "changed by",
                                        "enthalpy added",
                                        "reactant added",
                                        "AWAT   ="};
    for (const char* m : marks)
        if (line.find(m) != std::string::npos) return true;
    return false;
}

std::string last_nonblank(const std::string& console) {
    std::string last;
    for (const auto& l : split_lines(console))
        if (l.find_first_not_of(' ') != std::string::npos && l.find("Pickup file written") == std::string::npos)
            last = l;
    return last;
}

// One case: the inputs, mutated by its seed, and the program started on them.
struct Case {
    std::uint32_t seed = 0;
    std::size_t which = 0;  // the file mutated: 0 the run file, 1 the database, 2 the reactant file
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<Child> child;
};

struct Inputs {
    std::vector<std::string> runs = base_runs();
    std::string database = small_database();
    std::string reactants = [] {
        TempDir d;
        stage_bundled_data(d);
        return d.read("MINOX.DAT");
    }();
};

Case start_case(std::uint32_t seed, const Inputs& in) {
    Mutator m(seed);
    Case c;
    c.seed = seed;
    std::string files[3] = {in.runs[seed % in.runs.size()], in.database, in.reactants};
    // The run file in 6 cases of 10, the database in 3, the reactant file in 1.
    c.which = seed % 10 < 6 ? 0 : seed % 10 < 9 ? 1 : 2;
    std::vector<std::string> lines = split_lines(files[c.which]);
    const int edits = 1 + static_cast<int>(m.pick(3));
    for (int e = 0; e < edits; ++e) {
        if (m.pick(2) == 0) {
            m.bytes(lines);
        } else if (c.which == 0 && lines.size() > 14 && m.pick(3) == 0) {
            // A switch of the option line (line 15).
            std::vector<std::string> one{lines[14]};
            m.number(one, true, 1);
            lines[14] = one[0];
        } else {
            // Any number; the run file's rows from line 18 on have fixed columns, as have
            // the lines of the other two files.
            m.number(lines, false, c.which == 0 ? 17 : 0);
        }
    }
    files[c.which] = join_lines(lines, lines.size());
    if (m.pick(20) == 0) files[c.which].resize(m.pick(files[c.which].size() + 1));  // and cut somewhere
    c.dir = std::make_unique<TempDir>();
    c.dir->write("ZARNRUN.DAT", files[0]);
    c.dir->write("DORNEVAL.QVD", files[1]);
    c.dir->write("MINOX.DAT", files[2]);
    ChildLimits limits;
    limits.seconds = 60;
    limits.asan_options = "detect_leaks=0";  // leaks are checked in process by the other tests
    c.child = std::make_unique<Child>(c.dir->path(), limits);
    return c;
}

// A few thousand cases in the sanitizer build, two programs at a time (about 0.2 s of
// processor time a case, most of it the start of the program); the first 200 of them in
// the release build, whose test run is the quick one.
TEST(ProgramFuzz, AnyInputEndsWithAMessageOrAReadableRunFile) {
    const Inputs inputs;
    constexpr std::uint32_t CASES = ZQ_SANITIZED ? 2000 : 200;
    int ok = 0, stopped = 0;
    std::vector<Case> running;
    std::uint32_t next = 1;
    while ((next <= CASES || !running.empty()) && !HasFailure()) {
        while (next <= CASES && running.size() < 2) running.push_back(start_case(next++, inputs));
        for (auto it = running.begin(); it != running.end();) {
            if (!it->child->done()) {
                ++it;
                continue;
            }
            const ChildOutcome out = it->child->outcome();
            const std::string label =
                "seed " + std::to_string(it->seed) + ", " +
                std::array<const char*, 3>{"ZARNRUN.DAT", "DORNEVAL.QVD", "MINOX.DAT"}[it->which] + " mutated";
            EXPECT_FALSE(out.timed_out) << label << ": no end within the time limit";
            EXPECT_EQ(out.signal, 0) << label;
            EXPECT_EQ(out.errors, "") << label;
            EXPECT_TRUE(out.status == 0 || out.status == 1) << label << " status " << out.status;
            if (out.status == 1) {
                ++stopped;
                const std::string last = last_nonblank(out.console);
                EXPECT_FALSE(last.empty() || is_progress_line(last)) << label << "\n" << out.console;
            } else if (out.status == 0) {
                ++ok;
                std::string reason;
                EXPECT_TRUE(pickup_reads_back(it->dir->read("ZARNRUN.DAT"), &reason)) << label << "\n" << reason;
            }
            it = running.erase(it);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    // The mutations reach both ends: runs that finish and runs that stop.
    EXPECT_GT(ok, static_cast<int>(CASES) / 10);
    EXPECT_GT(stopped, static_cast<int>(CASES) / 10);
}

}  // namespace
}  // namespace zq::test
