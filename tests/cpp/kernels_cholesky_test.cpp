// The profile Cholesky factor, its solves and products, by rows and by tiles,
// on random bands of awkward sizes (orders that are no multiple of the tile,
// the full triangle, bands whose leading columns reach past the copied ones,
// the narrowest bands), against each other and by their residuals; and the
// pivots that stop the factor.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "kernels/cholesky.hpp"
#include "kernels/profile_product.hpp"
#include "kernels/profile_tiles.hpp"
#include "solver_matrices_test.hpp"

namespace ruvo::kernels {
namespace {

using testing::Band;
using testing::diagonal;

Profile<double> view(Band& m) { return {m.packed.data(), m.lv.data(), m.n, m.ibd}; }

double max_difference(const std::vector<double>& u, const std::vector<double>& v) {
  double d = 0.0;
  for (std::size_t i = 0; i < u.size(); ++i) d = std::max(d, std::abs(u[i] - v[i]));
  return d;
}

struct Case {
  int n, ibd, nb;
};
// (order, band, rows per tile)
const Case cases[] = {{37, 10, 4},   {23, 23, 5},  {9, 2, 1}, {64, 17, 16}, {41, 40, 7},
                      {100, 30, 29}, {50, 12, 11}, {7, 7, 6}, {2, 2, 1}};

TEST(KernelsCholesky, FactorSolveAndProductAgreeWithTheRowByRowPaths) {
  for (const Case c : cases) {
    SCOPED_TRACE(::testing::Message() << "n " << c.n << " ibd " << c.ibd << " nb " << c.nb);
    Band rows = testing::random_band(c.n, c.ibd, 31u * c.n + c.ibd);
    Band tiled = rows;
    const Band original = rows;
    const int m = 5;
    const std::vector<double> b = testing::random_block(c.n, m, 7u + c.n);

    std::vector<double> c_rows(b.size(), -1.0), c_tiles(b.size(), -2.0);
    profile_multiply_rows(view(rows), b.data(), 2, m, c_rows.data());
    profile_multiply_tiles(ProfileTiles<const double>(view(rows), 0), b.data(), 2, m, c_tiles.data(), c.nb);
    std::fill_n(c_rows.begin(), c.n, -2.0);  // column 1 stays untouched
    EXPECT_LT(max_difference(c_rows, c_tiles), 1e-13 * c.n);

    ASSERT_EQ(cholesky_factor_rows(view(rows)), 0);
    ProfileTiles<double> U(view(tiled), factor_copied(view(tiled)));
    ASSERT_EQ(cholesky_factor_tiles(U, c.nb), 0);
    EXPECT_LT(max_difference(rows.packed, tiled.packed), 1e-13 * c.n);

    // Solutions from the factor's own tiles and from the profile alone.
    std::vector<double> x_rows = b, x_kept = b, x_profile = b;
    cholesky_solve_rows(view(rows), x_rows.data(), m);
    cholesky_solve_tiles(U, x_kept.data(), m, c.nb);
    cholesky_solve_tiles(ProfileTiles<const double>(view(tiled), 0), x_profile.data(), m, c.nb);
    EXPECT_LT(max_difference(x_rows, x_kept), 1e-12 * c.n);
    EXPECT_EQ(x_kept, x_profile);
    for (int j = 0; j < m; ++j) {
      std::vector<double> r = testing::dense_times(original, x_kept.data() + std::size_t(j) * c.n);
      for (int i = 0; i < c.n; ++i) r[i] -= b[std::size_t(j) * c.n + i];
      EXPECT_LT(testing::max_abs(r), 1e-12);
    }
    cholesky_solve(view(rows), x_rows.data(), 0);  // no columns: the block stays
    EXPECT_LT(max_difference(x_rows, x_kept), 1e-12 * c.n);
  }
}

TEST(KernelsCholesky, WideBandsTakeTheTilesAndNarrowOnesTheRows) {
  EXPECT_EQ(tile_rows(1), 0);
  EXPECT_EQ(tile_rows(48), 0);
  EXPECT_GT(tile_rows(49), 0);
  EXPECT_LE(tile_rows(60), 59);
  // Band 1 (a diagonal) and bands past the threshold, through the
  // dispatching entries, against the rows and by the solve's residual.
  for (auto [n, ibd] : {std::pair{20, 1}, {130, 60}, {70, 70}}) {
    Band rows = testing::random_band(n, ibd, 5u + n);
    Band dispatched = rows;
    ASSERT_EQ(cholesky_factor_rows(view(rows)), 0);
    ASSERT_EQ(cholesky_factor(view(dispatched)), 0);
    EXPECT_LT(max_difference(rows.packed, dispatched.packed), 1e-13 * n) << n << " " << ibd;
    std::vector<double> x = testing::random_block(n, 1, 3u);
    const std::vector<double> b = x;
    cholesky_solve(view(dispatched), x.data(), 1);
    std::vector<double> r = testing::dense_times(testing::random_band(n, ibd, 5u + n), x.data());
    for (int i = 0; i < n; ++i) r[i] -= b[i];
    EXPECT_LT(testing::max_abs(r), 1e-12) << n << " " << ibd;
  }
}

TEST(KernelsCholesky, FailingPivotInsideATileIsTheFirstFailingRow) {
  // Row 13 (inside the third tile of 5) becomes singular: its diagonal is
  // replaced so that the pivot is exactly zero after the rows above.
  for (const Case c : {Case{30, 9, 5}, Case{30, 30, 5}}) {
    Band m = testing::random_band(c.n, c.ibd, 77);
    Band probe = m;
    ASSERT_EQ(cholesky_factor_rows(view(probe)), 0);
    const int bad = 13;
    const double pivot = probe.packed[std::size_t(probe.lv[bad - 1]) + bad - 1];
    m.packed[std::size_t(m.lv[bad - 1]) + bad - 1] -= pivot * pivot + 1.0;  // pivot -1
    Band rows = m, tiled = m;
    EXPECT_EQ(cholesky_factor_rows(view(rows)), bad);
    ProfileTiles<double> U(view(tiled), factor_copied(view(tiled)));
    EXPECT_EQ(cholesky_factor_tiles(U, c.nb), bad);
    // Rows before it hold the factor in the profile.
    const std::size_t done = std::size_t(m.lv[bad - 1]) + 1;
    for (std::size_t i = 0; i < done; ++i) EXPECT_NEAR(tiled.packed[i], rows.packed[i], 1e-12);
  }
}

TEST(KernelsCholesky, ForwardHalfGivesTheCondensation) {
  // Cᵀ·A⁻¹·C = Wᵀ·W with W = L⁻¹·C, against the full solution; W is formed
  // in place in storage with a longer leading dimension, whose rows beyond
  // the order stay untouched.
  Band a = testing::random_band(61, 20, 4);
  ProfileTiles<double> U(view(a), factor_copied(view(a)));
  ASSERT_EQ(cholesky_factor_tiles(U, 7), 0);
  const int m = 4, ld = 66;
  const std::vector<double> c = testing::random_block(61, m, 8);
  std::vector<double> w(std::size_t(ld) * m, 7.0), z = c;
  for (int j = 0; j < m; ++j) std::copy_n(c.begin() + j * 61, 61, w.begin() + j * ld);
  cholesky_forward_tiles(U, w.data(), ld, m, 7);
  cholesky_solve_tiles(U, z.data(), m, 7);
  for (int i = 0; i < m; ++i) {
    for (int r = 61; r < ld; ++r) EXPECT_EQ(w[std::size_t(i) * ld + r], 7.0);
    for (int j = 0; j < m; ++j) {
      double wtw = 0.0, ctz = 0.0;
      for (int r = 0; r < 61; ++r) {
        wtw += w[std::size_t(i) * ld + r] * w[std::size_t(j) * ld + r];
        ctz += c[std::size_t(i) * 61 + r] * z[std::size_t(j) * 61 + r];
      }
      EXPECT_NEAR(wtw, ctz, 1e-13);
    }
  }
}

TEST(KernelsCholesky, RepeatedRunsAreBitIdentical) {
  Band first = testing::random_band(300, 120, 9);
  Band second = first;
  ASSERT_EQ(cholesky_factor(view(first)), 0);
  ASSERT_EQ(cholesky_factor(view(second)), 0);
  EXPECT_EQ(std::memcmp(first.packed.data(), second.packed.data(), first.packed.size() * sizeof(double)), 0);
  std::vector<double> x1 = testing::random_block(300, 4, 3), x2 = x1;
  cholesky_solve(view(first), x1.data(), 4);
  cholesky_solve(view(second), x2.data(), 4);
  EXPECT_EQ(std::memcmp(x1.data(), x2.data(), x1.size() * sizeof(double)), 0);
}

TEST(KernelsCholesky, FailingPivotRowIsReportedAndTheThresholdIsAbsoluteAndExclusive) {
  const double at = pivot_threshold, above = std::nextafter(pivot_threshold, 1.0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<std::vector<double>, int> diagonals[] = {
      {{9.0}, 1},  // order one is refused, after taking the root
      {{0.0, 1.0, 1.0}, 1}, {{1.0, 1.0, 1.0, -2.0}, 4}, {{1.0, nan, 1.0}, 2},  {{at, 1.0}, 1},
      {{above, 1.0}, 0},    {{1.0, at, 1.0}, 2},        {{1.0, above, 1.0}, 0}};
  for (const auto& [d, row] : diagonals) {
    Band m = diagonal(d);
    EXPECT_EQ(cholesky_factor(view(m)), row)
        << "order " << d.size() << ", pivot " << d[row > 0 ? row - 1 : 1];
    if (d.size() == 1) {
      EXPECT_EQ(m.packed[0], 3.0);
    }
    if (row == 0) {
      EXPECT_EQ(m.packed[2], std::sqrt(d[1]));
    }
  }
  // Row 3 is the sum of rows 1 and 2: singular in row 3.
  Band singular = testing::pack(3, 3, {2, 1, 3, 1, 2, 3, 3, 3, 6});
  EXPECT_EQ(cholesky_factor(view(singular)), 3);
}

}  // namespace
}  // namespace ruvo::kernels
