#include "phases/electrum.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/power_of_ten.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "phases/solid_solution.h"
#include "solver/equilibrium_state.h"
#include "solver/newton.h"
#include "thermo/conditions.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

constexpr double LOG10E = 0.43429448190325176;
constexpr double INV_R = 0.5032712632108707;     // 1/R, R in cal/(mol K), of the activity coefficients
constexpr double R_CAL = 1.987;                  // cal/(mol K), of the Gibbs energy
constexpr double AFFINITY_FACTOR = 4.575236395;  // R ln 10, cal/(mol K): -G of a pure member per log(Q/K)
constexpr double LN10 = 2.302585;
constexpr double SEED = 1e-12;  // moles of electrum seeded when its affinity is negative

double log_q_over_k(const ChemicalSystem& sys, const Conditions& cond, const EquilibriumState& eq, int i) {
    const Mineral& mn = sys.mn[i];
    double logq = 0;
    for (int t = 1; t <= mn.itot; ++t) {
        const auto tu = static_cast<std::size_t>(t);
        logq += mn.coefm[tu] * std::log10(eq.act[mn.specm[tu]]);
    }
    return logq - cond.mn_logk[i];
}

// The most moles of phase i the system's components can make: the smallest total over
// coefficient of the components its formula takes (0 when one of them has no positive total).
double available(const ChemicalSystem& sys, const EquilibriumState& eq, int i) {
    const Mineral& mn = sys.mn[i];
    double most = std::numeric_limits<double>::infinity();
    for (int t = 1; t <= mn.itot; ++t) {
        const auto tu = static_cast<std::size_t>(t);
        if (mn.coefm[tu] <= 0) continue;
        const double total = eq.comp[mn.specm[tu]].total;
        most = std::min(most, total > 0 ? total / mn.coefm[tu] : 0.0);
    }
    return most;
}

double gibbs(double x, double q_au, double q_ag, double tk) {
    const double y = 1.0 - x;
    return x * y * ((1600.0 * x + 1.375 * tk - 5650.0) * x + (1600.0 * x + 1.375 * tk - 4850.0) * y) +
           R_CAL * tk * (x * std::log(x) + y * std::log(y) - LN10 * (x * q_au + y * q_ag));
}

}  // namespace

ElectrumMembers electrum_members(const ChemicalSystem& sys) {
    if (sys.ss.nmembers[ELECTRUM_JSOLS] != 2) return {};
    return {sys.ss.member[ELECTRUM_JSOLS][1], sys.ss.member[ELECTRUM_JSOLS][2]};
}

void electrum_activity_coefficients(const ChemicalSystem& sys, double tk, EquilibriumState& eq) {
    const ElectrumMembers e = electrum_members(sys);
    eq.nterms = 0;
    if (!e.exist()) return;
    const double n = eq.mn_moles[e.gold] + eq.mn_moles[e.silver];
    if (!(n > 0)) return;
    const double x = eq.mn_moles[e.gold] / n;
    const double y = 1.0 - x;
    const double lam_ag = std::exp(x * x * INV_R / tk * (1600.0 * x - 5650.0 + 1.375 * tk));
    const double lam_au = std::exp(y * y * INV_R / tk * (1600.0 * x - 4850.0 + 1.375 * tk));
    eq.phase[e.silver].lambda = lam_ag;
    eq.phase[e.gold].lambda = lam_au;
    if (matrix_position(eq, e.gold) == 0) return;

    // d lambda / d n of each member by the moles of gold and of silver, divided by lambda:
    // the log10 of lambda is a term of each member's mass-action row.
    const double r = 4800.0 * x + 2.75 * tk;
    const double rnt = n * tk / INV_R;
    const double ag_by_au = x * y * (r - 11300.0) / rnt;
    const double ag_by_ag = x * x * (11300.0 - r) / rnt;
    const double au_by_au = y * y * (11300.0 - r) / rnt;
    const double au_by_ag = y * x * (2.75 * tk - 6500.0 - 4800.0 * y) / rnt;
    eq.terms[0] = {e.silver, e.gold, LOG10E * ag_by_au};
    eq.terms[1] = {e.silver, e.silver, LOG10E * ag_by_ag};
    eq.terms[2] = {e.gold, e.gold, LOG10E * au_by_au};
    eq.terms[3] = {e.gold, e.silver, LOG10E * au_by_ag};
    eq.nterms = 4;
}

void set_electrum_hook(NewtonHooks& hooks, const ChemicalSystem& sys, const Conditions& cond, EquilibriumState& eq) {
    hooks.refresh_solution_models = [&sys, &cond, &eq] {
        const ElectrumMembers e = electrum_members(sys);
        if (e.exist() && eq.phase[e.gold].ss_present != 0) electrum_activity_coefficients(sys, cond.TK, eq);
    };
}

ElectrumAffinity lowest_electrum_affinity(double q_au, double q_ag, double tk) {
    const double f = AFFINITY_FACTOR * tk;
    ElectrumAffinity low{0.0, -f * q_ag};
    for (int k = 1; k <= 9; ++k) {
        const double x = 0.1 * k;
        const double g = gibbs(x, q_au, q_ag, tk);
        if (g < low.g) low = {x, g};
    }
    const double pure_gold = -f * q_au;
    if (!(low.g < pure_gold)) low = {1.0, pure_gold};
    return low;
}

void electrum_saturation_estimate(const ChemicalSystem& sys, const Conditions& cond, EquilibriumState& eq, Io& io) {
    const ElectrumMembers e = electrum_members(sys);
    if (!e.exist() || matrix_position(eq, e.gold) != 0) return;
    const double q_au = log_q_over_k(sys, cond, eq, e.gold);
    const double q_ag = log_q_over_k(sys, cond, eq, e.silver);
    const ElectrumAffinity low = lowest_electrum_affinity(q_au, q_ag, cond.TK);
    io.listing().line(R"([5X] "Estimated lowest electrum affinity for X gold =" [F6.3])"
                      R"( / [5X] " AFFINITY:  " [E10.4] / [5X] " GOLD Q/K:  " [F10.4])"
                      R"( / [5X] " SILVER Q/K:" [F10.4] /)",
                      {low.x, low.g, power_of_ten(q_au), power_of_ten(q_ag)});
    if (!(low.g < 0)) return;
    // The seed holds at most half of the gold and of the silver the system has: a trace of
    // gold (the bundled data carry it as Au+ alone, about 1e-15 mol/kg at 300 C) can be
    // less than the 1e-12 moles, and a seed above the total leaves no solution to the solve.
    double seed = SEED;
    if (low.x > 0) seed = std::min(seed, 0.5 * available(sys, eq, e.gold) / low.x);
    if (low.x < 1) seed = std::min(seed, 0.5 * available(sys, eq, e.silver) / (1.0 - low.x));
    if (!(seed > 0)) return;
    eq.ss.sumx[ELECTRUM_JSOLS] = 1.0;
    eq.mn_moles[e.gold] = low.x * seed;
    eq.mn_moles[e.silver] = (1.0 - low.x) * seed;
    electrum_activity_coefficients(sys, cond.TK, eq);
}

}  // namespace zq
