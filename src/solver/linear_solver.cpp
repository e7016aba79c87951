#include "solver/linear_solver.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

#include "format/record_layout.h"
#include "format/text_io.h"

namespace zq {

namespace {

void check_order(const LinearSystem& ls) {
    if (ls.n > MAX_ORDER) throw std::logic_error("linear system order above MAX_ORDER");
}

// Values ten to a line, each line "  " followed by up to ten [E12.6] fields.
void print_rows_of_ten(Io& io, const std::vector<double>& v) {
    for (std::size_t start = 0; start < v.size(); start += 10) {
        std::vector<FieldValue> chunk;
        for (std::size_t i = start; i < v.size() && i < start + 10; ++i) chunk.emplace_back(v[i]);
        io.listing().line(R"("  " [10E12.6])", chunk);
    }
}

// y[i] += x[i] * t and y[i] -= x[i] * t for i in [0, len): x and y are distinct columns (or
// a column and a vector), which the restrict qualifiers tell the compiler, so the loops are
// vectorised without a run-time overlap test before each of the many short columns.
void add_scaled(double* __restrict y, const double* __restrict x, double t, int len) {
    for (int i = 0; i < len; ++i) y[i] += x[i] * t;
}
void subtract_scaled(double* __restrict y, const double* __restrict x, double t, int len) {
    for (int i = 0; i < len; ++i) y[i] -= x[i] * t;
}

}  // namespace

void LUDCMP(LinearSystem& ls) {
    check_order(ls);
    const int n = ls.n;
    if (n < 1) return;
    for (int j = 1; j <= n; ++j)
        for (int i = 1; i <= n; ++i) ls.W(i, j) = ls.A(i, j);
    ls.iv[n] = 1;

    for (int k = 1; k <= n - 1; ++k) {
        // Pivot: the largest magnitude in column k from row k down; on a tie the earlier
        // row is kept, so the elimination order is reproducible.
        int m = k;
        double big = std::fabs(ls.W(k, k));
        for (int i = k + 1; i <= n; ++i) {
            if (std::fabs(ls.W(i, k)) > big) {
                big = std::fabs(ls.W(i, k));
                m = i;
            }
        }
        ls.iv[k] = m;
        if (m != k) {
            ls.iv[n] = -ls.iv[n];
            std::swap(ls.W(m, k), ls.W(k, k));
        } else if (big == 0.0) {
            // Nothing below or on the diagonal: the matrix is singular. The column is
            // left as it is and the elimination goes on, so later steps stay defined.
            ls.iv[n] = 0;
            continue;
        }
        const double p = ls.W(k, k);
        for (int i = k + 1; i <= n; ++i) ls.W(i, k) = -ls.W(i, k) / p;
        for (int j = k + 1; j <= n; ++j) {
            const double t = ls.W(m, j);
            ls.W(m, j) = ls.W(k, j);
            ls.W(k, j) = t;
            add_scaled(&ls.W(k + 1, j), &ls.W(k + 1, k), t, n - k);
        }
    }
    if (ls.W(n, n) == 0.0) ls.iv[n] = 0;
}

void LUSOLV(const LinearSystem& ls, SolverVector& x) {
    check_order(ls);
    const int n = ls.n;
    if (n < 1) return;
    for (int k = 1; k <= n - 1; ++k) {
        const int m = ls.iv[k];
        std::swap(x[m], x[k]);
        const double t = x[k];
        add_scaled(&x[k + 1], ls.w_column(k + 1, k), t, n - k);
    }
    x[n] /= ls.W(n, n);
    for (int k = n; k >= 2; --k) {
        const double t = x[k];
        subtract_scaled(&x[1], ls.w_column(1, k), t, k - 1);
        x[k - 1] /= ls.W(k - 1, k - 1);
    }
}

namespace {

bool solve(LinearSystem& ls, SolverVector& x, int itref, int istep, Io& io) {
    const int n = ls.n;
    ls.refinements = 0;
    if (n < 1) return true;
    for (int i = 1; i <= n; ++i) {
        ls.b[i] = -ls.f[i];
        x[i] = ls.b[i];
    }
    if (ls.iv[n] == 0) {
        io.listing().line(layout(R"(/ "  ******** WARNING ********" / "  Computational singularity, IV(N) = 0.0" /)"));
        return false;
    }
    LUSOLV(ls, x);

    // Pivots that are not exactly zero but tiny (or a Jacobian holding an overflow) give
    // a correction that is not a number: the system is singular in working precision, and
    // handing such a delta to the Newton update would corrupt every molality.
    for (int i = 1; i <= n; ++i) {
        if (!std::isfinite(x[i])) {
            io.listing().line(layout(
                R"(/ "  ******** WARNING ********" / "  Computational singularity, correction vector not finite" /)"));
            return false;
        }
    }
    if (itref == 0) return true;

    double rho_prev = 1.0;
    for (;;) {
        // r = A x - b, each row summed from column 1 to n; the matrix is walked column by
        // column, down its storage, all rows at once.
        std::array<double, MAX_ORDER> s;
        std::fill_n(s.begin(), n, 0.0);
        for (int j = 1; j <= n; ++j) {
            const double xj = x[j];
            const double* const col = &ls.a[static_cast<std::size_t>(j - 1) * LinearSystem::LD];
            for (int i = 0; i < n; ++i) s[static_cast<std::size_t>(i)] += col[i] * xj;
        }
        for (int i = 1; i <= n; ++i) ls.r[i] = s[static_cast<std::size_t>(i - 1)] - ls.b[i];
        if (itref == 1) return true;  // residual only
        LUSOLV(ls, ls.r);
        if (istep == 1) {
            io.listing().line(R"x(" RESIDUAL VECTOR (IER =" [I2] ")")x", {ls.refinements + 1});
            std::vector<double> rv;
            for (int i = 1; i <= n; ++i) rv.push_back(ls.r[i]);
            print_rows_of_ten(io, rv);
        }
        double sr = 0.0, sx = 0.0;
        for (int i = 1; i <= n; ++i) {
            sr += std::fabs(ls.r[i]);
            sx += std::fabs(x[i]);
        }
        const double rho = sx == 0.0 ? sr : sr / sx;
        const bool finite = std::isfinite(rho);
        // A correction that overflowed is not applied: x keeps its last finite value.
        if (finite)
            for (int i = 1; i <= n; ++i) x[i] -= ls.r[i];
        const float rho_single = static_cast<float>(rho);
        if (!finite || 2.0 * rho > rho_prev) {
            // A pass that no longer halves the correction: the refinement has stalled. At
            // a relative correction below single-precision resolution it has stalled on
            // the rounding floor of a well-conditioned system, which is no warning matter.
            if (finite && 1.0f + rho_single == 1.0f) return true;
            io.listing().line(
                layout(R"("  *************** WARNING *******************" / "     THE SYSTEM IS ILL-CONDITIONNED")"));
            return true;
        }
        rho_prev = rho;
        ++ls.refinements;
        // Converged when the relative correction, taken to single precision, no longer
        // changes 1.0 in double precision.
        if (1.0 + static_cast<double>(rho_single) == 1.0) return true;
    }
}

}  // namespace

bool LINSOL(int mode, LinearSystem& ls, SolverVector& x, int itref, int istep, Io& io) {
    check_order(ls);
    switch (mode) {
        case 1: return solve(ls, x, itref, istep, io);
        case 2: {
            io.listing().line(R"(/ / "  MATRIX OF A(I,I), F(I)  I=" [I2] /)", {ls.n});
            for (int i = 1; i <= ls.n; ++i) {
                std::vector<double> row;
                for (int j = 1; j <= ls.n; ++j) row.push_back(ls.A(i, j));
                row.push_back(ls.f[i]);
                print_rows_of_ten(io, row);
            }
            return true;
        }
        case 3: io.listing().line(R"("  NUMBER OF ITERATIVE REFINEMENTS : " [I4] / /)", {ls.refinements}); return true;
        default: throw std::logic_error("LINSOL: mode must be 1, 2 or 3");
    }
}

}  // namespace zq
