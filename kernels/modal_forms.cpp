#include "kernels/modal_forms.hpp"

#include <cblas.h>

#include <vector>

#include "kernels/lane_sums.hpp"

namespace ruvo::kernels {

namespace {

// form += x·yᵀ + y·xᵀ for vectors of length m.
void add_symmetric_product(const double* x, const double* y, int m, double* form) {
  for (int l = 0; l < m; ++l)
    for (int k = 0; k < m; ++k) form[std::ptrdiff_t(l) * m + k] += x[k] * y[l] + y[k] * x[l];
}

}  // namespace

void add_profile_form(Profile<const double> a, Vectors phi, double* form) {
  const int m = phi.m, width = lane_width(m);
  // Φ by rows, the modes of each freedom side by side: one pass over a row's
  // band sums all modes in vector registers
  const std::vector<double> rows = transposed(phi.v, phi.ld, phi.n, m, width);
  const auto row_of = [&](int i) { return rows.data() + std::ptrdiff_t(i - 1) * width; };  // 1-based freedom
  std::vector<double> sum(std::size_t(width), 0.0);
  for (int i = 1; i <= a.n; ++i) {
    const double* entries = a.row(i);
    const int first = a.first_column(i);
    // a row of zeros (most rows of a stiffener's or a load's part) adds nothing
    if (all_zero(entries + first, i - first + 1)) continue;
    // sum = Σ_{j < i} a(i, j)·φ_j + a(i, i)/2·φ_i: the row's share, the
    // diagonal halved since the product is taken with its transpose
    lane_sums(entries + first, i - first, row_of(first), width, sum.data());
    const double* phi_i = row_of(i);
    for (int k = 0; k < m; ++k) sum[std::size_t(k)] += 0.5 * entries[i] * phi_i[k];
    add_symmetric_product(phi_i, sum.data(), m, form);
  }
}

Columns nonzero_columns(const double* c, int ldc, int rows, int columns) {
  const auto zero_column = [&](int j) { return all_zero(c + std::ptrdiff_t(j) * ldc, rows); };
  int first = 0, last = columns - 1;
  while (first <= last && zero_column(first)) ++first;
  while (last > first && zero_column(last)) --last;
  return {first, last - first + 1};
}

void add_coupling_form(const double* c, int ldc, Vectors t, Vectors w, Columns columns, double* form) {
  const int m = t.m;
  if (t.n < 1 || columns.count < 1 || m < 1) return;
  // P = C·W over the columns (t.n × m), then G = Tᵀ·P, and form += G + Gᵀ
  std::vector<double> p(std::size_t(t.n) * std::size_t(m)), g(std::size_t(m) * std::size_t(m));
  cblas_dgemm(CblasColMajor, CblasNoTrans, CblasNoTrans, t.n, m, columns.count, 1.0,
              c + std::ptrdiff_t(columns.first) * ldc, ldc, w.v + columns.first, w.ld, 0.0, p.data(), t.n);
  cblas_dgemm(CblasColMajor, CblasTrans, CblasNoTrans, m, m, t.n, 1.0, t.v, t.ld, p.data(), t.n, 0.0, g.data(), m);
  for (int l = 0; l < m; ++l)
    for (int k = 0; k < m; ++k) form[std::ptrdiff_t(l) * m + k] += g[std::size_t(l) * m + k] + g[std::size_t(k) * m + l];
}

}  // namespace ruvo::kernels
