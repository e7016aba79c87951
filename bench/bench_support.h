// Helpers shared by the benchmarks: timing, files of the source tree, and the program run as
// its own process with its peak memory.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <spawn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
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

// A name made of a letter and a number, for generated records.
inline std::string numbered(char letter, int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%c%d", letter, i);
    return buf;
}

// The program as its own process in `dir`: wall time and peak resident memory (kB).
// Returns whether it ended with status 0.
inline bool run_process(const fs::path& exe, const fs::path& dir, double& ms, long& max_kb) {
    const std::string cmd = "cd '" + dir.string() + "' && exec '" + exe.string() + "' </dev/null >/dev/null";
    const char* argv[] = {"/bin/sh", "-c", cmd.c_str(), nullptr};
    const auto t0 = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return false;
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) < 0) return false;
    ms = ms_since(t0);
    max_kb = ru.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace zq_bench
