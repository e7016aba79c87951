// Helpers shared by the benchmarks: timing, files of the source tree, and the program run as
// its own process with its peak memory.
#pragma once

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace zq_bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline double ms_since(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

inline std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// The repository root (this header sits in bench/).
inline fs::path source_root() { return fs::path(__FILE__).parent_path().parent_path(); }

// A scratch folder `name`-PID under the system's temporary folder, holding the bundled
// database and reactant file.
inline fs::path stage_bundled(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "DORNEVAL.QVD", std::ios::binary) << slurp(source_root() / "data/DORNEVAL.QVD");
    std::ofstream(dir / "MINOX.DAT", std::ios::binary) << slurp(source_root() / "data/MINOX.DAT");
    return dir;
}

// An example's run file with SINC (the first 15 columns of its line) replaced by `field`.
inline std::string example_with_sinc(const std::string& example, std::string field) {
    std::string text = slurp(source_root() / "examples" / example / "ZARNRUN.DAT");
    const std::string caption = "< step increm >< step limit  >< total mixer >\n";
    const std::size_t line = text.find(caption) + caption.size();
    field.resize(15, ' ');
    text.replace(line, 15, field);
    return text;
}

// A name made of a letter and a number, for generated records.
inline std::string numbered(char letter, int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%c%d", letter, i);
    return buf;
}

// The program as its own process in `dir` with `args`: wall time, CPU time (user and
// system, ms) and peak resident memory (kB). Returns whether it ended with status 0.
inline bool run_process(const fs::path& exe, const fs::path& dir, const std::string& args, double& ms, double& cpu_ms,
                        long& max_kb) {
    const std::string cmd = "cd '" + dir.string() + "' && exec '" + exe.string() + "' " + args + " </dev/null >/dev/null";
    const char* argv[] = {"/bin/sh", "-c", cmd.c_str(), nullptr};
    const auto t0 = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return false;
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) < 0) return false;
    ms = ms_since(t0);
    auto to_ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; };
    cpu_ms = to_ms(ru.ru_utime) + to_ms(ru.ru_stime);
    max_kb = ru.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The program (zarn-qvd beside the bench/ folder of the build) run `reps` times as its own
// process in `dir` with `args`, `prepare` called before each run; prints the median wall
// and CPU times and the peak memory on one line after `indent`.
inline void time_process(const fs::path& dir, int reps, const std::function<void()>& prepare, const char* indent,
                         const std::string& args = "") {
    const fs::path exe = fs::canonical("/proc/self/exe").parent_path().parent_path() / "zarn-qvd";
    if (!fs::exists(exe)) return;
    std::vector<double> times, cpu;
    long kb = 0;
    for (int i = 0; i < reps; ++i) {
        if (prepare) prepare();
        double ms = 0, c = 0;
        long k = 0;
        if (!run_process(exe, dir, args, ms, c, k)) {
            std::printf("%sthe program did not end with status 0\n", indent);
            break;
        }
        times.push_back(ms);
        cpu.push_back(c);
        kb = std::max(kb, k);
    }
    std::printf("%swhole program, own process:  %8.2f ms wall, %.2f ms CPU (medians of %zu), peak memory %ld kB\n",
                indent, median(times), median(cpu), times.size(), kb);
}

}  // namespace zq_bench
