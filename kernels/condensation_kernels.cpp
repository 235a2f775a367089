#include "kernels/condensation_kernels.hpp"

#include <cblas.h>

#include <algorithm>

#include "kernels/cholesky.hpp"

namespace ruvo::kernels {

namespace {

// 1-based row of the first entry of a(1..n) that is not zero (NaN counts as
// not zero); n+1 when there is none.
int first_nonzero(const double* a, int n) {
  const double* hit = std::find_if(a, a + n, [](double v) { return v != 0.0; });
  return int(hit - a) + 1;
}

}  // namespace

Coupling forward_coupling(Profile<const double> l22, double* a21, long lda, int ix, const int* tops) {
  const int iy = l22.n;
  Coupling c{a21, lda, iy, ix, {}};
  for (int first = 1; first <= ix; first += coupling_block) {
    const int count = std::min(coupling_block, ix - first + 1);
    double* w = a21 + (first - 1) * lda;
    int top = iy + 1;
    for (int t = 0; t < count; ++t)
      top = std::min(top, tops ? tops[first - 1 + t] : first_nonzero(w + t * lda, iy));
    c.block_top.push_back(top);
    if (top <= iy) cholesky_forward(l22, w, lda, count, top);  // w is zero where A21 is
  }
  return c;
}

void subtract_gram(Profile<double> a11, const Coupling& c) {
  const int ix = c.ix, iy = c.iy;
  // (Wᵀ·W)(k, j) for k = 1..j of the block's columns j, leading dimension ix
  std::vector<double> t(std::size_t(std::max(ix, 0)) * coupling_block);
  for (int j0 = 1; j0 <= ix; j0 += coupling_block) {
    const int nb = std::min(coupling_block, ix - j0 + 1), top = c.top(j0);
    if (top > iy) continue;  // zero columns: nothing to take off
    const int depth = iy - top + 1;
    const double* block = c.column(j0) + (top - 1);
    if (j0 > 1)
      cblas_dgemm(CblasColMajor, CblasTrans, CblasNoTrans, j0 - 1, nb, depth, 1.0, c.column(1) + (top - 1),
                  int(c.ld), block, int(c.ld), 0.0, t.data(), ix);
    cblas_dsyrk(CblasColMajor, CblasUpper, CblasTrans, nb, depth, 1.0, block, int(c.ld), 0.0,
                t.data() + (j0 - 1), ix);
    for (int j = j0; j < j0 + nb; ++j) {
      const double* tj = t.data() + std::ptrdiff_t{j - j0} * ix - 1;  // tj[k] = (Wᵀ·W)(k, j)
      double* row = a11.row(j);
      for (int k = 1; k <= j; ++k) row[k] -= tj[k];
    }
  }
}

void solve_records(Profile<const double> l22, const Coupling& c, int first, int count, double* z) {
  for (int t = 0; t < count; ++t) std::copy_n(c.column(first + t), c.iy, z + std::ptrdiff_t{t} * c.iy);
  const int last = first + count - 1;
  if (c.top(first) <= c.iy || c.top(last) <= c.iy) cholesky_backward(l22, z, count);  // else z = 0
}

void subtract_records(const double* z, long ldz, int iy, int first, int count, const double* x1, long ldx,
                      int modes, double* x2) {
  if (iy < 1 || count < 1 || modes < 1) return;
  cblas_dgemm(CblasColMajor, CblasNoTrans, CblasNoTrans, iy, modes, count, -1.0, z, int(ldz), x1 + (first - 1),
              int(ldx), 1.0, x2, iy);
}

}  // namespace ruvo::kernels
