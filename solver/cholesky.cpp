#include "solver/cholesky.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace ruvo::solver {

// Row by row: the diagonal of row i from its own stored part, then the
// entries of column i in the rows below that the band reaches.
int cholesky_factor(Profile<double> A) {
  double& first = A(1, 1);
  if (!(first > pivot_threshold)) return 1;  // NaN fails as well
  first = std::sqrt(first);
  if (A.n == 1) return 1;
  for (int k = 2; k <= A.ibd; ++k) A(k, 1) /= first;

  for (int i = 2; i <= A.n; ++i) {
    double* ri = A.row(i);
    double s = 0.0;
    for (int j = A.first_column(i); j < i; ++j) s += ri[j] * ri[j];
    const double d = ri[i] - s;
    if (!(d > pivot_threshold)) return i;
    ri[i] = std::sqrt(d);
    if (i == A.n) return 0;

    for (int k = i + 1; k <= A.last_row(i); ++k) {
      double* rk = A.row(k);
      double t = 0.0;
      for (int j = A.first_column(k); j < i; ++j) t += rk[j] * ri[j];
      rk[i] = (rk[i] - t) / ri[i];
    }
  }
  return 0;
}

namespace {

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

void cholesky_solve(Profile<const double> L, double* x, int m, double* y) {
  const double last_reciprocal = 1.0 / L(L.n, L.n);
  for (int j = 0; j < m; ++j) {
    double* column = x + std::ptrdiff_t{j} * L.n;
    std::copy(column, column + L.n, y);
    forward_substitute(L, y);
    backward_substitute(L, last_reciprocal, y);
    std::copy(y, y + L.n, column);
  }
}

}  // namespace ruvo::solver
