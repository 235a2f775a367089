// The lane sums against the plain loop they stand for (bit for bit, since
// each sum runs in the same order), the zero test and the transposed blocks;
// the modal forms Φᵀ·A·Φ and Tᵀ·C·W + Wᵀ·Cᵀ·T against plain triple loops
// over dense matrices, on seeded random blocks with zero rows and columns;
// an element's term blocks and their form, lane by lane, likewise.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "kernels/lane_sums.hpp"
#include "kernels/modal_forms.hpp"
#include "solver_matrices_test.hpp"

namespace ruvo::kernels {
namespace {

using testing::Band;
using testing::random_block;

TEST(KernelsLaneSums, SumsAreThePlainLoopsBitForBit) {
  for (int count : {0, 1, 7, 33})
    for (int width : {8, 16, 24}) {
      const std::vector<double> v = random_block(count, 1, 11u + unsigned(count));
      const std::vector<double> r = random_block(count, width, 13u + unsigned(width));
      std::vector<double> s(std::size_t(width), -1.0);
      lane_sums(v.data(), count, r.data(), width, s.data());
      for (int j = 0; j < width; ++j) {
        double plain = 0.0;
        for (int k = 0; k < count; ++k)
          plain += v[std::size_t(k)] * r[std::size_t(k) * width + std::size_t(j)];
        EXPECT_EQ(s[std::size_t(j)], plain) << "count " << count << ", column " << j;
      }
    }
}

TEST(KernelsLaneSums, AllZeroFindsAnyValueThatIsNotZero) {
  for (std::ptrdiff_t n : {0, 1, 7, 8, 9, 16, 21}) {
    std::vector<double> v(std::size_t(n), 0.0);
    if (n > 0) v[std::size_t(n - 1)] = -0.0;  // zero of either sign
    EXPECT_TRUE(all_zero(v.data(), n)) << n;
    for (std::ptrdiff_t i = 0; i < n; ++i)
      for (double value : {1e-300, -2.0, std::numeric_limits<double>::quiet_NaN()}) {
        std::vector<double> w = v;
        w[std::size_t(i)] = value;
        EXPECT_FALSE(all_zero(w.data(), n)) << n << ", " << i << ", " << value;
        EXPECT_TRUE(all_zero(w.data(), i)) << n << ", " << i;  // the values before it
      }
  }
}

TEST(KernelsLaneSums, TransposedBlocksArePaddedWithZerosAndComeBack) {
  const int n = 5, ld = 7, columns = 3, width = lane_width(columns);
  ASSERT_EQ(width, lanes);
  EXPECT_EQ(lane_width(9), 2 * lanes);
  const std::vector<double> x = random_block(ld, columns, 17u);
  const std::vector<double> t = transposed(x.data(), ld, n, columns, width);
  ASSERT_EQ(t.size(), std::size_t(n * width));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < width; ++j)
      EXPECT_EQ(t[std::size_t(i * width + j)], j < columns ? x[std::size_t(j * ld + i)] : 0.0)
          << i << ", " << j;
  std::vector<double> back(std::size_t(ld * columns), 9.0);
  transpose_back(t, ld, n, columns, width, back.data());
  for (int j = 0; j < columns; ++j)
    for (int i = 0; i < ld; ++i)
      EXPECT_EQ(back[std::size_t(j * ld + i)], i < n ? x[std::size_t(j * ld + i)] : 9.0) << i << ", " << j;
}

// form(k, l) = Σ_ij p(i, k)·m(i, j)·q(j, l) for column-major p (rows × m,
// leading dimension ldp), m (rows × cols, leading dimension ldm), q
// (cols × m, leading dimension ldq): the plain triple loop.
std::vector<double> triple_product(const double* p, int ldp, const double* m, int ldm, const double* q,
                                   int ldq, int rows, int cols, int modes) {
  std::vector<double> form(std::size_t(modes * modes), 0.0);
  for (int l = 0; l < modes; ++l)
    for (int k = 0; k < modes; ++k)
      for (int j = 0; j < cols; ++j)
        for (int i = 0; i < rows; ++i)
          form[std::size_t(l * modes + k)] += p[k * ldp + i] * m[j * ldm + i] * q[l * ldq + j];
  return form;
}

void expect_near_forms(const std::vector<double>& form, const std::vector<double>& plain, double start) {
  const double scale = testing::max_abs(plain);
  for (std::size_t e = 0; e < form.size(); ++e) EXPECT_NEAR(form[e], start + plain[e], 1e-12 * scale) << e;
}

TEST(KernelsModalForms, ProfileFormIsPhiTransposeAPhi) {
  for (auto [n, ibd, modes] : {std::tuple{1, 1, 1}, {9, 3, 2}, {20, 20, 9}, {41, 6, 17}}) {
    Band a = testing::random_band(n, ibd, 21u + unsigned(n), 0.0, false);
    // rows of zeros, as most rows of a stiffener's part, which the form skips
    for (int i = 2; i <= n; i += 3)
      for (int j = 1; j <= n; ++j)
        if (std::abs(i - j) < ibd)
          a.dense[std::size_t((j - 1) * n + i - 1)] = a.dense[std::size_t((i - 1) * n + j - 1)] = 0.0;
    a = testing::pack(n, ibd, a.dense);
    const int ld = n + 2;
    const std::vector<double> phi = random_block(ld, modes, 23u + unsigned(modes));
    std::vector<double> form(std::size_t(modes * modes), 0.5);  // added to
    add_profile_form({a.packed.data(), a.lv.data(), n, ibd}, {phi.data(), n, modes, ld}, form.data());
    const std::vector<double> plain =
        triple_product(phi.data(), ld, a.dense.data(), n, phi.data(), ld, n, n, modes);
    expect_near_forms(form, plain, 0.5);
    std::vector<int> rows;  // those that hold values
    for (int i = 1; i <= n; ++i)
      if (i % 3 != 2) rows.push_back(i);
    std::vector<double> over_rows(std::size_t(modes * modes), 0.5);
    add_profile_form({a.packed.data(), a.lv.data(), n, ibd}, {phi.data(), n, modes, ld}, rows,
                     over_rows.data());
    expect_near_forms(over_rows, plain, 0.5);
  }
}

TEST(KernelsModalForms, NonzeroColumnsSpanTheFirstToTheLastThatHoldAValue) {
  const int rows = 4, ld = 6, columns = 7;
  std::vector<double> c(std::size_t(ld * columns), 0.0);
  c[std::size_t(5 * ld + 5)] = 1.0;  // below the rows: not part of the block
  EXPECT_EQ(nonzero_columns(c.data(), ld, rows, columns).count, 0);
  c[std::size_t(2 * ld + 3)] = -1.0;
  Columns found = nonzero_columns(c.data(), ld, rows, columns);
  EXPECT_EQ(found.first, 2);
  EXPECT_EQ(found.count, 1);
  c[std::size_t(5 * ld)] = std::numeric_limits<double>::quiet_NaN();
  found = nonzero_columns(c.data(), ld, rows, columns);
  EXPECT_EQ(found.first, 2);
  EXPECT_EQ(found.count, 4);  // the zero column between them within
}

TEST(KernelsModalForms, CouplingFormIsTTransposeCWPlusItsTranspose) {
  for (auto [rows, cols, modes, first, count] :
       {std::tuple{1, 1, 1, 0, 1}, {12, 9, 3, 2, 5}, {30, 17, 8, 0, 17}}) {
    const int ldc = rows + 1, ldt = rows + 3, ldw = cols + 2;
    std::vector<double> c = random_block(ldc, cols, 31u + unsigned(rows));
    for (int j = 0; j < cols; ++j)
      if (j < first || j >= first + count)
        for (int i = 0; i < ldc; ++i) c[std::size_t(j * ldc + i)] = 0.0;
    const std::vector<double> t = random_block(ldt, modes, 37u), w = random_block(ldw, modes, 41u);
    std::vector<double> form(std::size_t(modes * modes), -0.25);  // added to
    const Columns columns = nonzero_columns(c.data(), ldc, rows, cols);
    ASSERT_EQ(columns.first, first);
    ASSERT_EQ(columns.count, count);
    add_coupling_form(c.data(), ldc, {t.data(), rows, modes, ldt}, {w.data(), cols, modes, ldw}, columns,
                      form.data());
    std::vector<double> plain =
        triple_product(t.data(), ldt, c.data(), ldc, w.data(), ldw, rows, cols, modes);
    std::vector<double> both(plain.size());
    for (int l = 0; l < modes; ++l)
      for (int k = 0; k < modes; ++k)
        both[std::size_t(l * modes + k)] =
            plain[std::size_t(l * modes + k)] + plain[std::size_t(k * modes + l)];
    expect_near_forms(form, both, -0.25);
  }
}

TEST(KernelsModalForms, ElementBlocksAndTheirFormsInLanes) {
  constexpr int n = element_freedoms;
  const std::vector<double> start = random_block(n, n, 43u), integrals = random_block(16, 2, 47u);
  double sx[4][4], sy[4][4];
  for (int k = 0; k < 4; ++k)
    for (int l = 0; l < 4; ++l)
      sx[k][l] = integrals[std::size_t(4 * k + l)], sy[k][l] = integrals[std::size_t(16 + 4 * k + l)];
  std::vector<double> s = start;
  add_term_block(-1.5, sx, sy, s.data());
  for (int q = 0; q < n; ++q)
    for (int p = 0; p < n; ++p)
      EXPECT_NEAR(s[std::size_t(q * n + p)],
                  start[std::size_t(q * n + p)] - 1.5 * sx[p / 4][q / 4] * sy[p % 4][q % 4], 1e-14)
          << p << ", " << q;
  for (int modes : {1, 3, 8}) {
    const std::vector<double> psi1 = random_block(n, modes, 53u), psi2 = random_block(n, modes, 59u);
    std::vector<double> groups(std::size_t(n * modes * modes), 0.25);  // added to
    add_block_form(s.data(), psi1.data(), psi2.data(), modes, groups.data());
    std::vector<double> form(std::size_t(modes * modes), 0.0);
    for (std::size_t e = 0; e < form.size(); ++e)
      for (int lane = 0; lane < n; ++lane) form[e] += groups[e * n + std::size_t(lane)];
    expect_near_forms(form, triple_product(psi1.data(), n, s.data(), n, psi2.data(), n, n, n, modes),
                      0.25 * n);
  }
}

}  // namespace
}  // namespace ruvo::kernels
