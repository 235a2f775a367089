// Cholesky factorisation and block solution of symmetric positive definite
// matrices in profile storage (solver/profile.hpp). No I/O, no shared state.
#pragma once

#include "solver/profile.hpp"

namespace ruvo::solver {

// A pivot must exceed this absolute value for the matrix to count as
// positive definite.
inline constexpr double pivot_threshold = 1.0e-20;

// Overwrites A by its factor L (A = L·Lᵀ, same profile), column by column.
// Returns 0, or the 1-based row whose pivot was not above pivot_threshold;
// then rows and columns before it hold the factor and the rest is partly
// updated. Order 1 is refused with 1 after a(1) has been replaced by its root.
int cholesky_factor(Profile<double> A);

// Solves L·Lᵀ·z = x(:, j) for j = 1..m and stores z in x(:, j); x is n by m,
// column-major with leading dimension n. y holds n entries of work storage
// and must not overlap the columns being solved.
void cholesky_solve(Profile<const double> L, double* x, int m, double* y);

}  // namespace ruvo::solver
