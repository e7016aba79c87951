// Cost of the equilibrium solve.
//  (a) The 250 C reservoir example with the bundled data: the whole program as a separate
//      process (wall time and peak memory), the whole run in process, and its equilibrium
//      solve alone (Newton iterations, time per iteration and per equilibrium).
//  (b) A synthetic system at the capacities: 70 components, 599 species, 30 phases in the
//      matrix, N = 100, with the activity model on; solved repeatedly from the same start.
// Usage: equilibrium_bench [repetitions]   (run from anywhere; finds the sources by path)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "driver/program.h"
#include "driver/run_state.h"
#include "format/text_io.h"
#include "phases/solid_solution.h"
#include "solver/activity.h"
#include "solver/newton.h"
#include "thermo/system_tables.h"

namespace fs = std::filesystem;
using namespace zq_bench;

namespace {

fs::path stage_reservoir() {
    const fs::path dir = fs::temp_directory_path() / ("zq-eqbench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path root = source_root();
    std::ofstream(dir / "ZARNRUN.DAT", std::ios::binary) << slurp(root / "examples/reservoir-250c/ZARNRUN.DAT");
    std::ofstream(dir / "DORNEVAL.QVD", std::ios::binary) << slurp(root / "data/DORNEVAL.QVD");
    std::ofstream(dir / "MINOX.DAT", std::ios::binary) << slurp(root / "data/MINOX.DAT");
    return dir;
}

void bench_reservoir(int reps) {
    const fs::path dir = stage_reservoir();
    std::printf("(a) reservoir-250c example, bundled data\n");

    time_process(dir, reps, nullptr, "    ");

    std::vector<double> whole, solve;
    int iterations = 0;
    for (int i = 0; i < reps; ++i) {
        std::ofstream(dir / "ZARNRUN.DAT", std::ios::binary)
            << slurp(source_root() / "examples/reservoir-250c/ZARNRUN.DAT");
        Clock::time_point ts;
        zq::RunObserver obs;
        obs.before_solve = [&](const zq::RunState&) { ts = Clock::now(); };
        obs.after_solve = [&](const zq::RunState&, const zq::SolveResult& r) {
            solve.push_back(ms_since(ts));
            iterations = r.iterations;
        };
        std::istringstream in;
        std::ostringstream out;
        const auto t0 = Clock::now();
        {
            zq::Io io(dir, in, out);
            zq::run_program(io, &obs);
        }
        whole.push_back(ms_since(t0));
    }
    const double per_eq = median(solve);
    std::printf("    whole run, in process:       %8.2f ms (median of %d)\n", median(whole), reps);
    std::printf("    equilibrium solve:           %8.3f ms, %d Newton iterations, %.4f ms per iteration\n", per_eq,
                iterations, per_eq / std::max(1, iterations));
    fs::remove_all(dir);
}

// ---- (b) the synthetic system at the capacities ----

struct Synthetic {
    std::unique_ptr<zq::RunState> run = std::make_unique<zq::RunState>();
    zq::ChemicalSystem& sys = run->sys;
    zq::Conditions& cond = run->cond;
    zq::EquilibriumState& eq = run->eq;
    zq::RunParams& rp = run->rp;
    // The starting state restored before every solve.
    std::vector<double> m0, gamma0, moles0;
    double w0 = 1.0;
    int nph0 = 0;
    std::vector<int> ph0;
};

// A consistent equilibrium built backwards: component molalities and phase amounts chosen,
// every log K set so that the chosen state satisfies mass action, the totals from the mass
// balances; the solve starts from molalities off by a factor up to 1.5.
Synthetic build_synthetic() {
    Synthetic s;
    zq::ChemicalSystem& sys = s.sys;
    zq::Conditions& cond = s.cond;
    zq::EquilibriumState& eq = s.eq;
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const int nc = 70, ns = 599, nph = 30;

    sys.nc = nc;
    sys.ns = ns;
    std::vector<double> m(ns + 1, 0.0), logm(ns + 1, 0.0);
    for (int k = 1; k <= nc; ++k) {
        zq::Species& sp = sys.sp[k];
        sp.name = zq::Name20(numbered('C', k));
        sp.charge = k == 1 ? 1 : k == 2 ? 0 : (k % 4 == 0 ? 1 : k % 4 == 1 ? -1 : k % 4 == 2 ? 0 : 2);
        sp.ion_size = 4.0;
        sp.gfw = 10.0 + k;
        sys.comp[k].saq = k;
        sys.cmap[k] = k;
        logm[k] = k == 2 ? 0.0 : -1.5 - 3.0 * u(rng);
        m[k] = std::pow(10.0, logm[k]);
    }
    // Derived species: two to five components each (a few up to twelve), coefficients 1 or
    // 2 (or -1 for H+), log K chosen for a molality between 1e-9 and 1e-4.
    for (int j = nc + 1; j <= ns; ++j) {
        zq::Species& sp = sys.sp[j];
        sp.name = zq::Name20(numbered('S', j));
        sp.ion_size = 4.0;
        const int terms = j % 50 == 0 ? 12 : 2 + static_cast<int>(u(rng) * 4);
        double charge = 0, sum = 0;
        do {  // aqueous complexes carry a charge of at most 2
            std::vector<int> used;
            charge = sum = 0;
            sp.nentries = terms + 1;
            sp.coef[1] = -1;
            sp.index[1] = j;
            for (int e = 2; e <= terms + 1; ++e) {
                int k = 0;
                do k = 1 + static_cast<int>(u(rng) * nc);
                while (std::find(used.begin(), used.end(), k) != used.end());
                used.push_back(k);
                const double nu = k == 1 ? -1.0 : (u(rng) < 0.8 ? 1.0 : 2.0);
                sp.coef[static_cast<std::size_t>(e)] = nu;
                sp.index[static_cast<std::size_t>(e)] = k;
                charge += nu * sys.sp[k].charge;
                sum += nu * logm[k];
            }
        } while (std::fabs(charge) > 2);
        sp.charge = charge;
        logm[j] = -9.0 + 5.0 * u(rng);
        cond.logk[j] = sum - logm[j];
        m[j] = std::pow(10.0, logm[j]);
    }
    // Phases: each holds one component of its own (3..32) and up to two others.
    for (int f = 1; f <= nph; ++f) {
        zq::Mineral& mn = sys.mn[f];
        mn.name = zq::Name20(numbered('M', f));
        mn.gfw = 100;
        mn.density = 2.5;
        mn.itot = 1;
        mn.coefm[1] = 1;
        mn.specm[1] = 2 + f;
        double sum = logm[2 + f];
        for (int e = 2; e <= 3; ++e) {
            const int k = 33 + static_cast<int>(u(rng) * (nc - 33));
            mn.itot = e;
            mn.coefm[static_cast<std::size_t>(e)] = 1;
            mn.specm[static_cast<std::size_t>(e)] = k;
            sum += logm[k];
        }
        cond.mn_logk[f] = sum;
        eq.mn_moles[f] = 0.01 + 0.1 * u(rng);
        eq.ph[f] = f;
    }
    sys.nmin = nph;
    eq.nph = nph;

    // Totals from the mass balances of the chosen state (one kilogram of water).
    for (int k = 1; k <= nc; ++k) eq.comp[k].total = k == 2 ? zq::WATER_MOLES_PER_KG : m[k];
    for (int j = nc + 1; j <= ns; ++j)
        for (int e = 2; e <= sys.sp[j].nentries; ++e)
            eq.comp[sys.sp[j].index[static_cast<std::size_t>(e)]].total +=
                sys.sp[j].coef[static_cast<std::size_t>(e)] * m[j];
    for (int f = 1; f <= nph; ++f)
        for (int e = 1; e <= sys.mn[f].itot; ++e)
            eq.comp[sys.mn[f].specm[static_cast<std::size_t>(e)]].total +=
                sys.mn[f].coefm[static_cast<std::size_t>(e)] * eq.mn_moles[f];
    for (int k = 1; k <= nc; ++k) sys.comp[k].total_input = eq.comp[k].total;

    for (int k = 1; k <= nc; ++k) eq.m[k] = k == 2 ? 1.0 : m[k] * std::pow(1.5, 2 * u(rng) - 1);
    for (int i = 1; i <= zq::MAX_SPECIES; ++i) eq.gamma[i] = 1.0;
    cond.header[1] = 0.5114;
    cond.header[2] = 0.3288;
    cond.header3_derived = 1.2e-6;
    cond.header4_derived = 0.0425;

    zq::RunParams& rp = s.rp;
    rp.ERPC = 1e-10;
    rp.NLOOP = 200;
    rp.NEUT = 0;
    rp.AWAT = 0;
    rp.TEMP = 25;
    cond.TK = 298.15;
    rp.PFLUID = 1;
    rp.C = 3;
    rp.LIMSOL = 1;
    rp.IDEAL = 2;
    eq.water_kg = 1.0;

    s.m0.assign(eq.m.slot.begin(), eq.m.slot.end());
    s.gamma0.assign(eq.gamma.slot.begin(), eq.gamma.slot.end());
    s.moles0.assign(eq.mn_moles.slot.begin(), eq.mn_moles.slot.end());
    s.nph0 = eq.nph;
    s.ph0.assign(eq.ph.slot.begin(), eq.ph.slot.end());
    return s;
}

void restore(Synthetic& s) {
    zq::EquilibriumState& eq = s.eq;
    std::copy(s.m0.begin(), s.m0.end(), eq.m.slot.begin());
    std::copy(s.gamma0.begin(), s.gamma0.end(), eq.gamma.slot.begin());
    std::copy(s.moles0.begin(), s.moles0.end(), eq.mn_moles.slot.begin());
    std::copy(s.ph0.begin(), s.ph0.end(), eq.ph.slot.begin());
    eq.nph = s.nph0;
    eq.actmodel = zq::ActivityModelState{};
    eq.water_kg = s.w0;
}

void bench_capacity(int reps) {
    std::printf("(b) synthetic system: 70 components, 599 species, 30 phases in the matrix, N = 100\n");
    Synthetic s = build_synthetic();
    const fs::path dir = fs::temp_directory_path();
    std::istringstream in;
    std::ostringstream out;
    zq::Io io(dir, in, out);
    zq::set_up_ion_sizes(s.sys);
    zq::evaluate_bdot(s.sys, s.cond);
    zq::NewtonState* state = &s.run->newton;

    std::vector<double> per_eq;
    zq::SolveResult r;
    for (int i = 0; i < reps; ++i) {
        restore(s);
        zq::start_solution(s.sys, s.cond, s.rp, s.eq);
        out.str("");
        const auto t0 = Clock::now();
        r = zq::solve_equilibrium(s.sys, s.cond, s.rp, false, s.eq, *state, io);
        per_eq.push_back(ms_since(t0));
    }
    const double eq = median(per_eq);
    std::printf("    N = %d, %s after %d Newton iterations\n", zq::matrix_order(s.sys, s.eq, false),
                r.converged() ? "converged" : "NOT converged", r.iterations);
    std::printf("    equilibrium solve:           %8.3f ms (median of %d), %.4f ms per iteration\n", eq, reps,
                eq / std::max(1, r.iterations));

    // The parts of one iteration at N = 100.
    const int n = 200;
    auto t0 = Clock::now();
    const zq::NewtonHooks hooks;
    for (int i = 0; i < n; ++i) zq::assemble(s.sys, s.cond, s.rp, s.eq, *state, hooks, io);
    const double assemble_ms = ms_since(t0) / n;
    t0 = Clock::now();
    for (int i = 0; i < n; ++i) {
        zq::LUDCMP(state->ls);
        zq::LINSOL(1, state->ls, state->delta, 0, 0, io);
    }
    const double lu_ms = ms_since(t0) / n;
    t0 = Clock::now();
    for (int i = 0; i < n; ++i) zq::update_activities(s.sys, s.cond, s.rp, s.eq);
    const double act_ms = ms_since(t0) / n;
    t0 = Clock::now();
    for (int i = 0; i < n; ++i) zq::derived_species(s.sys, s.cond, s.eq, *state, nullptr);
    const double derived_ms = ms_since(t0) / n;
    std::printf(
        "    per iteration: assembly %.4f ms, LUDCMP+LINSOL %.4f ms, activity model %.4f ms, "
        "derived species %.4f ms\n",
        assemble_ms, lu_ms, act_ms, derived_ms);
}

}  // namespace

int main(int argc, char** argv) {
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    bench_reservoir(reps);
    bench_capacity(reps);
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("peak memory of this benchmark process: %ld kB\n", ru.ru_maxrss);
    return 0;
}
