// Cost of a reaction path: the cooling example (examples/cooling-250-to-100c) from 250 to
// 100 C with the bundled data, fractionation, listing, plot file and tables, in steps of
// -1.5 C (100 steps) or, given as the second argument, another step (-0.15: 1000 steps);
// with "minimal" as the third, without the plot file (IPUNCH 0) and the tables (--no-tables).
//  - the whole program as its own process: wall time and peak resident memory;
//  - the same run in process: wall time, time per step and per solve, and the share of the
//    solves, the rest being start-up, listing, plot, pickup and the steps themselves.
// Usage: path_bench [repetitions] [SINC] [minimal]   (run from anywhere; finds the sources by path)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "driver/program.h"
#include "driver/run_state.h"
#include "format/text_io.h"
#include "solver/newton.h"

namespace fs = std::filesystem;
using namespace zq_bench;

namespace {

bool minimal = false;  // no plot file, no tables

// The cooling example with SINC `sinc` (a negative number of at most 9 characters).
std::string run_file(const std::string& sinc) {
    std::string text = example_with_sinc("cooling-250-to-100c", " " + sinc);
    if (minimal) {  // IPUNCH, the fourth switch, to 0
        const std::string options = "    0    3    1    1  100";
        text.replace(text.find(options), options.size(), "    0    3    1    0  100");
    }
    return text;
}

void reset(const fs::path& dir, const std::string& sinc) {
    std::ofstream(dir / "ZARNRUN.DAT", std::ios::binary) << run_file(sinc);
    fs::remove(dir / "ZARNSTEP.CSV");
    fs::remove(dir / "ZARNSPEC.CSV");
}

}  // namespace

int main(int argc, char** argv) {
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string sinc = argc > 2 ? argv[2] : "-1.5";
    minimal = argc > 3 && std::string(argv[3]) == "minimal";
    const fs::path dir = stage_bundled("zq-pathbench");
    std::printf("Cooling path 250 -> 100 C in steps of %s C, bundled data, IFRAC 1, listing%s\n", sinc.c_str(),
                minimal ? " only" : ", plot file, tables");

    time_process(
        dir, reps, [&] { reset(dir, sinc); }, "  ", minimal ? "--no-tables" : "");

    std::vector<double> whole, solving, startup;
    int solves = 0, steps = 0, iterations = 0;
    for (int i = 0; i < reps; ++i) {
        reset(dir, sinc);
        solves = steps = iterations = 0;
        double in_solve = 0;
        const auto t0 = Clock::now();
        Clock::time_point ts;
        zq::RunObserver obs;
        obs.before_solve = [&](const zq::RunState& r) {
            steps += r.ps.CURINC != 0;
            ts = Clock::now();
            if (solves == 0) startup.push_back(ms_since(t0));
        };
        obs.after_solve = [&](const zq::RunState&, const zq::SolveResult& r) {
            in_solve += ms_since(ts);
            ++solves;
            iterations += r.iterations;
        };
        std::istringstream in;
        std::ostringstream out;
        int status = 0;
        {
            zq::Io io(dir, in, out);
            zq::RunOptions options;
            options.tables = !minimal;
            status = zq::run_program(io, &obs, options);
        }
        whole.push_back(ms_since(t0));
        solving.push_back(in_solve);
        if (status != 0) std::printf("  run ended with status %d\n", status);
    }
    const double w = median(whole), s = median(solving);
    std::printf("  whole run, in process:      %8.1f ms (median of %d)\n", w, reps);
    std::printf("  %d steps, %d solves, %d Newton iterations\n", steps, solves, iterations);
    std::printf("  start-up to the first solve: %7.1f ms\n", median(startup));
    std::printf("  per step:                   %8.3f ms (after the start-up %.3f ms)\n", w / std::max(1, steps),
                (w - median(startup)) / std::max(1, steps));
    std::printf("  per solve:                  %8.3f ms (solves are %.0f%% of the run)\n", s / std::max(1, solves),
                100.0 * s / w);
    std::printf("  listing %.1f MB, plot file %.1f kB\n", static_cast<double>(fs::file_size(dir / "ZARNOUT.DAT")) / 1e6,
                fs::exists(dir / "ZARNPLOT.DAT") ? static_cast<double>(fs::file_size(dir / "ZARNPLOT.DAT")) / 1e3 : 0.0);
    fs::remove_all(dir);
    return 0;
}
