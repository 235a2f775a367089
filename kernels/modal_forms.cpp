#include "kernels/modal_forms.hpp"

#include <cblas.h>

#include <vector>

namespace ruvo::kernels {

namespace {

// Φ by rows, the m values of each freedom side by side: the inner loops run
// over the modes in contiguous memory.
std::vector<double> by_rows(Vectors phi) {
  std::vector<double> rows(std::size_t(phi.n) * std::size_t(phi.m));
  for (int k = 0; k < phi.m; ++k)
    for (int i = 0; i < phi.n; ++i) rows[std::size_t(i) * std::size_t(phi.m) + std::size_t(k)] = phi(i, k);
  return rows;
}

// form += x·yᵀ + y·xᵀ for vectors of length m.
void add_symmetric_product(const double* x, const double* y, int m, double* form) {
  for (int l = 0; l < m; ++l)
    for (int k = 0; k < m; ++k) form[std::ptrdiff_t(l) * m + k] += x[k] * y[l] + y[k] * x[l];
}

}  // namespace

void add_profile_form(Profile<const double> a, Vectors phi, double* form) {
  const int m = phi.m;
  const std::vector<double> rows = by_rows(phi);
  const auto row_of = [&](int i) { return rows.data() + std::ptrdiff_t(i - 1) * m; };  // 1-based freedom
  std::vector<double> sum(std::size_t(m), 0.0);
  for (int i = 1; i <= a.n; ++i) {
    // sum = Σ_{j < i} a(i, j)·φ_j + a(i, i)/2·φ_i: the row's share, the
    // diagonal halved since the product is taken with its transpose; a row
    // of zeros (most rows of a stiffener's or a load's part) adds nothing
    std::fill(sum.begin(), sum.end(), 0.0);
    bool any = false;
    const double* entries = a.row(i);
    for (int j = a.first_column(i); j <= i; ++j) {
      const double v = j == i ? 0.5 * entries[j] : entries[j];
      if (v == 0.0) continue;
      any = true;
      const double* phi_j = row_of(j);
      for (int k = 0; k < m; ++k) sum[std::size_t(k)] += v * phi_j[k];
    }
    if (any) add_symmetric_product(row_of(i), sum.data(), m, form);
  }
}

void add_coupling_form(const double* c, int ldc, Vectors t, Vectors w, double* form) {
  const int m = t.m;
  if (t.n < 1 || w.n < 1 || m < 1) return;
  // P = C·W (t.n × m), then G = Tᵀ·P, and form += G + Gᵀ
  std::vector<double> p(std::size_t(t.n) * std::size_t(m)), g(std::size_t(m) * std::size_t(m));
  cblas_dgemm(CblasColMajor, CblasNoTrans, CblasNoTrans, t.n, m, w.n, 1.0, c, ldc, w.v, w.ld, 0.0, p.data(), t.n);
  cblas_dgemm(CblasColMajor, CblasTrans, CblasNoTrans, m, m, t.n, 1.0, t.v, t.ld, p.data(), t.n, 0.0, g.data(), m);
  for (int l = 0; l < m; ++l)
    for (int k = 0; k < m; ++k) form[std::ptrdiff_t(l) * m + k] += g[std::size_t(l) * m + k] + g[std::size_t(k) * m + l];
}

}  // namespace ruvo::kernels
