// Cost of a boiling path: the boiling example (examples/boiling-300c) in 100 steps of -2 C
// from 300 to 100 C with the bundled data: the gas mixture, the enthalpy row and its
// pressure, fractionation of steam, CO2 and scale, the listing and the plot file.
//  - the whole program as its own process: wall and processor time, peak resident memory;
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

// The boiling example with SINC -2: 101 temperatures from 300 to 100 C.
std::string run_file() {
    std::string text = slurp(source_root() / "examples/boiling-300c/ZARNRUN.DAT");
    const std::string caption = "< step increm >< step limit  >< total mixer >\n";
    const std::size_t line = text.find(caption) + caption.size();
    text.replace(line, 15, " -2.0000000    ");
    return text;
}

fs::path stage() {
    const fs::path dir = fs::temp_directory_path() / ("zq-boilbench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "DORNEVAL.QVD", std::ios::binary) << slurp(source_root() / "data/DORNEVAL.QVD");
    std::ofstream(dir / "MINOX.DAT", std::ios::binary) << slurp(source_root() / "data/MINOX.DAT");
    return dir;
}

void reset(const fs::path& dir) { std::ofstream(dir / "ZARNRUN.DAT", std::ios::binary) << run_file(); }

// The program as its own process: median wall time, and the median processor time (user and
// system), which a machine shared with other work does not inflate.
void time_own_process(const fs::path& dir, int reps) {
    const fs::path exe = fs::canonical("/proc/self/exe").parent_path().parent_path() / "zarn-qvd";
    if (!fs::exists(exe)) return;
    std::vector<double> wall, cpu;
    long kb = 0;
    for (int i = 0; i < reps; ++i) {
        reset(dir);
        const std::string cmd = "cd '" + dir.string() + "' && exec '" + exe.string() + "' </dev/null >/dev/null";
        const char* args[] = {"/bin/sh", "-c", cmd.c_str(), nullptr};
        const auto t0 = Clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(args), environ) != 0) return;
        int status = 0;
        rusage ru{};
        if (wait4(pid, &status, 0, &ru) < 0) return;
        wall.push_back(ms_since(t0));
        cpu.push_back(1e3 * (static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                             1e-6 * static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec)));
        kb = std::max(kb, static_cast<long>(ru.ru_maxrss));
    }
    std::printf("  whole program, own process: %8.1f ms wall, %.1f ms processor (medians of %d), peak memory %ld kB\n",
                median(wall), median(cpu), reps, kb);
}

}  // namespace

int main(int argc, char** argv) {
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const fs::path dir = stage();
    std::printf("Boiling path 300 -> 100 C in steps of -2 C, bundled data, IENTH 1, IFRAC 3, listing and plot file\n");

    time_own_process(dir, reps);

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
