#include "support/equilibrium_identity.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "phases/gas_mixture.h"

namespace zq::test {

std::string equilibrium_faults(const RunState& run, double slack) {
    const ChemicalSystem& sys = run.sys;
    const Conditions& cond = run.cond;
    const RunParams& rp = run.rp;
    const EquilibriumState& eq = run.eq;
    std::string faults;
    auto check = [&](const std::string& what, const Name20& name, double residual, double tol) {
        if (std::fabs(residual) <= tol * slack) return;
        char line[160];
        std::snprintf(line, sizeof line, ": residual %.3e tolerance %.3e\n", residual, tol * slack);
        faults += what + " " + name.str() + line;
    };
    const double e = rp.ERPC, w = eq.water_kg;
    const bool ph_fixed = rp.pH != 0.0;
    std::vector<double> la(MAX_COMPONENTS + 1), held(MAX_COMPONENTS + 1), aq(MAX_COMPONENTS + 1);
    // The size of the terms of each mass balance: the balance cannot be checked more finely
    // than their rounding, whatever its tolerance (a trace total beside large phase amounts).
    std::vector<double> size(MAX_COMPONENTS + 1);
    for (int l = 1; l <= sys.nc; ++l) {
        la[l] = std::log10(eq.gamma[l] * (l == 2 ? 1.0 : eq.m[l]));
        aq[l] = l == 2 ? WATER_MOLES_PER_KG : eq.m[l];
        size[l] = w * aq[l] + std::fabs(eq.comp[l].total);
    }
    for (int j = sys.nc + 1; j <= sys.ns; ++j) {
        const Species& s = sys.sp[j];
        double lm = -std::log10(eq.gamma[j]) - cond.logk[j];
        for (int t = 2; t <= s.nentries; ++t) {
            lm += s.coef[t] * la[s.index[t]];
            aq[s.index[t]] += s.coef[t] * eq.m[j];
            size[s.index[t]] += w * std::fabs(s.coef[t] * eq.m[j]);
        }
        check("mass action of species", s.name, std::log10(eq.m[j]) - std::clamp(lm, -300.0, 1.0), 1e-9);
    }
    for (int p = 1; p <= eq.nph; ++p) {
        const int f = eq.ph[p];
        const Mineral& mn = sys.mn[f];
        const PhaseState& ps = eq.phase[f];
        const double logk = cond.mn_logk[f];
        double r = -logk, total = 0.0;
        for (int t = 1; t <= mn.itot; ++t) {
            r += mn.coefm[t] * la[mn.specm[t]];
            held[mn.specm[t]] += mn.coefm[t] * eq.mn_moles[f];
            size[mn.specm[t]] += std::fabs(mn.coefm[t] * eq.mn_moles[f]);
        }
        for (int q = 1; q <= eq.nph; ++q)
            if (ps.ss_present && eq.phase[eq.ph[q]].ss_present == ps.ss_present) total += eq.mn_moles[eq.ph[q]];
        if (ps.ss_present) r -= std::log10(ps.lambda) + mn.site_n * std::log10(eq.mn_moles[f] / total);
        const double tol_logk = f <= sys.nmixed ? cond.mn_logk_raw[f] : logk;  // a mixed gas's without log10 P
        check("mass action of", mn.name, r, tol_logk == 0 ? 10 * e : std::fabs(tol_logk) * 10 * e);
    }
    for (int k = ph_fixed ? 2 : 1; k <= sys.nc; ++k) {
        const double total = eq.comp[k].total;
        const double rounding = 8 * std::numeric_limits<double>::epsilon() * size[k];
        check("mass balance of", sys.sp[k].name, w * aq[k] + held[k] - total,
              (total == 0 ? e : std::fabs(total) * e) + rounding);
    }
    // The enthalpy balance, while it is a row of the matrix with a mixed gas in it.
    bool mixed_gas = false;
    double h = w * WATER_MOLES_PER_KG * eq.gas.h_water - rp.ENTH;
    for (int p = 1; p <= eq.nph; ++p) {
        const int g = eq.ph[p];
        mixed_gas = mixed_gas || g <= sys.nmixed;
        if (g <= enthalpy_gases(sys)) h += eq.gas.h[g] * eq.mn_moles[g];
    }
    if (run.ps.enthalpy_row && mixed_gas) check("enthalpy balance", Name20(), h, std::fabs(rp.ENTH) * e);
    if (ph_fixed)
        check("fixed pH", Name20(), std::pow(10.0, -rp.pH) - eq.m[1] * eq.gamma[1], e * std::pow(10.0, -rp.pH));
    if (rp.C >= 1 && rp.C <= sys.nc && eq.comp[rp.C].total != 0) {  // a zero T(C) sets no limit
        double q = 0.0;
        for (int i = 1; i <= sys.ns; ++i) q += sys.sp[i].charge * eq.m[i];
        check("charge of the solution with", sys.sp[rp.C].name, q, std::fabs(1e-4 * eq.comp[rp.C].total) / w);
    }
    return faults;
}

}  // namespace zq::test
