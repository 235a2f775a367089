#include "solver/profile_product.hpp"

#include <cstddef>
#include <vector>

namespace ruvo::solver {

// Row i gathers the positions of (i, l) for every l its band reaches, left of
// the diagonal in its own row and right of it in the rows below, then forms
// each column's sum in increasing l.
void profile_multiply(Profile<const double> A, const double* b, int m1, int m, double* c) {
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

}  // namespace ruvo::solver
