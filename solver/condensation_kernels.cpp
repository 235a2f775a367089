#include "solver/condensation_kernels.hpp"

#include <algorithm>

#include "solver/cholesky.hpp"

namespace ruvo::solver {

void solve_coupling_columns(Profile<const double> l22, const double* a21, long lda, int first, int count,
                            double* z, double* work) {
  const long iy = l22.n;
  for (int c = 0; c < count; ++c) std::copy_n(a21 + (first - 1 + c) * lda, iy, z + c * iy);
  cholesky_solve(l22, z, count, work);
}

void subtract_coupling(Profile<double> a11, const double* a21, long lda, int iy, int first, int count,
                       const double* z) {
  // Column k of A21 is read once for the whole block (k outer), and stays in
  // cache while the block's columns are dotted with it.
  const int last = first + count - 1;
  for (int k = 1; k <= last; ++k) {
    const double* a21k = a21 + (k - 1) * lda;
    for (int c = std::max(0, k - first); c < count; ++c) {
      const double* zj = z + long(c) * iy;
      double s = 0.0;
      for (int m = 0; m < iy; ++m) s += zj[m] * a21k[m];
      a11.row(first + c)[k] -= s;
    }
  }
}

void subtract_record(const double* record, int iy, int j, const double* x1, long ldx, int modes, double* x2) {
  for (int i = 0; i < modes; ++i) {
    const double xji = x1[(j - 1) + i * ldx];
    double* x2i = x2 + long(i) * iy;
    for (int m = 0; m < iy; ++m) x2i[m] -= record[m] * xji;
  }
}

}  // namespace ruvo::solver
