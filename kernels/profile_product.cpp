#include "kernels/profile_product.hpp"

#include <cblas.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "kernels/lane_sums.hpp"

namespace ruvo::kernels {

// Row i gathers its band, left of the diagonal from its own row and right of
// it from the rows below, and sums it against the columns, transposed once.
void profile_multiply_rows(Profile<const double> A, const double* b, int m1, int m, double* c) {
  if (A.n < 1 || m < m1) return;
  const std::ptrdiff_t n = A.n;
  const int columns = m - m1 + 1, width = lane_width(columns);
  const std::vector<double> bt = transposed(b + (m1 - 1) * n, n, n, columns, width);
  std::vector<double> band(2 * std::size_t(A.ibd) - 1), ct(bt.size());
  for (int i = 1; i <= A.n; ++i) {
    const int lo = A.first_column(i), hi = A.last_row(i);
    std::copy(A.row(i) + lo, A.row(i) + i + 1, band.begin());
    for (int l = i + 1; l <= hi; ++l) band[std::size_t(l - lo)] = A(l, i);
    lane_sums(band.data(), hi - lo + 1, bt.data() + std::ptrdiff_t{lo - 1} * width, width,
              ct.data() + std::ptrdiff_t{i - 1} * width);
  }
  transpose_back(ct, n, n, columns, width, c + (m1 - 1) * n);
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
      cblas_dsymv(CblasColMajor, CblasUpper, k1 - k0 + 1, 1.0, work.diagonal(), work.ld(), b + (k0 - 1), 1,
                  0.0, c + (k0 - 1), 1);
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

}  // namespace ruvo::kernels
