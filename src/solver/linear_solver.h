// Linear solver of the Newton step J * delta = -F: Gaussian elimination with partial
// pivoting (LUDCMP), substitution with the stored factors (LUSOLV) and the callers' entry
// LINSOL (solve with optional iterative refinement, matrix print, refinement-count print).
// The gas/boiling code uses the same routines on its own small systems.
#pragma once

#include <array>
#include <cstddef>

#include "thermo/system_tables.h"

namespace zq {

class Io;

using SolverVector = Table<double, MAX_ORDER>;

// Storage of one linear system of order n <= MAX_ORDER. The matrices are column-major
// with leading dimension MAX_ORDER and addressed 1-based through A(i, j) and W(i, j).
// The owner (the Newton iteration) fills A, F and n; LUDCMP fills W and iv; LINSOL
// keeps b, r and the refinement count of its last solve. Nothing here allocates.
struct LinearSystem {
    static constexpr int LD = MAX_ORDER;

    std::array<double, static_cast<std::size_t>(LD) * LD> a{};  // the Jacobian, never changed
    std::array<double, static_cast<std::size_t>(LD) * LD> w{};  // LU factors of the last LUDCMP
    SolverVector f{};                                           // residuals
    Table<int, MAX_ORDER> iv{};  // pivot rows; iv[n] = +1/-1 permutation sign, 0 = singular
    int n = 0;                   // order of the current system
    SolverVector b{};            // -F, kept for the refinement residual
    SolverVector r{};            // residual / correction of the refinement
    int refinements = 0;         // refinement passes of the last mode-1 solve

    double& A(int i, int j) { return a[idx(i, j)]; }
    double A(int i, int j) const { return a[idx(i, j)]; }
    double& W(int i, int j) { return w[idx(i, j)]; }
    double W(int i, int j) const { return w[idx(i, j)]; }
    // Row i of A as a pointer and the offset of column j from it: A(i, j) is
    // row(i)[column_offset(j)].
    double* row(int i) { return &a[idx(i, 1)]; }
    // Column j of W from row i down, as a pointer to W(i, j).
    const double* w_column(int i, int j) const { return &w[idx(i, j)]; }
    static std::size_t column_offset(int j) { return idx(1, j); }

private:
    static std::size_t idx(int i, int j) {
        assert(i >= 1 && i <= LD && j >= 1 && j <= LD);
        return static_cast<std::size_t>(j - 1) * LD + static_cast<std::size_t>(i - 1);
    }
};

// Copies A into W and factorises W in place: U in the upper triangle, the negated
// multipliers below the diagonal, pivot rows in iv[1..n-1], permutation sign in iv[n]
// (0 when a zero pivot column or a zero last pivot makes the matrix singular).
void LUDCMP(LinearSystem& ls);

// Overwrites x[1..n] by the solution of (factored W) x = x, using iv.
void LUSOLV(const LinearSystem& ls, SolverVector& x);

// mode 1: x = delta = -A^-1 F, refined by itref (0 none, 1 residual only, else refined);
//         a singular factorisation (or a correction that is not a number) writes the
//         singularity warning to the listing and returns false.
// mode 2: prints A and F to the listing.
// mode 3: prints the refinement count of the last mode-1 solve to the listing.
// istep = 1 adds the residual-vector print of each refinement pass. Returns true but for a
// singular mode-1 solve.
bool LINSOL(int mode, LinearSystem& ls, SolverVector& x, int itref, int istep, Io& io);

}  // namespace zq
