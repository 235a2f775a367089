#include "kernels/cholesky.hpp"

#include <cblas.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include "kernels/lane_sums.hpp"

namespace ruvo::kernels {

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
    cblas_dtrsm(CblasColMajor, CblasLeft, CblasUpper, CblasTrans, CblasNonUnit, ib, i2, 1.0, a11, ld, a12,
                ld);
    cblas_dsyrk(CblasColMajor, CblasUpper, CblasTrans, i2, ib, -1.0, a12, ld, 1.0, U.at(i + ib, i + ib), ld);
  }
  if (i3 <= 0) return;
  // Column i+kd+t of the wedge holds rows i+t..i+ib-1.
  wedge.assign(std::size_t(ib) * i3, 0.0);
  for (int t = 0; t < i3; ++t)
    std::copy_n(U.at(i + t, i + kd + t), ib - t, wedge.data() + std::ptrdiff_t{t} * ib + t);
  cblas_dtrsm(CblasColMajor, CblasLeft, CblasUpper, CblasTrans, CblasNonUnit, ib, i3, 1.0, a11, ld,
              wedge.data(), ib);
  if (i2 > 0)
    cblas_dgemm(CblasColMajor, CblasTrans, CblasNoTrans, i2, i3, ib, -1.0, a12, ld, wedge.data(), ib, 1.0,
                U.at(i + ib, i + kd), ld);
  cblas_dsyrk(CblasColMajor, CblasUpper, CblasTrans, i3, ib, -1.0, wedge.data(), ib, 1.0,
              U.at(i + kd, i + kd), ld);
  for (int t = 0; t < i3; ++t)
    std::copy_n(wedge.data() + std::ptrdiff_t{t} * ib + t, ib - t, U.at(i + t, i + kd + t));
}

// L·Y = Y in place, from row `from` on (Y is zero before it); Y is a block
// transposed into rows of width entries (kernels/lane_sums.hpp).
void forward_substitute(Profile<const double> L, double* yt, int width, int from) {
  std::vector<double> s(static_cast<std::size_t>(width));
  for (int i = from; i <= L.n; ++i) {
    const int lo = L.first_column(i);
    const double* ri = L.row(i);
    lane_sums(ri + lo, i - lo, yt + std::ptrdiff_t{lo - 1} * width, width, s.data());
    double* yi = yt + std::ptrdiff_t{i - 1} * width;
    for (int j = 0; j < width; ++j) yi[j] = (yi[j] - s[std::size_t(j)]) / ri[i];
  }
}

// Lᵀ·Y = Y in place, column i of L gathered below its diagonal; the last
// pivot enters as its reciprocal.
void backward_substitute(Profile<const double> L, double* yt, int width) {
  const double last_reciprocal = 1.0 / L(L.n, L.n);
  double* yn = yt + std::ptrdiff_t{L.n - 1} * width;
  for (int j = 0; j < width; ++j) yn[j] *= last_reciprocal;
  std::vector<double> column(static_cast<std::size_t>(L.ibd)), s(static_cast<std::size_t>(width));
  for (int i = L.n - 1; i >= 1; --i) {
    const int hi = L.last_row(i);
    for (int k = i + 1; k <= hi; ++k) column[std::size_t(k - i - 1)] = L(k, i);
    lane_sums(column.data(), hi - i, yt + std::ptrdiff_t{i} * width, width, s.data());
    double* yi = yt + std::ptrdiff_t{i - 1} * width;
    for (int j = 0; j < width; ++j) yi[j] = (yi[j] - s[std::size_t(j)]) / L(i, i);
  }
}

// The m columns of x (leading dimension ld) through the row-by-row halves.
template <class F>
void solve_rows(Profile<const double> L, double* x, std::ptrdiff_t ld, int m, F halves) {
  if (m < 1) return;
  const int width = lane_width(m);
  std::vector<double> t = transposed(x, ld, L.n, m, width);
  halves(t.data(), width);
  transpose_back(t, ld, L.n, m, width, x);
}

}  // namespace

int cholesky_factor_rows(Profile<double> A) { return factor_rows(ProfileRows{A}, 1, A.n, A.ibd); }

int factor_copied(Profile<const double> A) {
  const int lead = ProfileTiles<const double>::leading_columns(A);
  return std::min(A.n, lead + A.ibd - 1);
}

// Tiles of nb rows: those of the leading columns in the copy (whose updates
// reach the copied columns after them), the rest in place.
int cholesky_factor_tiles(ProfileTiles<double>& U, int nb, LeadingColumns leading) {
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
  if (leading == LeadingColumns::written_back) U.write_back_leading(lead);
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

void cholesky_solve_rows(Profile<const double> L, double* x, int m) {
  solve_rows(L, x, L.n, m, [&](double* t, int width) {
    forward_substitute(L, t, width, 1);
    backward_substitute(L, t, width);
  });
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
void cholesky_forward_tiles(const ProfileTiles<T>& U, double* x, long ldx, int m, int nb, int from) {
  if (m < 1) return;
  TileWork work;
  for (auto [k0, k1] : column_blocks(U.n(), U.lead(), nb)) {
    if (k1 < from) continue;
    work.load(U, k0, k1);
    work.above_transposed(-1.0, x, x, m, int(ldx));
    cblas_dtrsm(CblasColMajor, CblasLeft, CblasUpper, CblasTrans, CblasNonUnit, k1 - k0 + 1, m, 1.0,
                work.diagonal(), work.ld(), x + (k0 - 1), int(ldx));
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
  cholesky_forward_tiles(U, x, U.n(), m, nb);
  cholesky_backward_tiles(U, x, m, nb);
}

#define RUVO_TILE_SOLVES(T)                                                                   \
  template void cholesky_forward_tiles(const ProfileTiles<T>&, double*, long, int, int, int); \
  template void cholesky_backward_tiles(const ProfileTiles<T>&, double*, int, int);           \
  template void cholesky_solve_tiles(const ProfileTiles<T>&, double*, int, int);
RUVO_TILE_SOLVES(double)
RUVO_TILE_SOLVES(const double)
#undef RUVO_TILE_SOLVES

void cholesky_solve(Profile<const double> L, double* x, int m) {
  const int nb = tile_rows(L.ibd);
  if (nb == 0 || m < 1) {
    cholesky_solve_rows(L, x, m);
    return;
  }
  const ProfileTiles<const double> U(L, 0);
  cholesky_solve_tiles(U, x, m, nb);
}

void cholesky_forward(Profile<const double> L, double* x, long ldx, int m, int from) {
  const int nb = tile_rows(L.ibd);
  if (nb > 0) {
    cholesky_forward_tiles(ProfileTiles<const double>(L, 0), x, ldx, m, nb, from);
    return;
  }
  solve_rows(L, x, ldx, m, [&](double* t, int width) { forward_substitute(L, t, width, from); });
}

void cholesky_backward(Profile<const double> L, double* x, int m) {
  const int nb = tile_rows(L.ibd);
  if (nb > 0) {
    cholesky_backward_tiles(ProfileTiles<const double>(L, 0), x, m, nb);
    return;
  }
  solve_rows(L, x, L.n, m, [&](double* t, int width) { backward_substitute(L, t, width); });
}

}  // namespace ruvo::kernels
