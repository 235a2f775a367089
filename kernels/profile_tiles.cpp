#include "kernels/profile_tiles.hpp"

#include <cblas.h>

namespace ruvo::kernels {

int tile_rows(int ibd) {
  constexpr int narrowest = 48;  // below, the tiles' calls cost more than they save
  constexpr int rows = 128;
  return ibd - 1 < narrowest ? 0 : std::min(rows, ibd - 1);
}

// Above block k0..k1 the band reaches rows p0 = max(1, k0-kd) on; rows from
// q0 = max(1, k1-kd) are stored for every column of the block (a rectangle
// in place), the rows between only for the columns j <= row+kd (the wedge,
// copied with zeros). Leading columns outside the copy have no stride: the
// whole block, rows p0..k1, is gathered.
template <class T>
void TileWork::load(const ProfileTiles<T>& U, int k0, int k1) {
  const int kd = U.ibd() - 1;
  const int p0 = std::max(1, k0 - kd), q0 = std::max(1, k1 - kd);
  k0_ = k0;
  h_ = k1 - k0 + 1;
  if (k1 <= U.lead() && k1 > U.split()) {
    const int rows = k1 - p0 + 1;
    gathered_.assign(std::size_t(rows) * h_, 0.0);
    for (int j = k0; j <= k1; ++j)
      std::copy_n(U.at(U.top(j), j), j - U.top(j) + 1,
                  gathered_.data() + std::ptrdiff_t{j - k0} * rows + (U.top(j) - p0));
    ld_ = rows;
    diagonal_ = gathered_.data() + (k0 - p0);
    rectangle_ = {gathered_.data(), rows, p0, k0 - p0};
    wedge_ = {};
    return;
  }
  ld_ = U.ld();
  diagonal_ = U.at(k0, k0);
  rectangle_ = q0 < k0 ? Part{U.at(q0, k0), ld_, q0, k0 - q0} : Part{};
  const int wedge_rows = q0 - p0;
  if (wedge_rows <= 0) {
    wedge_ = {};
    return;
  }
  wedge_copy_.assign(std::size_t(wedge_rows) * h_, 0.0);
  for (int j = k0; j <= k1; ++j) {
    const int top = U.top(j);
    if (top < q0)
      std::copy_n(U.at(top, j), q0 - top,
                  wedge_copy_.data() + std::ptrdiff_t{j - k0} * wedge_rows + (top - p0));
  }
  wedge_ = {wedge_copy_.data(), wedge_rows, p0, wedge_rows};
}

// One column goes through the matrix-vector product: the matrix product
// would pack the tile for nothing.
void TileWork::above_transposed(double alpha, const double* y, double* c, int m, int n) const {
  for (const Part& part : {rectangle_, wedge_})
    if (part.rows > 0 && m == 1)
      cblas_dgemv(CblasColMajor, CblasTrans, part.rows, h_, alpha, part.data, part.ld, y + (part.row0 - 1), 1,
                  1.0, c + (k0_ - 1), 1);
    else if (part.rows > 0)
      cblas_dgemm(CblasColMajor, CblasTrans, CblasNoTrans, h_, m, part.rows, alpha, part.data, part.ld,
                  y + (part.row0 - 1), n, 1.0, c + (k0_ - 1), n);
}

void TileWork::above_product(double alpha, const double* y, double* c, int m, int n) const {
  for (const Part& part : {rectangle_, wedge_})
    if (part.rows > 0 && m == 1)
      cblas_dgemv(CblasColMajor, CblasNoTrans, part.rows, h_, alpha, part.data, part.ld, y + (k0_ - 1), 1,
                  1.0, c + (part.row0 - 1), 1);
    else if (part.rows > 0)
      cblas_dgemm(CblasColMajor, CblasNoTrans, CblasNoTrans, part.rows, m, h_, alpha, part.data, part.ld,
                  y + (k0_ - 1), n, 1.0, c + (part.row0 - 1), n);
}

template void TileWork::load(const ProfileTiles<double>&, int, int);
template void TileWork::load(const ProfileTiles<const double>&, int, int);

}  // namespace ruvo::kernels
