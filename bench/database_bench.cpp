// Start-up cost of a run on a database at the capacities: 71 component lines, 600 derived
// species and 520 minerals and gases, every record "All " (about 1.5 million values, 15 MB),
// of which about 500 species and 480 minerals are kept. Times whole in-process runs with NLOOP = 0 (run
// file, database, reactants, echo) and reports the wall time per run and the peak memory.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "driver/program.h"
#include "format/text_io.h"

namespace fs = std::filesystem;
using namespace zq_bench;

namespace {

const double T_GRID[36] = {0.01, 25,  50,  75,  100, 125, 150, 175, 200, 225, 250, 275, 300, 325, 350, 400, 410, 420,
                           430,  440, 450, 460, 470, 480, 490, 500, 510, 520, 530, 540, 550, 560, 570, 580, 590, 600};

// Database component k: charge +1, 0 or -1 by k mod 3 (H+ and H2O as usual).
int charge_of(int k) { return k == 1 ? 1 : k == 2 ? 0 : (k % 3 == 2 ? 1 : k % 3 == 0 ? -1 : 0); }
double gfw_of(int k) { return k == 1 ? 1.0079 : k == 2 ? 18.0153 : 10.0 + 0.5 * k; }

void grid(std::string& out, double a, double b) {
    char buf[16];
    for (int row = 0; row < 37; ++row) {
        for (double t : T_GRID) {
            std::snprintf(buf, sizeof buf, "%10.4f", a + b * t - 0.0001 * row);
            out += buf;
        }
        out += '\n';
    }
}

std::string database() {
    std::string out = "Benchmark database\n" + std::string(80, '*') + "\nskip\nskip\n";
    for (int g = 0; g < 5; ++g) {
        grid(out, 0.5 + g, 0.001);
        out += "dum\ndum\n";
    }
    out += "components\n";
    char buf[256];
    for (int k = 1; k <= 71; ++k) {
        const std::string name = k == 1 ? "H+" : k == 2 ? "H2O" : numbered('C', k);
        std::snprintf(buf, sizeof buf, "%-20s%2d%6s%3.1f%8s%8.4f%8.4f\n", name.c_str(), charge_of(k), "", 4.0, "",
                      gfw_of(k), 0.0);
        out += buf;
    }
    // Derived species: 600 records, those with a component 31 (not in the run) dropped.
    for (int i = 1; i <= 600; ++i) {
        const int c1 = i % 8 == 0 ? 31 : 3 + i % 68, c2 = 3 + (i * 7) % 68;
        const int charge = charge_of(c1) + 2 * charge_of(c2);
        std::snprintf(buf, sizeof buf,
                      "record\n%-20s%60s%-4s%6s%-4s\n%8s%3d%15s%5.2f%10s%6.3f\n%2d %10.3f%2d%10.3f%2d\n",
                      numbered('S', i).c_str(), "", "", "", "All ", "", charge, "", 4.0, "", 0.0, 2, 1.0, c1, 2.0, c2);
        out += buf;
        grid(out, -5.0 + 0.01 * i, 0.01);
    }
    out += "record\n\n";
    for (int k = 1; k <= 10; ++k) {
        std::snprintf(buf, sizeof buf, "B%-7d%12.5E%12.5E%12.5E\n", k, 1000.0 * k, -10.0 * k, 0.01 * k);
        out += buf;
    }
    out += "minerals\n";
    // Two mixed gases, then minerals: a (+1) + b (-1) + 2 n (0), weight balanced.
    for (int i = 1; i <= 520; ++i) {
        const bool mixed = i <= 2;
        int a = 5 + 3 * (i % 22), b = 3 + 3 * (i % 22), n = 4 + 3 * (i % 22);
        if (i % 25 == 0) n = 31;
        const double gfw = mixed ? gfw_of(2) : gfw_of(a) + gfw_of(b) + 2 * gfw_of(n);
        const std::string name = i == 1 ? "H2O,gas" : i == 2 ? "CO2,gas" : numbered('M', i);
        std::snprintf(buf, sizeof buf, "record\n%-20s%46s%2d%8.3f%4s%-4s%6s%-4s\n%-13s%8.3f%37s%6.3f\n", name.c_str(),
                      "", mixed ? 6 : 0, 1.0, "", mixed ? "GAS " : "", "", "All ", "", gfw, "", mixed ? 0.0 : 2.7);
        out += buf;
        if (mixed) {
            out += "  1    1.000  2\n    ";
            for (double v : {1e5, -600.0, 0.7, -3e3, 10.0, -0.02}) {
                std::snprintf(buf, sizeof buf, "%12.5f", v);
                out += buf;
            }
            out += '\n';
        } else {
            std::snprintf(buf, sizeof buf, "%3d%9.3f%3d%9.3f%3d%9.3f%3d\n", 3, 1.0, a, 1.0, b, 2.0, n);
            out += buf;
        }
        grid(out, 3.0 - 0.01 * i, -0.01);
    }
    out += "record\n\n\n\n";
    return out;
}

std::string run_file() {
    std::string out =
        "Benchmark run\nNLOOP = 0: input check only\nskip\nskip\n"
        "0 7.0 500 100 0 0 0 0\nskip\nskip\n0 0 0\nskip\nskip\n0 0 0 0 0 0 0 0\nskip\nskip\nskip\n"
        "1 1 0 0 0 0 1 0 0 0 0 0 0 0 1 0 0 0\nskip\nskip\n";
    char buf[160];
    for (int k = 1; k <= 70; ++k) {
        if (k == 31) continue;
        std::snprintf(buf, sizeof buf, "%5d%13s%19.10f%19.10f%19.10f%19.10f\n", k, "", k == 2 ? 1.0 : 1e-3, 1e-3, 1.0,
                      0.0);
        out += buf;
    }
    out += "\nsaturated minerals\n";
    std::snprintf(buf, sizeof buf, "%-20s  %18.6f\n%-20s  %18.6f\n\n", "M3", 0.1, "M4", 0.2);
    out += buf;
    out += "reactants\n";
    std::snprintf(buf, sizeof buf, "%-20s  %18.6f\n\n", "Rock", 1.0);
    out += buf;
    out += "suppressed\n\ndont fractionate\n\ncurve\n";
    return out;
}

std::string minox() {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%-20s %8.2f %2d %10.3f%2d%10.3f%2d\n", "Rock", gfw_of(5) + gfw_of(3), 2, 1.0, 5,
                  1.0, 3);
    return std::string("reactants\n            ********\n") + buf;
}

void write(const fs::path& p, const std::string& text) {
    std::ofstream f(p, std::ios::binary);
    f << text;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    const fs::path dir = fs::temp_directory_path() / ("zq-database-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    {
        const std::string db = database();
        write(dir / "DORNEVAL.QVD", db);
        std::printf("database: %.1f MB\n", static_cast<double>(db.size()) / 1e6);
    }
    write(dir / "ZARNRUN.DAT", run_file());
    write(dir / "MINOX.DAT", minox());

    double best = 1e30, total = 0;
    for (int i = 0; i < runs; ++i) {
        std::istringstream in;
        std::ostringstream out;
        const auto t0 = std::chrono::steady_clock::now();
        int status;
        {
            zq::Io io(dir, in, out);
            status = zq::run_program(io);
        }
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (status != 0 || out.str().find("End data echo") == std::string::npos) {
            std::printf("run %d did not reach the end of the echo (status %d):\n%s\n", i + 1, status,
                        out.str().substr(out.str().size() > 2000 ? out.str().size() - 2000 : 0).c_str());
            fs::remove_all(dir);
            return 1;
        }
        best = std::min(best, s);
        total += s;
    }
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("whole run to the end of the echo: %.3f s per run (best %.3f s, %d runs)\n", total / runs, best, runs);
    std::printf("peak memory (ru_maxrss): %.1f MB\n", static_cast<double>(ru.ru_maxrss) / 1024.0);
    fs::remove_all(dir);
    return 0;
}
