#include "kernels/modal_forms.hpp"

#include <cblas.h>

#include <cstring>
#include <vector>

#include "kernels/lane_sums.hpp"

namespace ruvo::kernels {

namespace {

// Four lanes as a compiler vector: one register where the processor has
// registers of four doubles, two of two otherwise.
using Quad = double __attribute__((vector_size(4 * sizeof(double))));
constexpr int quads = element_freedoms / 4;  // a column of an element block

// v[0..3] += x·y
inline void add_product(double* v, double x, const double* y) {
  Quad a, b;
  std::memcpy(&a, v, sizeof a);
  std::memcpy(&b, y, sizeof b);
  a += x * b;
  std::memcpy(v, &a, sizeof a);
}

// form += x·yᵀ + y·xᵀ for vectors of length m.
void add_symmetric_product(const double* x, const double* y, int m, double* form) {
  for (int l = 0; l < m; ++l)
    for (int k = 0; k < m; ++k) form[std::ptrdiff_t(l) * m + k] += x[k] * y[l] + y[k] * x[l];
}

}  // namespace

// The rows of Φ side by side, and the share of each row of A in the form.
class ProfileForm {
public:
  ProfileForm(Profile<const double> a, Vectors phi)
      : a_(a),
        m_(phi.m),
        width_(lane_width(phi.m)),
        rows_(transposed(phi.v, phi.ld, phi.n, m_, width_)),
        sum_(std::size_t(width_)) {}

  void add_row(int i, double* form) {
    const double* entries = a_.row(i);
    const int first = a_.first_column(i);
    // a row of zeros (most rows of a stiffener's or a load's part) adds nothing
    if (all_zero(entries + first, i - first + 1)) return;
    // sum = Σ_{j < i} a(i, j)·φ_j + a(i, i)/2·φ_i: the row's share, the
    // diagonal halved since the product is taken with its transpose
    lane_sums(entries + first, i - first, row_of(first), width_, sum_.data());
    const double* phi_i = row_of(i);
    for (int k = 0; k < m_; ++k) sum_[std::size_t(k)] += 0.5 * entries[i] * phi_i[k];
    add_symmetric_product(phi_i, sum_.data(), m_, form);
  }

private:
  const double* row_of(int i) const {
    return rows_.data() + std::ptrdiff_t(i - 1) * width_;
  }  // 1-based freedom

  Profile<const double> a_;
  int m_, width_;
  // Φ by rows, the modes of each freedom side by side: one pass over a row's
  // band sums all modes in vector registers
  std::vector<double> rows_, sum_;
};

void add_profile_form(Profile<const double> a, Vectors phi, double* form) {
  ProfileForm rows(a, phi);
  for (int i = 1; i <= a.n; ++i) rows.add_row(i, form);
}

void add_profile_form(Profile<const double> a, Vectors phi, std::span<const int> rows, double* form) {
  ProfileForm form_rows(a, phi);
  for (int i : rows) form_rows.add_row(i, form);
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
  cblas_dgemm(CblasColMajor, CblasTrans, CblasNoTrans, m, m, t.n, 1.0, t.v, t.ld, p.data(), t.n, 0.0,
              g.data(), m);
  for (int l = 0; l < m; ++l)
    for (int k = 0; k < m; ++k)
      form[std::ptrdiff_t(l) * m + k] += g[std::size_t(l) * m + k] + g[std::size_t(k) * m + l];
}

// Built for the wider registers too, chosen when the library loads.
__attribute__((target_clones("avx2", "default"))) void add_term_block(double f, const double (&sx)[4][4],
                                                                      const double (&sy)[4][4], double* s) {
  for (int cq = 0; cq < 4; ++cq)
    for (int rq = 0; rq < 4; ++rq) {
      const double y[4] = {sy[0][rq], sy[1][rq], sy[2][rq], sy[3][rq]};  // rows r = 0..3 of one c
      double* column = s + (rq + 4 * cq) * element_freedoms;
      for (int cp = 0; cp < 4; ++cp) add_product(column + 4 * cp, f * sx[cp][cq], y);
    }
}

__attribute__((target_clones("avx2", "default"))) void add_block_form(const double* s, const double* psi1,
                                                                      const double* psi2, int m,
                                                                      double* groups) {
  for (int l = 0; l < m; ++l) {
    Quad product[quads] = {};  // S·ψ2_l
    const double* x = psi2 + l * element_freedoms;
    for (int q = 0; q < element_freedoms; ++q)
      for (int i = 0; i < quads; ++i) {
        Quad column;
        std::memcpy(&column, s + q * element_freedoms + 4 * i, sizeof column);
        product[i] += x[q] * column;
      }
    for (int k = 0; k < m; ++k) {
      double* group = groups + std::ptrdiff_t(l * m + k) * element_freedoms;
      const double* y = psi1 + k * element_freedoms;
      for (int i = 0; i < quads; ++i) {
        Quad g, v;
        std::memcpy(&g, group + 4 * i, sizeof g);
        std::memcpy(&v, y + 4 * i, sizeof v);
        g += v * product[i];
        std::memcpy(group + 4 * i, &g, sizeof g);
      }
    }
  }
}

}  // namespace ruvo::kernels
