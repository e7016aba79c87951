#include "support/equilibrium_identity.h"

#include <cmath>
#include <sstream>

namespace zq::test {

namespace {

std::string name_of(const Name20& n) {
    std::string s = n.str();
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

struct Checker {
    IdentityReport report;
    double slack;
    void check(const std::string& what, double residual, double tol) {
        double ratio = std::fabs(residual) / tol;
        if (std::isnan(ratio)) ratio = HUGE_VAL;
        if (ratio > report.worst_ratio || report.worst.empty()) {
            report.worst_ratio = ratio;
            report.worst = what;
        }
        if (!(std::fabs(residual) <= tol * slack)) {
            std::ostringstream s;
            s.precision(6);
            s << what << ": residual " << residual << ", tolerance " << tol;
            report.failures.push_back(s.str());
        }
    }
};

}  // namespace

std::string IdentityReport::text() const {
    std::string t;
    for (const std::string& f : failures) t += f + "\n";
    return t;
}

IdentityReport check_equilibrium(const ChemicalSystem& sys, const RunParams& rp, double slack) {
    Checker c{{}, slack};
    const double e = rp.ERPC;
    const double w = rp.water_kg;
    const bool ph_fixed = rp.pH != 0.0;

    // log10 activity of each component species (water: its activity, the slot holds 1).
    std::vector<double> la(static_cast<std::size_t>(sys.nc) + 1);
    for (int l = 1; l <= sys.nc; ++l)
        la[static_cast<std::size_t>(l)] = std::log10(sys.gamma[l] * (l == 2 ? 1.0 : sys.m[l]));

    // Derived species at their mass-action molality (log m limited to [-300, 1]).
    for (int j = sys.nc + 1; j <= sys.ns; ++j) {
        const Species& s = sys.sp[j];
        double lm = -std::log10(sys.gamma[j]) - s.logk;
        for (int k = 2; k <= s.nentries; ++k) lm += s.coef[k] * la[static_cast<std::size_t>(s.index[k])];
        lm = std::fmin(1.0, std::fmax(-300.0, lm));
        c.check("mass action of species " + name_of(s.name), std::log10(sys.m[j]) - lm, 1e-9);
    }

    // Mass balances: water, the component species and the phases in the matrix.
    std::vector<double> held(static_cast<std::size_t>(sys.nc) + 1, 0.0);
    for (int p = 1; p <= sys.nph; ++p) {
        const Mineral& mn = sys.mn[sys.ph[p]];
        for (int k = 1; k <= mn.itot; ++k)
            held[static_cast<std::size_t>(mn.specm[k])] += mn.coefm[k] * sys.mn_moles[sys.ph[p]];
    }
    for (int k = ph_fixed ? 2 : 1; k <= sys.nc; ++k) {
        double aq = k == 2 ? WATER_MOLES_PER_KG : sys.m[k];
        for (int j = sys.nc + 1; j <= sys.ns; ++j) {
            const Species& s = sys.sp[j];
            for (int t = 2; t <= s.nentries; ++t)
                if (s.index[t] == k) aq += s.coef[t] * sys.m[j];
        }
        const double total = sys.comp[k].total;
        c.check("mass balance of " + name_of(sys.sp[k].name), w * aq + held[static_cast<std::size_t>(k)] - total,
                total == 0.0 ? e : std::fabs(total) * e);
    }
    if (ph_fixed) {
        const double target = std::pow(10.0, -rp.pH);
        c.check("fixed pH", target - sys.m[1] * sys.gamma[1], e * target);
    }

    // Mass action of the phases in the matrix, with the mixing term of an end member.
    for (int p = 1; p <= sys.nph; ++p) {
        const int f = sys.ph[p];
        const Mineral& mn = sys.mn[f];
        double r = -mn.logk;
        for (int k = 1; k <= mn.itot; ++k) r += mn.coefm[k] * la[static_cast<std::size_t>(mn.specm[k])];
        if (mn.ss_present != 0) {
            double total = 0.0;
            for (int q = 1; q <= sys.nph; ++q)
                if (sys.mn[sys.ph[q]].ss_present == mn.ss_present) total += sys.mn_moles[sys.ph[q]];
            r -= std::log10(mn.lambda) + mn.site_n * std::log10(sys.mn_moles[f] / total);
        }
        c.check("mass action of " + name_of(mn.name), r, mn.logk == 0.0 ? 10.0 * e : std::fabs(mn.logk) * 10.0 * e);
    }

    // Charge of the solution within the limit of the listing's check.
    // (A charge-balance component with a zero total gives no limit to check against.)
    if (rp.C >= 1 && rp.C <= sys.nc && sys.comp[rp.C].total != 0.0) {
        double q = 0.0;
        for (int i = 1; i <= sys.ns; ++i) q += sys.sp[i].charge * sys.m[i];
        c.check("charge of the solution", q, std::fabs(1e-4 * sys.comp[rp.C].total) / w);
    }
    return c.report;
}

}  // namespace zq::test
