#include <gtest/gtest.h>

#include <vector>

#include "kernels/profile.hpp"
#include "kernels/profile_product.hpp"
#include "solver_matrices_test.hpp"

namespace ruvo::kernels {
namespace {

using testing::Band;
using testing::random_band;

// Every entry of the band is found through the index function, for every
// band width of a few orders.
TEST(SolverProfile, DenseRoundTripThroughTheIndexFunction) {
  for (int n : {1, 2, 9, 20})
    for (int ibd = 1; ibd <= n; ++ibd) {
      const Band m = random_band(n, ibd, 5u * n + ibd, 0.0, false);
      ASSERT_TRUE(check_profile(m.lv, n, ibd, m.packed.size()));
      const Profile<const double> p{m.packed.data(), m.lv.data(), n, ibd};
      ASSERT_EQ(p.stored(), m.packed.size());
      for (int i = 1; i <= n; ++i) {
        EXPECT_EQ(p.first_column(i), std::max(1, i - ibd + 1));
        for (int j = 1; j <= n; ++j) EXPECT_EQ(std::abs(i - j) < ibd ? p.symmetric(i, j) : 0.0, m.at(i, j));
      }
      // Held in its full triangle, the band is found from the zeros and copied back into it.
      const Band full = testing::pack(n, n, m.dense);
      const Profile<const double> f{full.packed.data(), full.lv.data(), n, n};
      EXPECT_EQ(occupied_band(f), ibd);
      BandCopy copy(f, ibd);
      ASSERT_EQ(copy.view().stored(), m.packed.size());
      EXPECT_EQ(std::vector<double>(copy.view().a, copy.view().a + m.packed.size()), m.packed);
    }
}

TEST(SolverProfile, CheckRejectsLevelVectorsThatDoNotDescribeTheStorage) {
  const std::vector<int> lv{0, 1, 3, 5, 7};
  EXPECT_TRUE(check_profile(lv, 5, 3, 12));
  EXPECT_TRUE(check_profile(lv, 4, 3, 10));  // a leading part serves a smaller order
  // Storage one short and a level vector not starting at 0: test_solver.py (profile arrays).

  EXPECT_EQ(check_profile(lv, 6, 3, 99).fault, ProfileFault::order);
  EXPECT_EQ(check_profile(lv, 0, 1, 99).fault, ProfileFault::order);
  EXPECT_EQ(check_profile(lv, 1, 1, 99, 2).fault, ProfileFault::order);
  EXPECT_EQ(check_profile(lv, 5, 6, 99).fault, ProfileFault::band);
  EXPECT_EQ(check_profile(lv, 5, 0, 99).fault, ProfileFault::band);

  const std::vector<int> decreasing{0, 1, 3, 2, 4};
  const ProfileCheck c = check_profile(decreasing, 5, 3, 99);
  EXPECT_EQ(c.fault, ProfileFault::level_step);
  EXPECT_EQ(c.row, 4);
  // Rows of the full triangle are longer than a band of 3 allows.
  EXPECT_EQ(check_profile(std::vector<int>{0, 1, 3, 6, 10}, 5, 3, 99).row, 4);
  // Rows shorter than the band would overlap the row before.
  EXPECT_EQ(check_profile(lv, 5, 4, 99).row, 4);
  // A level vector beyond 32-bit positions is not one of this band.
  EXPECT_EQ(check_profile(std::vector<int>{0, 2147483647}, 2, 2, 99).row, 2);
}

TEST(SolverProfile, ProductMatchesDenseProductOnRequestedColumnsOnly) {
  for (auto [n, ibd] : {std::pair{1, 1}, {8, 1}, {8, 3}, {8, 8}, {31, 7}}) {
    const Band m = random_band(n, ibd, 3u * n + ibd, 0.0, false);
    const int cols = 4;
    const std::vector<double> b = testing::random_block(n, cols, 11u + n);
    std::vector<double> c(std::size_t(n) * cols, -7.0);
    profile_multiply({m.packed.data(), m.lv.data(), n, ibd}, b.data(), 2, 3, c.data());
    for (int j = 1; j <= cols; ++j) {
      const std::vector<double> ref = testing::dense_times(m, b.data() + (j - 1) * n);
      for (int i = 1; i <= n; ++i) {
        const double got = c[std::size_t(j - 1) * n + (i - 1)];
        if (j == 2 || j == 3) {
          EXPECT_NEAR(got, ref[i - 1], 1e-13 * (1.0 + std::abs(ref[i - 1])));
        } else {
          EXPECT_EQ(got, -7.0);
        }
      }
    }
    std::vector<double> untouched(std::size_t(n) * cols, -7.0);
    profile_multiply({m.packed.data(), m.lv.data(), n, ibd}, b.data(), 3, 2, untouched.data());
    EXPECT_EQ(untouched, std::vector<double>(std::size_t(n) * cols, -7.0));
  }
}

}  // namespace
}  // namespace ruvo::kernels
