#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "kernels/cholesky.hpp"
#include "solver_matrices_test.hpp"

namespace ruvo::kernels {
namespace {

using testing::Band;
using testing::diagonal;

Profile<double> view(Band& m) { return {m.packed.data(), m.lv.data(), m.n, m.ibd}; }

TEST(SolverCholesky, FactorReproducesTheMatrixAndSolvesBlocks) {
  for (auto [n, ibd] : {std::pair{2, 1}, {2, 2}, {9, 1}, {9, 3}, {9, 9}, {60, 13}, {120, 120}}) {
    Band m = testing::random_band(n, ibd, 7u * n + ibd);
    const Band original = m;
    ASSERT_EQ(cholesky_factor(view(m)), 0) << n << " " << ibd;

    // L·Lᵀ over the band equals A; the factor keeps the profile.
    const Profile<const double> L = view(m);
    for (int i = 1; i <= n; ++i)
      for (int j = L.first_column(i); j <= i; ++j) {
        double s = 0.0;
        for (int k = std::max(L.first_column(i), L.first_column(j)); k <= j; ++k) s += L(i, k) * L(j, k);
        EXPECT_NEAR(s, original.at(i, j), 1e-12 * n);
      }

    const int cols = 3;
    const std::vector<double> rhs = testing::random_block(n, cols, 99u + n);
    std::vector<double> x = rhs;
    cholesky_solve(L, x.data(), cols);
    for (int j = 0; j < cols; ++j) {
      std::vector<double> r = testing::dense_times(original, x.data() + std::size_t(j) * n);
      for (int i = 0; i < n; ++i) r[i] -= rhs[std::size_t(j) * n + i];
      EXPECT_LT(testing::max_abs(r), 1e-12) << n << " " << ibd << " column " << j;
    }
  }
}

TEST(SolverCholesky, SolveWithNoColumnsLeavesTheBlockUntouched) {
  Band m = testing::random_band(5, 2, 3);
  ASSERT_EQ(cholesky_factor(view(m)), 0);
  std::vector<double> x{1, 2, 3, 4, 5};
  cholesky_solve(view(m), x.data(), 0);
  EXPECT_EQ(x, (std::vector<double>{1, 2, 3, 4, 5}));
}

TEST(SolverCholesky, FailingPivotRowIsReportedAndTheThresholdIsAbsoluteAndExclusive) {
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
