#include "support/equilibrium_identity.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zq::test {

std::string equilibrium_faults(const ChemicalSystem& sys, const RunParams& rp, double slack) {
    std::string faults;
    auto check = [&](const std::string& what, const Name20& name, double residual, double tol) {
        if (std::fabs(residual) <= tol * slack) return;
        faults += what + " " + name.str() + ": residual " + std::to_string(residual) + " tolerance " +
                  std::to_string(tol) + "\n";
    };
    const double e = rp.ERPC, w = rp.water_kg;
    const bool ph_fixed = rp.pH != 0.0;
    std::vector<double> la(MAX_COMPONENTS + 1), held(MAX_COMPONENTS + 1), aq(MAX_COMPONENTS + 1);
    for (int l = 1; l <= sys.nc; ++l) {
        la[l] = std::log10(sys.gamma[l] * (l == 2 ? 1.0 : sys.m[l]));
        aq[l] = l == 2 ? WATER_MOLES_PER_KG : sys.m[l];
    }
    for (int j = sys.nc + 1; j <= sys.ns; ++j) {
        const Species& s = sys.sp[j];
        double lm = -std::log10(sys.gamma[j]) - s.logk;
        for (int t = 2; t <= s.nentries; ++t) {
            lm += s.coef[t] * la[s.index[t]];
            aq[s.index[t]] += s.coef[t] * sys.m[j];
        }
        check("mass action of species", s.name, std::log10(sys.m[j]) - std::clamp(lm, -300.0, 1.0), 1e-9);
    }
    for (int p = 1; p <= sys.nph; ++p) {
        const int f = sys.ph[p];
        const Mineral& mn = sys.mn[f];
        double r = -mn.logk, total = 0.0;
        for (int t = 1; t <= mn.itot; ++t) {
            r += mn.coefm[t] * la[mn.specm[t]];
            held[mn.specm[t]] += mn.coefm[t] * sys.mn_moles[f];
        }
        for (int q = 1; q <= sys.nph; ++q)
            if (mn.ss_present && sys.mn[sys.ph[q]].ss_present == mn.ss_present) total += sys.mn_moles[sys.ph[q]];
        if (mn.ss_present) r -= std::log10(mn.lambda) + mn.site_n * std::log10(sys.mn_moles[f] / total);
        check("mass action of", mn.name, r, mn.logk == 0 ? 10 * e : std::fabs(mn.logk) * 10 * e);
    }
    for (int k = ph_fixed ? 2 : 1; k <= sys.nc; ++k) {
        const double total = sys.comp[k].total;
        check("mass balance of", sys.sp[k].name, w * aq[k] + held[k] - total, total == 0 ? e : std::fabs(total) * e);
    }
    if (ph_fixed) check("fixed pH", Name20(), std::pow(10.0, -rp.pH) - sys.m[1] * sys.gamma[1], e * std::pow(10.0, -rp.pH));
    if (rp.C >= 1 && rp.C <= sys.nc && sys.comp[rp.C].total != 0) {  // a zero T(C) sets no limit
        double q = 0.0;
        for (int i = 1; i <= sys.ns; ++i) q += sys.sp[i].charge * sys.m[i];
        check("charge of the solution with", sys.sp[rp.C].name, q, std::fabs(1e-4 * sys.comp[rp.C].total) / w);
    }
    return faults;
}

}  // namespace zq::test
