#include "phases/phase_dependence.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "base/run_params.h"
#include "format/record_layout.h"
#include "solver/equilibrium_state.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

// A residual below this share of the stoichiometric scale is no residual: coefficients are
// given to a few decimals, and sums of their binary values are exact to about 1e-15.
constexpr double DEPENDENCE_TOLERANCE = 1e-9;

using Vector = std::vector<double>;

double max_abs(const Vector& v) {
    double m = 0;
    for (double x : v) m = std::max(m, std::fabs(x));
    return m;
}

}  // namespace

Vector dependence_on(const std::vector<Vector>& basis, const Vector& v) {
    const std::size_t k = basis.size(), d = v.size();
    double scale = max_abs(v);
    for (const Vector& b : basis) scale = std::max(scale, max_abs(b));
    if (scale == 0) return Vector(k, 0.0);  // nothing to be independent of

    // Householder QR of the d x k matrix of the basis vectors (columns), applied to v as
    // well: v is dependent when its part outside the basis's span is below the tolerance.
    std::vector<Vector> a = basis;  // a[j][i]: row i of column j
    Vector r = v;
    std::vector<Vector> hh;  // Householder vectors
    std::vector<double> diag(k);
    for (std::size_t j = 0; j < k; ++j) {
        Vector& col = a[j];
        double norm = 0;
        for (std::size_t i = j; i < d; ++i) norm += col[i] * col[i];
        norm = std::sqrt(norm);
        Vector u(d, 0.0);
        const double alpha = col[j] > 0 ? -norm : norm;
        for (std::size_t i = j; i < d; ++i) u[i] = col[i];
        u[j] -= alpha;
        double unorm2 = 0;
        for (std::size_t i = j; i < d; ++i) unorm2 += u[i] * u[i];
        auto reflect = [&](Vector& x) {
            if (unorm2 == 0) return;
            double dot = 0;
            for (std::size_t i = j; i < d; ++i) dot += u[i] * x[i];
            const double f = 2 * dot / unorm2;
            for (std::size_t i = j; i < d; ++i) x[i] -= f * u[i];
        };
        for (std::size_t c = j; c < k; ++c) reflect(a[c]);
        reflect(r);
        diag[j] = a[j][j];
        hh.push_back(std::move(u));
    }
    double residual = 0;
    for (std::size_t i = k; i < d; ++i) residual = std::max(residual, std::fabs(r[i]));
    if (residual > DEPENDENCE_TOLERANCE * scale) return {};

    // Back substitution R c = (Q^T v) in its first k rows.
    Vector c(k, 0.0);
    for (std::size_t jj = k; jj-- > 0;) {
        double s = r[jj];
        for (std::size_t c2 = jj + 1; c2 < k; ++c2) s -= a[c2][jj] * c[c2];
        c[jj] = diag[jj] != 0 ? s / diag[jj] : 0.0;
    }
    return c;
}

bool tested_for_dependence(const ChemicalSystem& sys, int phase) { return sys.ss.of[phase] == 0; }

Vector free_component_vector(const ChemicalSystem& sys, const RunParams& rp, int phase) {
    Vector v(static_cast<std::size_t>(sys.nc), 0.0);
    const Mineral& mn = sys.mn[phase];
    for (int e = 1; e <= mn.itot; ++e) {
        const auto eu = static_cast<std::size_t>(e);
        const int k = mn.specm[eu];
        if (k == 2 || (k == 1 && rp.pH != 0)) continue;  // activities the solution holds
        v[static_cast<std::size_t>(k - 1)] += mn.coefm[eu];
    }
    return v;
}

Displacement displaced_by(const ChemicalSystem& sys, const RunParams& rp, const EquilibriumState& eq,
                          const std::vector<int>& in_matrix, int entering, const std::vector<double>& log_qk) {
    // A phase whose reaction holds only the components the solution holds (water) has its
    // mass action met through them and takes no part.
    const auto free = [&](int p) {
        Vector v = free_component_vector(sys, rp, p);
        return max_abs(v) == 0 ? Vector{} : v;
    };
    Displacement out;
    const Vector v = free(entering);
    if (v.empty()) return out;
    std::vector<Vector> basis;
    std::vector<int> phases;
    for (int p : in_matrix) {
        Vector b = tested_for_dependence(sys, p) ? free(p) : Vector{};
        if (b.empty()) continue;
        basis.push_back(std::move(b));
        phases.push_back(p);
    }
    const Vector c = dependence_on(basis, v);
    if (c.empty()) return out;

    // The reaction forming the entering phase from the others: its affinity (log units,
    // positive when it runs forward) is log(Q/K) of the entering phase less that of the
    // others, with their coefficients.
    const auto lq = [&](int p) { return log_qk[static_cast<std::size_t>(p)]; };
    double affinity = lq(entering);
    for (std::size_t j = 0; j < c.size(); ++j) affinity -= c[j] * lq(phases[j]);

    out.reaction = sys.mn[entering].name.trimmed() + " =";
    bool first = true;
    for (std::size_t j = 0; j < c.size(); ++j) {
        if (std::fabs(c[j]) < 1e-12) continue;
        std::string amount = layout("[F10.4]", {std::fabs(c[j])});
        amount.erase(0, amount.find_first_not_of(' '));
        out.reaction += (first ? (c[j] < 0 ? " -" : "") : (c[j] < 0 ? " -" : " +")) + (" " + amount) + " " +
                        sys.mn[phases[j]].name.trimmed();
        first = false;
    }

    // Forward, the reaction uses up the phases of positive coefficient: the first one
    // exhausted leaves. Backward (or with nothing to use up), the entering phase does not
    // stay.
    out.leaves = entering;
    if (affinity <= 0) return out;
    double least = 0;
    for (std::size_t j = 0; j < c.size(); ++j) {
        if (c[j] <= 1e-12) continue;
        const double extent = std::max(0.0, eq.mn_moles[phases[j]]) / c[j];
        if (out.leaves == entering || extent < least) {
            out.leaves = phases[j];
            least = extent;
        }
    }
    return out;
}

}  // namespace zq
