#include "solver/cholesky.hpp"

#include <cblas.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace ruvo::solver {

namespace {

// Rows from..to of L, row by row: the diagonal of row i from its own stored
// part, then the entries of column i in the rows below that the band
// reaches. rows.entries(i) points at entry (i, rows.first(i)), and row i is
// contiguous up to its diagonal; columns before first(i) are either outside
// the band or already subtracted (the tiles' update).
template <class Rows>
int factor_rows(const Rows& rows, int from, int to, int ibd) {
  for (int i = from; i <= to; ++i) {
    const int fi = rows.first(i);
    double* ri = rows.entries(i) - fi;  // ri[j] is entry (i, j)
    double s = 0.0;
    for (int j = fi; j < i; ++j) s += ri[j] * ri[j];
    const double d = ri[i] - s;
    if (!(d > pivot_threshold)) return i;  // NaN fails as well
    ri[i] = std::sqrt(d);

    for (int k = i + 1; k <= std::min(to, i + ibd - 1); ++k) {
      const int fk = rows.first(k);
      double* rk = rows.entries(k) - fk;
      double t = 0.0;
      for (int j = fk; j < i; ++j) t += rk[j] * ri[j];
      rk[i] = (rk[i] - t) / ri[i];
    }
  }
  return 0;
}

struct ProfileRows {
  Profile<double> A;
  int first(int i) const { return A.first_column(i); }
  double* entries(int i) const { return &A(i, first(i)); }
};

// The diagonal tile of rows i0.. of the tiled factor: every entry inside the band.
struct TileRows {
  ProfileTiles<double>& U;
  int i0;
  int first(int) const { return i0; }
  double* entries(int i) const { return U.at(i0, i); }
};

// The right-looking step of LAPACK's band factorisation on the rows i..i+ib-1
// of U once their diagonal tile is factored: the rows of U beside it
// (A12 in band, A13 the wedge at the band's edge) and the updates of the
// trailing tiles they touch.
void update_beside(ProfileTiles<double>& U, int i, int ib, std::vector<double>& wedge) {
  const int n = U.n(), kd = U.ibd() - 1, ld = U.ld();
  const int i2 = std::min(kd - ib, n - i - ib + 1);
  const int i3 = std::min(ib, n - i - kd + 1);
  const double* a11 = U.at(i, i);
  double* a12 = i2 > 0 ? U.at(i, i + ib) : nullptr;
  if (i2 > 0) {
    cblas_dtrsm(CblasColMajor, CblasLeft, CblasUpper, CblasTrans, CblasNonUnit, ib, i2, 1.0, a11, ld, a12, ld);
    cblas_dsyrk(CblasColMajor, CblasUpper, CblasTrans, i2, ib, -1.0, a12, ld, 1.0, U.at(i + ib, i + ib), ld);
  }
  if (i3 <= 0) return;
  // Column i+kd+t of the wedge holds rows i+t..i+ib-1.
  wedge.assign(std::size_t(ib) * i3, 0.0);
  for (int t = 0; t < i3; ++t) std::copy_n(U.at(i + t, i + kd + t), ib - t, wedge.data() + std::ptrdiff_t{t} * ib + t);
  cblas_dtrsm(CblasColMajor, CblasLeft, CblasUpper, CblasTrans, CblasNonUnit, ib, i3, 1.0, a11, ld, wedge.data(), ib);
  if (i2 > 0)
    cblas_dgemm(CblasColMajor, CblasTrans, CblasNoTrans, i2, i3, ib, -1.0, a12, ld, wedge.data(), ib, 1.0,
                U.at(i + ib, i + kd), ld);
  cblas_dsyrk(CblasColMajor, CblasUpper, CblasTrans, i3, ib, -1.0, wedge.data(), ib, 1.0, U.at(i + kd, i + kd), ld);
  for (int t = 0; t < i3; ++t) std::copy_n(wedge.data() + std::ptrdiff_t{t} * ib + t, ib - t, U.at(i + t, i + kd + t));
}

// L·y = y in place.
void forward_substitute(Profile<const double> L, double* y) {
  y[0] /= L(1, 1);
  for (int i = 2; i <= L.n; ++i) {
    const double* ri = L.row(i);
    double s = 0.0;
    for (int k = L.first_column(i); k < i; ++k) s += ri[k] * y[k - 1];
    y[i - 1] = (y[i - 1] - s) / ri[i];
  }
}

// Lᵀ·y = y in place; the last pivot enters as its precomputed reciprocal.
void backward_substitute(Profile<const double> L, double last_reciprocal, double* y) {
  y[L.n - 1] *= last_reciprocal;
  for (int i = L.n - 1; i >= 1; --i) {
    double s = 0.0;
    for (int k = i + 1; k <= L.last_row(i); ++k) s += L(k, i) * y[k - 1];
    y[i - 1] = (y[i - 1] - s) / L(i, i);
  }
}

}  // namespace

int cholesky_factor_rows(Profile<double> A) { return factor_rows(ProfileRows{A}, 1, A.n, A.ibd); }

int factor_copied(Profile<const double> A) {
  const int lead = ProfileTiles<const double>::leading_columns(A);
  return std::min(A.n, lead + A.ibd - 1);
}

// Tiles of nb rows: those of the leading columns in the copy (whose updates
// reach the copied columns after them), the rest in place.
int cholesky_factor_tiles(ProfileTiles<double>& U, int nb) {
  const int lead = U.lead();
  std::vector<double> wedge;
  int failed = 0;
  for_each_block(U.n(), lead, nb, [&](int k0, int k1) {
    if (failed) return;
    if (k0 == lead + 1) U.write_back(k0);
    failed = factor_rows(TileRows{U, k0}, k0, k1, U.ibd());
    if (!failed) update_beside(U, k0, k1 - k0 + 1, wedge);
  });
  U.write_back(lead + 1);  // when the factorisation stopped in the leading columns
  U.write_back_leading(lead);
  return failed;
}

int cholesky_factor(Profile<double> A) {
  const int nb = tile_rows(A.ibd);
  int row = 0;
  if (nb == 0) {
    row = cholesky_factor_rows(A);
  } else {
    ProfileTiles<double> U(A, factor_copied(A));
    row = cholesky_factor_tiles(U, nb);
  }
  return row == 0 && A.n == 1 ? 1 : row;
}

void cholesky_solve_rows(Profile<const double> L, double* x, int m, double* y) {
  const double last_reciprocal = 1.0 / L(L.n, L.n);
  for (int j = 0; j < m; ++j) {
    double* column = x + std::ptrdiff_t{j} * L.n;
    std::copy(column, column + L.n, y);
    forward_substitute(L, y);
    backward_substitute(L, last_reciprocal, y);
    std::copy(y, y + L.n, column);
  }
}

namespace {

std::vector<std::pair<int, int>> column_blocks(int n, int lead, int nb) {
  std::vector<std::pair<int, int>> blocks;
  for_each_block(n, lead, nb, [&](int k0, int k1) { blocks.emplace_back(k0, k1); });
  return blocks;
}

}  // namespace

// Each block of rows takes off what the rows above contribute, then solves
// with its diagonal tile.
template <class T>
void cholesky_forward_tiles(const ProfileTiles<T>& U, double* x, int m, int nb) {
  if (m < 1) return;
  const int n = U.n();
  TileWork work;
  for (auto [k0, k1] : column_blocks(n, U.lead(), nb)) {
    work.load(U, k0, k1);
    work.above_transposed(-1.0, x, x, m, n);
    cblas_dtrsm(CblasColMajor, CblasLeft, CblasUpper, CblasTrans, CblasNonUnit, k1 - k0 + 1, m, 1.0,
                work.diagonal(), work.ld(), x + (k0 - 1), n);
  }
}

// From the last block up: solve with the diagonal tile, then take the block's
// share off the rows above.
template <class T>
void cholesky_backward_tiles(const ProfileTiles<T>& U, double* x, int m, int nb) {
  if (m < 1) return;
  const int n = U.n();
  TileWork work;
  const auto blocks = column_blocks(n, U.lead(), nb);
  for (auto b = blocks.rbegin(); b != blocks.rend(); ++b) {
    const auto [k0, k1] = *b;
    work.load(U, k0, k1);
    cblas_dtrsm(CblasColMajor, CblasLeft, CblasUpper, CblasNoTrans, CblasNonUnit, k1 - k0 + 1, m, 1.0,
                work.diagonal(), work.ld(), x + (k0 - 1), n);
    work.above_product(-1.0, x, x, m, n);
  }
}

template <class T>
void cholesky_solve_tiles(const ProfileTiles<T>& U, double* x, int m, int nb) {
  cholesky_forward_tiles(U, x, m, nb);
  cholesky_backward_tiles(U, x, m, nb);
}

#define RUVO_TILE_SOLVES(T)                                                     \
  template void cholesky_forward_tiles(const ProfileTiles<T>&, double*, int, int);  \
  template void cholesky_backward_tiles(const ProfileTiles<T>&, double*, int, int); \
  template void cholesky_solve_tiles(const ProfileTiles<T>&, double*, int, int);
RUVO_TILE_SOLVES(double)
RUVO_TILE_SOLVES(const double)
#undef RUVO_TILE_SOLVES

void cholesky_solve(Profile<const double> L, double* x, int m, double* y) {
  const int nb = tile_rows(L.ibd);
  if (nb == 0 || m < 1) {
    cholesky_solve_rows(L, x, m, y);
    return;
  }
  const ProfileTiles<const double> U(L, 0);
  cholesky_solve_tiles(U, x, m, nb);
}

}  // namespace ruvo::solver
