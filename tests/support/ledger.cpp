#include "support/ledger.h"

#include <cmath>

namespace zq::test {

void Ledger::before_solve(const RunState& run) {
    const ChemicalSystem& sys = run.sys;
    const RunParams& rp = run.rp;
    const int nc = sys.nc;
    if (start_.empty()) {
        start_.assign(nc + 1, 0.0), removed_.assign(nc + 1, 0.0), per_unit_.assign(nc + 1, 0.0);
        taken_.assign(nc + 1, 0.0);
        if (rp.TEMPC != 0)
            for (int k = 1; k <= nc; ++k) per_unit_[k] = sys.comp[k].mix_total;
        for (int r = 1; r <= sys.nreact; ++r) {
            const Reactant& re = sys.react[r];
            const double moles = 0.01 * re.amount / (rp.MINSOL <= 2 ? re.gfw : 1.0);
            for (int t = 1; t <= re.itot; ++t) per_unit_[re.pos[t]] += re.coef[t] * moles;
        }
        for (int k = 1; k <= nc; ++k) start_[k] = run.eq.comp[k].total;
    }
    pending_.assign(nc + 1, 0.0);
    heat_pending_ = 0;
    if (run.ps.CURINC == rp.SINC) {
        for (int k = 1; k <= nc; ++k) pending_[k] = taken_[k];
        if (run.ps.enthalpy_row && (rp.IFRAC == 2 || rp.IFRAC == 3)) heat_pending_ = run.ps.gas_enthalpy;
    }
}

std::string Ledger::after_solve(const RunState& run) {
    const ChemicalSystem& sys = run.sys;
    const EquilibriumState& eq = run.eq;
    const RunParams& rp = run.rp;
    for (int k = 1; k <= sys.nc; ++k) removed_[k] += pending_[k];
    heat_taken_ += heat_pending_;
    std::string faults;
    if (run.ps.enthalpy_row && rp.DENTH == 0 && rp.INCP <= 1 && rp.TEMPC == 0) {
        if (enth_start_ == 0) enth_start_ = rp.ENTH;
        if (std::fabs(rp.ENTH + heat_taken_ - enth_start_) > 1e-10 * std::fabs(enth_start_))
            faults += "enthalpy off by " + std::to_string(rp.ENTH + heat_taken_ - enth_start_) + "\n";
    }
    for (int k = 1; k <= sys.nc && rp.IFRAC != 5; ++k) {
        if (rp.pH != 0 && (k == 1 || k == rp.C)) continue;
        const double added = rp.TOTMIX * per_unit_[k];
        const double scale = std::fabs(start_[k]) + std::fabs(removed_[k]) + std::fabs(added);
        const double off = eq.comp[k].total + removed_[k] - start_[k] - added;
        if (std::fabs(off) > 1e-10 * scale + 1e-18)
            faults += sys.sp[k].name.str() + " off by " + std::to_string(off) + "\n";
    }
    taken_.assign(sys.nc + 1, 0.0);
    for (int p = 1; p <= eq.nph; ++p) {
        const Mineral& mn = sys.mn[eq.ph[p]];
        const bool left_behind = mn.is_gas() ? rp.IFRAC == 2 || rp.IFRAC == 3 : rp.IFRAC == 1 || rp.IFRAC == 3;
        for (int t = 1; t <= mn.itot && left_behind; ++t) taken_[mn.specm[t]] += mn.coefm[t] * eq.mn_moles[eq.ph[p]];
    }
    return faults;
}

}  // namespace zq::test

#include <sstream>

#include "driver/program.h"
#include "format/text_io.h"
#include "solver/newton.h"
#include "support/equilibrium_identity.h"

namespace zq::test {

CheckedRun run_checked(const TempDir& dir) {
    CheckedRun out;
    Ledger ledger;
    RunObserver observer;
    observer.before_solve = [&](const RunState& r) { ledger.before_solve(r); };
    observer.after_solve = [&](const RunState& state, const SolveResult& r) {
        ++out.solves;
        if (!r.converged()) {
            ++out.failed_solves;
            return;
        }
        std::string f = equilibrium_faults(state) + ledger.after_solve(state);
        if (!f.empty() && out.faults.size() < 2000) out.faults += "solve " + std::to_string(out.solves) + ":\n" + f;
    };
    std::istringstream in;
    std::ostringstream console;
    {
        Io io(dir.path(), in, console);
        out.status = run_program(io, &observer);
    }
    out.console = console.str();
    return out;
}

}  // namespace zq::test
