#include "thermo/tp_curve.h"

#include <cmath>

#include "thermo/system_tables.h"

namespace zq {

std::optional<double> pressure_on_curve(const ChemicalSystem& sys, double t) {
    const int n = sys.ncurve;
    if (n <= 0 || !std::isfinite(t)) return std::nullopt;
    const double t1 = sys.curve_t[1];
    const double tn = sys.curve_t[n];
    if (t > tn) return std::nullopt;
    double p = 0;
    if (t <= t1) {
        // Below the curve's range (or a one-point curve at its point): hold the first pressure.
        p = sys.curve_p[1];
    } else {
        // t1 < t <= tn, so n >= 2. Guess the point from the temperature's share of the
        // range, then walk to the bracketing pair.
        double share = n * (t - t1) / (tn - t1);
        if (!(share >= 0)) share = 0;
        if (share > n) share = n;
        const int k = static_cast<int>(share);
        const int i = k + 1 < n ? k + 1 : n;
        const double ti = sys.curve_t[i];
        if (ti == t) {
            p = sys.curve_p[i];
        } else {
            int a = 0, b = 0;
            if (ti < t) {
                int j = i + 1;
                while (j < n && sys.curve_t[j] < t) ++j;
                a = j - 1;
                b = j;
            } else {
                int j = i - 1;
                while (j > 1 && sys.curve_t[j] > t) --j;
                a = j;
                b = j + 1;
            }
            const double ta = sys.curve_t[a], tb = sys.curve_t[b];
            const double pa = sys.curve_p[a], pb = sys.curve_p[b];
            p = pa + (pb - pa) * (t - ta) / (tb - ta);
        }
    }
    return p;
}

}  // namespace zq
