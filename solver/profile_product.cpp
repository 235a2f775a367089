#include "solver/profile_product.hpp"

#include <cblas.h>

#include <cstddef>
#include <vector>

namespace ruvo::solver {

// Row i gathers the positions of (i, l) for every l its band reaches, left of
// the diagonal in its own row and right of it in the rows below, then forms
// each column's sum in increasing l.
void profile_multiply_rows(Profile<const double> A, const double* b, int m1, int m, double* c) {
  if (A.n < 1 || m < m1) return;
  const std::ptrdiff_t n = A.n;
  std::vector<const double*> entry(2 * std::size_t(A.ibd) - 1);
  for (int i = 1; i <= A.n; ++i) {
    const int lo = A.first_column(i);
    const int hi = A.last_row(i);
    for (int l = lo; l <= hi; ++l) entry[l - lo] = &A.symmetric(i, l);
    for (int j = m1; j <= m; ++j) {
      const double* bj = b + (j - 1) * n;
      double s = 0.0;
      for (int l = lo; l <= hi; ++l) s += *entry[l - lo] * bj[l - 1];
      c[(j - 1) * n + (i - 1)] = s;
    }
  }
}

// Block by block, ascending: the diagonal tile sets the block's rows, the
// band above adds its transpose to them and itself to the rows above.
template <class T>
void profile_multiply_tiles(const ProfileTiles<T>& A, const double* b, int m1, int m, double* c, int nb) {
  const int n = A.n();
  if (n < 1 || m < m1) return;
  const std::ptrdiff_t first = std::ptrdiff_t{m1 - 1} * n;
  const int columns = m - m1 + 1;
  b += first;
  c += first;
  TileWork work;
  for_each_block(n, A.lead(), nb, [&](int k0, int k1) {
    work.load(A, k0, k1);
    if (columns == 1)
      cblas_dsymv(CblasColMajor, CblasUpper, k1 - k0 + 1, 1.0, work.diagonal(), work.ld(), b + (k0 - 1), 1, 0.0,
                  c + (k0 - 1), 1);
    else
      cblas_dsymm(CblasColMajor, CblasLeft, CblasUpper, k1 - k0 + 1, columns, 1.0, work.diagonal(), work.ld(),
                  b + (k0 - 1), n, 0.0, c + (k0 - 1), n);
    work.above_transposed(1.0, b, c, columns, n);
    work.above_product(1.0, b, c, columns, n);
  });
}

template void profile_multiply_tiles(const ProfileTiles<double>&, const double*, int, int, double*, int);
template void profile_multiply_tiles(const ProfileTiles<const double>&, const double*, int, int, double*,
                                     int);

void profile_multiply(Profile<const double> A, const double* b, int m1, int m, double* c) {
  const int nb = tile_rows(A.ibd);
  if (nb == 0 || A.n < 1 || m < m1) {
    profile_multiply_rows(A, b, m1, m, c);
    return;
  }
  profile_multiply_tiles(ProfileTiles<const double>(A, 0), b, m1, m, c, nb);
}

}  // namespace ruvo::solver
