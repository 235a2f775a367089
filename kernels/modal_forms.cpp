#include "kernels/modal_forms.hpp"

#include <vector>

namespace ruvo::kernels {

namespace {

// form += x·yᵀ + y·xᵀ for vectors of length m.
void add_symmetric_product(const double* x, const double* y, int m, double* form) {
  for (int l = 0; l < m; ++l)
    for (int k = 0; k < m; ++k) form[std::ptrdiff_t(l) * m + k] += x[k] * y[l] + y[k] * x[l];
}

}  // namespace

void add_profile_form(Profile<const double> a, Vectors phi, double* form) {
  const int m = phi.m;
  std::vector<double> row(std::size_t(m), 0.0), own(std::size_t(m), 0.0);
  for (int i = 1; i <= a.n; ++i) {
    // row = Σ_{j < i} a(i, j)·φ_j + a(i, i)/2·φ_i: the row's share, the
    // diagonal halved since the product is taken with its transpose
    std::fill(row.begin(), row.end(), 0.0);
    const double* entries = a.row(i);
    for (int j = a.first_column(i); j <= i; ++j) {
      const double v = j == i ? 0.5 * entries[j] : entries[j];
      if (v == 0.0) continue;
      for (int k = 0; k < m; ++k) row[std::size_t(k)] += v * phi(j - 1, k);
    }
    for (int k = 0; k < m; ++k) own[std::size_t(k)] = phi(i - 1, k);
    add_symmetric_product(own.data(), row.data(), m, form);
  }
}

void add_coupling_form(const double* c, int ldc, Vectors t, Vectors w, double* form) {
  const int m = t.m;
  std::vector<double> column(std::size_t(m), 0.0), own(std::size_t(m), 0.0);
  for (int j = 0; j < w.n; ++j) {
    // column = Tᵀ·C(:, j), then its product with W's row j
    std::fill(column.begin(), column.end(), 0.0);
    const double* cj = c + std::ptrdiff_t(j) * ldc;
    for (int i = 0; i < t.n; ++i) {
      if (cj[i] == 0.0) continue;
      for (int k = 0; k < m; ++k) column[std::size_t(k)] += cj[i] * t(i, k);
    }
    for (int k = 0; k < m; ++k) own[std::size_t(k)] = w(j, k);
    add_symmetric_product(column.data(), own.data(), m, form);
  }
}

}  // namespace ruvo::kernels
