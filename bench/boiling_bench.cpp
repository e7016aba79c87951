// Cost of a boiling path: the boiling example (examples/boiling-300c) in 100 steps of -2 C
// from 300 to 100 C with the bundled data: the gas mixture, the enthalpy row and its
// pressure, fractionation of steam, CO2 and scale, the listing and the plot file.
//  - the whole program as its own process: wall and CPU time, peak resident memory;
//  - the same run in process: wall time, time per step, Newton iterations per solve and per
//    step, and the share of the solves.
// Usage: boiling_bench [repetitions]   (run from anywhere; finds the sources by path)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

void reset(const fs::path& dir) {
    // The boiling example with SINC -2: 101 temperatures from 300 to 100 C.
    std::ofstream(dir / "ZARNRUN.DAT", std::ios::binary) << example_with_sinc("boiling-300c", " -2.0000000");
}

}  // namespace

int main(int argc, char** argv) {
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const fs::path dir = stage_bundled("zq-boilbench");
    std::printf("Boiling path 300 -> 100 C in steps of -2 C, bundled data, IENTH 1, IFRAC 3, listing and plot file\n");

    time_process(
        dir, reps, [&] { reset(dir); }, "  ");

    std::vector<double> whole, solving;
    int solves = 0, steps = 0, iterations = 0, boiling = 0;
    for (int i = 0; i < reps; ++i) {
        reset(dir);
        solves = steps = iterations = boiling = 0;
        double in_solve = 0;
        const auto t0 = Clock::now();
        Clock::time_point ts;
        zq::RunObserver obs;
        obs.before_solve = [&](const zq::RunState& r) {
            steps += r.ps.CURINC != 0;
            ts = Clock::now();
        };
        obs.after_solve = [&](const zq::RunState& r, const zq::SolveResult& res) {
            in_solve += ms_since(ts);
            ++solves;
            iterations += res.iterations;
            boiling += r.ps.enthalpy_row;
        };
        std::istringstream in;
        std::ostringstream out;
        int status = 0;
        {
            zq::Io io(dir, in, out);
            status = zq::run_program(io, &obs);
        }
        whole.push_back(ms_since(t0));
        solving.push_back(in_solve);
        if (status != 0) std::printf("  run ended with status %d\n", status);
    }
    const double w = median(whole), s = median(solving);
    std::printf("  whole run, in process:      %8.1f ms (median of %d)\n", w, reps);
    std::printf("  %d steps, %d solves (%d with the enthalpy row), %d Newton iterations\n", steps, solves, boiling,
                iterations);
    std::printf("  per step:                   %8.3f ms\n", w / std::max(1, steps));
    std::printf("  Newton iterations:          %8.2f per solve, %.2f per step\n",
                static_cast<double>(iterations) / std::max(1, solves),
                static_cast<double>(iterations) / std::max(1, steps));
    std::printf("  per solve:                  %8.3f ms (solves are %.0f%% of the run)\n", s / std::max(1, solves),
                100.0 * s / w);
    std::printf("  listing %.1f MB, plot file %.1f kB\n", static_cast<double>(fs::file_size(dir / "ZARNOUT.DAT")) / 1e6,
                static_cast<double>(fs::file_size(dir / "ZARNPLOT.DAT")) / 1e3);
    fs::remove_all(dir);
    return 0;
}
