#include "solver/profile_tiles.hpp"

#include <cblas.h>

namespace ruvo::solver {

namespace {

// The engine runs one analysis per process and sweeps run several processes:
// one BLAS thread unless the host raises it (openblas_set_num_threads).
const bool one_blas_thread = (openblas_set_num_threads(1), true);

}  // namespace

int tile_rows(int ibd) {
  constexpr int narrowest = 48;  // below, the tiles' calls cost more than they save
  constexpr int rows = 96;
  (void)one_blas_thread;
  return ibd - 1 < narrowest ? 0 : std::min(rows, ibd - 1);
}

// Above block k0..k1 the band reaches rows p0 = max(1, k0-kd) on; rows from
// q0 = max(1, k1-kd) are stored for every column of the block (a rectangle
// in place), the rows between only for the columns j <= row+kd (the wedge).
template <class T>
int TileWork::gather_wedge(const ProfileTiles<T>& U, int k0, int k1, int& p0) {
  const int kd = U.ibd() - 1;
  p0 = std::max(1, k0 - kd);
  const int rows = std::max(1, k1 - kd) - p0;
  if (rows <= 0) return 0;
  const int h = k1 - k0 + 1;
  wedge_.assign(std::size_t(rows) * h, 0.0);
  for (int j = k0; j <= k1; ++j) {
    const int top = U.top(j);
    if (top >= p0 + rows) continue;
    std::copy_n(U.at(top, j), p0 + rows - top, wedge_.data() + std::ptrdiff_t{j - k0} * rows + (top - p0));
  }
  return rows;
}

template <class T>
void TileWork::above_transposed(const ProfileTiles<T>& U, int k0, int k1, double alpha, const double* y,
                                double* c, int m) {
  const int n = U.n(), h = k1 - k0 + 1;
  const int q0 = std::max(1, k1 - (U.ibd() - 1));
  if (q0 < k0)
    cblas_dgemm(CblasColMajor, CblasTrans, CblasNoTrans, h, m, k0 - q0, alpha, U.at(q0, k0), U.ld(),
                y + (q0 - 1), n, 1.0, c + (k0 - 1), n);
  int p0 = 0;
  if (const int rows = gather_wedge(U, k0, k1, p0))
    cblas_dgemm(CblasColMajor, CblasTrans, CblasNoTrans, h, m, rows, alpha, wedge_.data(), rows,
                y + (p0 - 1), n, 1.0, c + (k0 - 1), n);
}

template <class T>
void TileWork::above_product(const ProfileTiles<T>& U, int k0, int k1, double alpha, const double* y,
                             double* c, int m) {
  const int n = U.n(), h = k1 - k0 + 1;
  const int q0 = std::max(1, k1 - (U.ibd() - 1));
  if (q0 < k0)
    cblas_dgemm(CblasColMajor, CblasNoTrans, CblasNoTrans, k0 - q0, m, h, alpha, U.at(q0, k0), U.ld(),
                y + (k0 - 1), n, 1.0, c + (q0 - 1), n);
  int p0 = 0;
  if (const int rows = gather_wedge(U, k0, k1, p0))
    cblas_dgemm(CblasColMajor, CblasNoTrans, CblasNoTrans, rows, m, h, alpha, wedge_.data(), rows,
                y + (k0 - 1), n, 1.0, c + (p0 - 1), n);
}

template void TileWork::above_transposed(const ProfileTiles<double>&, int, int, double, const double*,
                                         double*, int);
template void TileWork::above_transposed(const ProfileTiles<const double>&, int, int, double,
                                         const double*, double*, int);
template void TileWork::above_product(const ProfileTiles<double>&, int, int, double, const double*,
                                      double*, int);
template void TileWork::above_product(const ProfileTiles<const double>&, int, int, double, const double*,
                                      double*, int);

}  // namespace ruvo::solver
