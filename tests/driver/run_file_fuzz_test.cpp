// Mutated and truncated run files: the reader either accepts a file with consistent tables
// or stops with a message and status 1; it never crashes, hangs or stops silently.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/pickup.h"
#include "driver/run_file.h"
#include "driver/run_file_samples.h"

namespace zq::test {
namespace {

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

std::string join_lines(const std::vector<std::string>& lines) {
    std::string t;
    for (const auto& l : lines) t += l + '\n';
    return t;
}

// Lines the reader writes on its way through a good file; a stop must add something else.
bool is_progress_line(const std::string& line) {
    return line.find("This is an extended P(to 5 kB)") != std::string::npos ||
           line.find("This run is at the P & T of L-V saturation") != std::string::npos ||
           line.find("INPUT ROCK DENSITY ZERO") != std::string::npos ||
           line.find(" is \"dont frac\" in this run") != std::string::npos;
}

std::string last_nonblank_line(const std::string& text) {
    std::string last;
    for (const auto& l : split_lines(text))
        if (l.find_first_not_of(' ') != std::string::npos) last = l;
    return last;
}

class ReaderFuzz {
public:
    ReaderFuzz() = default;

    void run(const std::string& text, const std::string& label) {
        std::istringstream in;  // an empty console: every question is answered by Enter
        std::ostringstream out;
        int status = 0;
        {
            Io io(dir_.path(), in, out);
            TextSource src(text, "ZARNRUN.DAT");
            try {
                read_run_file(src, run_->sys, run_->eq, run_->rp, io);
            } catch (const RunStop& stop) {
                status = stop.status();
            }
            if (status == 0) check_accepted(*run_, label);
        }
        // Remove the files the case wrote: rewriting a file in place costs a disk flush on
        // some file systems, a new file does not.
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) std::filesystem::remove(entry);
        ++runs_;
        if (status == 0) {
            ++accepted_;
            return;
        }
        EXPECT_EQ(status, 1) << label;
        const std::string last = last_nonblank_line(out.str());
        EXPECT_FALSE(last.empty() || is_progress_line(last)) << label << "\n" << out.str();
    }

    int runs() const { return runs_; }
    int accepted() const { return accepted_; }

private:
    void check_accepted(const RunState& run, const std::string& label) {
        const ChemicalSystem& s = run.sys;
        const RunParams& rp = run.rp;
        ASSERT_GE(s.nc, 2) << label;
        ASSERT_LE(s.nc, MAX_COMPONENTS) << label;
        ASSERT_TRUE(rp.C >= 1 && rp.C <= s.nc) << label;
        EXPECT_EQ(s.comp[rp.C].saq, rp.C_read) << label;
        for (int k = 1; k <= s.nc; ++k) {
            EXPECT_GE(s.comp[k].saq, 1) << label;
            EXPECT_LE(s.comp[k].saq, MAX_COMPONENTS) << label;
            EXPECT_GT(run.eq.m[k], 0) << label;
            EXPECT_GT(run.eq.gamma[k], 0) << label;
        }
        EXPECT_LE(s.nsat, MAX_SAT_MINERALS);
        EXPECT_LE(s.nreact, MAX_REACTANTS);
        EXPECT_LE(s.nsupp, MAX_SUPPRESSED);
        EXPECT_LE(s.ndontfrac, MAX_DONT_FRAC);
        EXPECT_LE(s.ncurve, MAX_CURVE);
        for (int i = 2; i <= s.ncurve; ++i) EXPECT_GT(s.curve_t[i], s.curve_t[i - 1]) << label;
        EXPECT_TRUE(std::isfinite(rp.TEMP) && std::isfinite(rp.PFLUID)) << label;
        EXPECT_EQ(rp.title1.view().size(), 120u);
        // Whatever was accepted fits every column of its pickup.
        std::string unreadable;
        (void)pickup_text(s, run.eq, rp, &unreadable);
        EXPECT_EQ(unreadable, "") << label;
    }

    TempDir dir_;
    // One state for every case, as the reader resets every count and map it fills: a fresh
    // state of this size per case made the test take minutes under the sanitizers.
    std::unique_ptr<RunState> run_ = fresh_run();
    int runs_ = 0, accepted_ = 0;
};

TEST(RunFileFuzz, SurvivesTruncationAtEveryLineAndColumn) {
    ReaderFuzz fuzz;
    const std::string text = rich_parts().text();
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        // Every line end, and a few places inside each line.
        if (cut < text.size() && text[cut] != '\n' && cut % 7 != 0) continue;
        fuzz.run(text.substr(0, cut), "cut at " + std::to_string(cut));
    }
    EXPECT_GT(fuzz.accepted(), 0);
}

TEST(RunFileFuzz, SurvivesMutatedFiles) {
    ReaderFuzz fuzz;
    const std::vector<std::string> bases = {rich_parts().text(), RunFileParts().text(),
                                            rich_parts("12.5", "1.0").text()};
    using namespace std::string_literals;
    const std::string alphabet = "0123456789 ., -+eEdD/*\tx\n\r\0\xff"s;
    for (std::uint32_t seed = 1; seed <= 5000; ++seed) {
        std::mt19937 rng(seed);
        const std::string& base = bases[seed % bases.size()];
        auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
        std::vector<std::string> lines = split_lines(base);
        const int edits = 1 + static_cast<int>(pick(4));
        for (int e = 0; e < edits && !lines.empty(); ++e) {
            const std::size_t li = pick(lines.size());
            switch (pick(6)) {
                case 0:  // delete a line
                    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(li));
                    break;
                case 1:  // duplicate a line
                    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(li), lines[li]);
                    break;
                case 2:  // blank a line
                    lines[li].clear();
                    break;
                default: {  // change, insert or delete bytes of a line
                    std::string& l = lines[li];
                    const std::size_t at = l.empty() ? 0 : pick(l.size() + 1);
                    const char ch = alphabet[pick(alphabet.size())];
                    const auto what = pick(3);
                    if (what == 0 && at < l.size())
                        l[at] = ch;
                    else if (what == 1)
                        l.insert(at, 1, ch);
                    else if (at < l.size())
                        l.erase(at, 1 + pick(3));
                }
            }
        }
        std::string text = join_lines(lines);
        if (seed % 5 == 0) text.resize(pick(text.size() + 1));  // and cut the file somewhere
        fuzz.run(text, "seed " + std::to_string(seed));
    }
    EXPECT_GT(fuzz.accepted(), 0);
    EXPECT_LT(fuzz.accepted(), fuzz.runs());
}

}  // namespace
}  // namespace zq::test
