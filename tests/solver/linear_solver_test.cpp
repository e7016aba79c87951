#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "format/text_io.h"
#include "solver/linear_solver.h"
#include "support/run_dir.h"

namespace zq {
namespace {

using Rows = std::vector<std::vector<double>>;

class LinearSolver : public ::testing::Test {
protected:
    test::TempDir dir;
    std::istringstream in;
    std::ostringstream out;
    Io io{dir.path(), in, out};
    std::unique_ptr<LinearSystem> ls = std::make_unique<LinearSystem>();

    void set(const Rows& a, const std::vector<double>& f = {}) {
        ls->n = static_cast<int>(a.size());
        for (int i = 1; i <= ls->n; ++i) {
            for (int j = 1; j <= ls->n; ++j) ls->A(i, j) = a[i - 1][j - 1];
            ls->f[i] = f.empty() ? 0.0 : f[i - 1];
        }
    }
    std::string listing() {
        io.listing().flush();
        return dir.read("ZARNOUT.DAT");
    }
    // LINSOL mode 1; true when the run was stopped.
    bool solve(SolverVector& x, int itref, int istep = 0) {
        try {
            LINSOL(1, *ls, x, itref, istep, io);
        } catch (const RunStop& s) {
            EXPECT_EQ(s.status(), 1);
            return true;
        }
        return false;
    }
};

// Pivot rows, permutation sign and the singular marks IV(N) = 0.
TEST_F(LinearSolver, PivotRowsSignAndSingularity) {
    struct Case {
        const char* what;
        Rows a;
        std::vector<int> iv;
    };
    const std::vector<Case> cases = {
        {"1x1 zero is singular", {{0.0}}, {0}},
        {"1x1 non-zero", {{5.0}}, {1}},
        {"first column all zero, later pivots non-zero", {{0, 1, 2}, {0, 3, 4}, {0, 5, 7}}, {1, 3, 0}},
        {"tie with the diagonal keeps row k", {{1, 2}, {-1, 3}}, {1, 1}},
        {"tie below the diagonal keeps the lower-numbered row", {{1, 0, 0}, {-2, 1, 0}, {2, 0, 1}}, {2, 3, 1}},
        {"one exchange gives sign -1", {{1, 2}, {3, 4}}, {2, -1}},
        {"zero last pivot", {{1, 2}, {2, 4}}, {2, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        set(c.a);
        LUDCMP(*ls);
        for (int k = 1; k <= ls->n; ++k) EXPECT_EQ(ls->iv[k], c.iv[static_cast<std::size_t>(k - 1)]) << k;
    }
}

// An exactly zero pivot, and a Jacobian holding a NaN (which passes the zero-pivot test
// but gives a correction that is not a number), end the solve before any delta is used.
TEST_F(LinearSolver, SingularSystemsWriteWarningAndFail) {
    const char* head = "\n  ******** WARNING ********\n  Computational singularity, ";
    struct Case {
        Rows a;
        std::string tail;
    };
    for (const Case& c : {Case{{{0.0}}, "IV(N) = 0.0\n\n"},
                          Case{{{1.0, 2.0}, {3.0, std::nan("")}}, "correction vector not finite\n\n"}}) {
        test::TempDir d;
        Io io1{d.path(), in, out};
        set(c.a, std::vector<double>(c.a.size(), 1.0));
        LUDCMP(*ls);
        SolverVector x{};
        EXPECT_FALSE(LINSOL(1, *ls, x, 2, 0, io1));
        io1.listing().flush();
        EXPECT_EQ(d.read("ZARNOUT.DAT"), head + c.tail);
    }
}

// Random diagonally dominant systems of every size up to the limit, against the solution
// they were built from; A is left unchanged.
TEST_F(LinearSolver, RandomWellConditionedSystems) {
    std::mt19937 gen(2024);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int n : {1, 2, 3, 5, 8, 13, 31, 64, 99, 100}) {
        for (int itref : {0, 1, 2, 5}) {
            SCOPED_TRACE("n " + std::to_string(n) + " ITREF " + std::to_string(itref));
            ls->n = n;
            std::vector<double> xt(static_cast<std::size_t>(n) + 1);
            for (int i = 1; i <= n; ++i) xt[static_cast<std::size_t>(i)] = u(gen) * std::pow(10.0, i % 5 - 2);
            for (int j = 1; j <= n; ++j)
                for (int i = 1; i <= n; ++i) ls->A(i, j) = u(gen) + (i == j ? n + 1.0 : 0.0);
            for (int i = 1; i <= n; ++i) {
                double s = 0.0;
                for (int j = 1; j <= n; ++j) s += ls->A(i, j) * xt[static_cast<std::size_t>(j)];
                ls->f[i] = -s;  // J delta = -F with delta = xt
            }
            const auto a_before = ls->a;
            LUDCMP(*ls);
            SolverVector x{};
            ASSERT_FALSE(solve(x, itref));
            double scale = 0.0;
            for (int i = 1; i <= n; ++i) scale = std::max(scale, std::fabs(xt[static_cast<std::size_t>(i)]));
            for (int i = 1; i <= n; ++i) EXPECT_NEAR(x[i], xt[static_cast<std::size_t>(i)], 1e-13 * scale) << i;
            EXPECT_TRUE(ls->a == a_before);
        }
    }
}

// Refinement of well-conditioned systems often stalls at the rounding floor of double
// precision (a pass that no longer halves a correction of about 1e-16); that is not
// ill-conditioning and draws no warning.
TEST_F(LinearSolver, StallOnRoundingFloorIsNoWarning) {
    std::mt19937 gen(1);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int trial = 0; trial < 200; ++trial) {
        const int n = 2 + trial % 50;
        ls->n = n;
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) ls->A(i, j) = u(gen) + (i == j ? n : 0);
        for (int i = 1; i <= n; ++i) ls->f[i] = u(gen);
        LUDCMP(*ls);
        SolverVector x{};
        ASSERT_FALSE(solve(x, 2));
        EXPECT_GE(ls->refinements, 1);
    }
    EXPECT_EQ(listing(), "");
}

// Refinement against factors that are not exact, so that every pass is known in closed
// form: A = 1, b = 1, W = c after the decomposition. The first solve gives 1/c, each pass
// multiplies the error by (1 - 1/c); the first relative correction is |1 - 1/c|.
// "A residual that overflows" uses A = 1.5e308, W = 1 and b = 1e10.
TEST_F(LinearSolver, RefinementPassesAndIllConditioning) {
    struct Case {
        const char* what;
        double a, w, f;
        int itref;
        double x;
        int passes;
        bool warned;
    };
    const double two53 = std::ldexp(1.0, -53);
    const std::vector<Case> cases = {
        {"no refinement keeps the first solve", 1.0, 2.0, -1.0, 0, 0.5, 0, false},
        {"residual only keeps the first solve", 1.0, 2.0, -1.0, 1, 0.5, 0, false},
        // Relative corrections 2^-(k+1)(1 + 2^-k): the 52nd, 2^-53 in single precision,
        // no longer changes 1.0. Without the single-precision rounding it takes 53.
        {"first correction exactly 0.5 refines to the end", 1.0, 2.0, -1.0, 2, 1.0 - two53, 52, false},
        {"first correction 2/3 warns, the correction stays applied", 1.0, 3.0, -1.0, 2, 5.0 / 9.0, 0, true},
        {"exact factors end after one pass with rho = 0", 4.0, 4.0, -1.0, 2, 0.25, 1, false},
        // The residual overflows: the correction is not applied and x stays finite.
        {"overflowing correction warns and is dropped", 1.5e308, 1.0, -1e10, 2, 1e10, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir d;
        Io io1{d.path(), in, out};
        set({{c.a}}, {c.f});
        LUDCMP(*ls);
        ls->W(1, 1) = c.w;
        SolverVector x{};
        LINSOL(1, *ls, x, c.itref, 0, io1);
        EXPECT_DOUBLE_EQ(x[1], c.x);
        EXPECT_EQ(ls->refinements, c.passes);
        io1.listing().flush();
        EXPECT_EQ(
            d.read("ZARNOUT.DAT"),
            c.warned ? "  *************** WARNING *******************\n     THE SYSTEM IS ILL-CONDITIONNED\n" : "");
    }
}

// Mode 2 prints each row of A with F after it, ten values a line; mode 3 the pass count;
// with ISTEP = 1 each refinement pass prints its correction vector.
TEST_F(LinearSolver, DebugPrints) {
    Rows a(10, std::vector<double>(10, 0.0));
    std::vector<double> f(10, 0.0);
    for (std::size_t i = 0; i < 10; ++i) {
        a[i][i] = 1.0;
        f[i] = -0.5;
    }
    a[0][9] = -12.34;
    set(a, f);
    SolverVector unused{};
    LINSOL(2, *ls, unused, 0, 0, io);
    ls->refinements = 3;
    LINSOL(3, *ls, unused, 0, 0, io);

    std::string expect = "\n\n  MATRIX OF A(I,I), F(I)  I=10\n\n";
    for (int i = 0; i < 10; ++i) {
        std::string row = "  ";
        for (int j = 0; j < 10; ++j)
            row += i == 0 && j == 9 ? "-.123400E+02" : (i == j ? "0.100000E+01" : "0.000000E+00");
        expect += row + "\n  -.500000E+00\n";
    }
    expect += "  NUMBER OF ITERATIVE REFINEMENTS :    3\n\n\n";

    set({{2.0, 0.0}, {0.0, 4.0}}, {-2.0, -8.0});
    LUDCMP(*ls);
    SolverVector x{};
    ASSERT_FALSE(solve(x, 2, 1));
    EXPECT_EQ(ls->refinements, 1);
    expect += " RESIDUAL VECTOR (IER = 1)\n  0.000000E+000.000000E+00\n";
    EXPECT_EQ(listing(), expect);
}

}  // namespace
}  // namespace zq
