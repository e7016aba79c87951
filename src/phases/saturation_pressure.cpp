#include "phases/saturation_pressure.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "base/power_of_ten.h"
#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "phases/gas_mixture.h"
#include "solver/equilibrium_state.h"
#include "solver/linear_solver.h"
#include "thermo/conditions.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

constexpr int MAX_PASSES = 26;
constexpr double P_SETTLED = 9.999999747378752e-06;  // bar: a smaller pressure correction ends the iteration

// One Newton pass on y(1..n) and P (row n + 1: the mole fractions sum to 1). Returns the
// pressure correction; not a number when the system is singular (its Schur complement in
// the pressure, sum of c(i) / phi(i), is 0: phi P at its maximum), which a report does not
// stop the run for.
double newton_pass(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, const double* f, double& p,
                   EquilibriumState& eq, LinearSystem& ls, Io& io) {
    const int n = sys.nmixed;
    fugacity_coefficients(sys, cond, rp, p, eq);
    ls.n = n + 1;
    for (int j = 1; j <= n + 1; ++j)
        for (int i = 1; i <= n + 1; ++i) ls.A(i, j) = 0.0;
    double sum = 0;
    for (int i = 1; i <= n; ++i) {
        const double phi = eq.phase[i].lambda, y = eq.gas.y[i];
        ls.f[i] = phi * y - f[i] / p;
        ls.A(i, i) = phi;
        ls.A(i, n + 1) = f[i] / (p * p) + (eq.gas.a[i] + eq.gas.b[i] * p) * phi * y;
        ls.A(n + 1, i) = 1.0;
        sum += y;
    }
    ls.f[n + 1] = sum - 1.0;
    double schur = 0;
    for (int i = 1; i <= n; ++i) schur += ls.A(i, n + 1) / ls.A(i, i);
    if (!(std::fabs(schur) > 0) || !std::isfinite(schur)) return std::numeric_limits<double>::quiet_NaN();
    SolverVector delta{};
    LUDCMP(ls);
    LINSOL(1, ls, delta, 0, 0, io);
    for (int i = 1; i <= n; ++i) {
        const double y = eq.gas.y[i] + delta[i];
        if (y >= 0.0 && y <= 1.0) eq.gas.y[i] = y;
    }
    const double dp = delta[n + 1];
    // A pressure is positive: a correction that would take it to zero or below halves it.
    p = p + dp > 0 ? std::min(MAX_GAS_PRESSURE, p + dp) : 0.5 * p;
    return dp;
}

}  // namespace

void set_gas_log_fugacities(const ChemicalSystem& sys, const Conditions& cond, EquilibriumState& eq) {
    for (int g = 1; g <= sys.ngas_records; ++g) {
        const Mineral& mn = sys.mn[g];
        double logq = 0;
        for (int t = 1; t <= mn.itot; ++t) {
            const auto tu = static_cast<std::size_t>(t);
            logq += mn.coefm[tu] * std::log10(eq.act[mn.specm[tu]]);
        }
        eq.phase[g].log_fugacity = logq - (g <= sys.nmixed ? cond.mn_logk_raw[g] : cond.mn_logk[g]);
    }
}

SaturationPressure saturation_pressure_report(const ChemicalSystem& sys, const Conditions& cond, RunParams& rp,
                                              EquilibriumState& eq, Io& io) {
    rp.ITREF = 0;
    const int n = sys.nmixed;
    double f[MAX_MIXED_GASES + 1] = {};
    SaturationPressure res;
    for (int i = 1; i <= n; ++i) {
        f[i] = power_of_ten(eq.phase[i].log_fugacity);
        res.p += f[i];
    }
    for (int i = 1; i <= n; ++i) eq.gas.y[i] = f[i] / res.p;

    // Without mixed gases there is nothing to iterate: the pressure is 0.
    if (rp.IDEAL < 2 && n > 0) {
        auto ls = std::make_unique<LinearSystem>();
        res.converged = false;
        for (int k = 0; k < MAX_PASSES; ++k) {
            const double dp = newton_pass(sys, cond, rp, f, res.p, eq, *ls, io);
            if (std::isnan(dp)) break;
            if (std::fabs(dp) <= P_SETTLED) {
                res.iterations = k;
                res.converged = true;
                break;
            }
        }
        if (!res.converged) {
            res.iterations = MAX_PASSES;
            io.both(layout(R"(/ [12X] "************ WARNING ! ************")"
                           R"( / [5X] "PSAT calculation did not converge after 25 loops" /)"));
        }
    }

    io.listing().line(R"x(/ "  Gas composition at saturation (" [I3] " iterations)")x"
                      R"( / "  -------------------------------------------------")",
                      {res.iterations});
    io.console(layout(R"(/ "  Saturation pressure is: " [F8.4] " bar" /)", {res.p}));
    io.listing().line(R"("  Temperature:      " [F8.4] " deg.C" / "  Sat. pressure:    " [F8.4] " bar" / /)"
                      R"x( [7X] "Gas" [18X] "Mole fraction" [4X] "phi" [5X] "Fugacity" [5X] "Partial P(bar)" /)x",
                      {rp.TEMP, res.p});
    for (int i = 1; i <= n; ++i) {
        const double phi = eq.phase[i].lambda;
        io.listing().line(R"([5X] [A20] [5X] [E10.4] [3X] [F6.4] [3X] [E10.4] [4X] [E10.4])",
                          {sys.mn[i].name, eq.gas.y[i], phi, f[i], f[i] / phi});
    }
    return res;
}

}  // namespace zq
