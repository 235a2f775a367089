// Cholesky factorisation and block solution of symmetric positive definite
// matrices in profile storage (kernels/profile.hpp). No I/O, no shared state.
//
// Bands of at least tile_rows' width go through BLAS tiles
// (kernels/profile_tiles.hpp); narrower ones row by row, the columns of a
// solution side by side (kernels/lane_sums.hpp). Both paths are exposed for
// the tests that hold them against each other.
#pragma once

#include "kernels/profile.hpp"
#include "kernels/profile_tiles.hpp"

namespace ruvo::kernels {

// A pivot must exceed this absolute value for the matrix to count as
// positive definite.
inline constexpr double pivot_threshold = 1.0e-20;

// Overwrites A by its factor L (A = L·Lᵀ, same profile), column by column.
// Returns 0, or the 1-based row whose pivot was not above pivot_threshold;
// then rows and columns before it hold the factor and the rest is partly
// updated. Order 1 is refused with 1 after a(1) has been replaced by its root.
int cholesky_factor(Profile<double> A);

// Solves L·Lᵀ·z = x(:, j) for j = 1..m and stores z in x(:, j); x is n by m,
// column-major with leading dimension n.
void cholesky_solve(Profile<const double> L, double* x, int m);

// The two halves of cholesky_solve: x = L⁻¹·x, and x = L⁻ᵀ·x, for the m
// columns of x (n by m, leading dimension ldx >= n for the forward half, n
// for the backward one). Rows before `from` are zero in every column of x on
// entry to the forward half; the blocks wholly above it are skipped (their
// rows stay zero).
void cholesky_forward(Profile<const double> L, double* x, long ldx, int m, int from = 1);
void cholesky_backward(Profile<const double> L, double* x, int m);

// The row-by-row paths.
int cholesky_factor_rows(Profile<double> A);
void cholesky_solve_rows(Profile<const double> L, double* x, int m);

// The tiled paths, nb rows per tile (1 <= nb <= ibd-1). The factor works on
// tiles built with factor_copied(A) columns copied and leaves them ready for
// cholesky_solve_tiles (the leading columns stay in the copy); both the
// copy and the profile hold the factor on return, also on failure, unless
// the leading columns are to stay in the copy alone (the profile's leading
// columns then keep A: a full triangle keeps A whole).
enum class LeadingColumns { written_back, copy_only };
int factor_copied(Profile<const double> A);
int cholesky_factor_tiles(ProfileTiles<double>& A, int nb,
                          LeadingColumns leading = LeadingColumns::written_back);
template <class T>
void cholesky_solve_tiles(const ProfileTiles<T>& L, double* x, int m, int nb);

// The two halves of cholesky_solve_tiles (see cholesky_forward). The forward half alone gives
// a condensation: with W = L⁻¹·C, Cᵀ·A⁻¹·C = Wᵀ·W (one symmetric rank-k
// update, DSYRK, with W as it stands).
template <class T>
void cholesky_forward_tiles(const ProfileTiles<T>& L, double* x, long ldx, int m, int nb, int from = 1);
template <class T>
void cholesky_backward_tiles(const ProfileTiles<T>& L, double* x, int m, int nb);

}  // namespace ruvo::kernels
