// Condensation of the tangential freedoms through the scratch file and the
// recovery of the tangential mode parts, on seeded random matrices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "input_listing_fixture.hpp"
#include "solver/condensation.hpp"
#include "solver_matrices_test.hpp"

namespace ruvo {
namespace {

using V = ruvo19;
namespace st = solver::testing;

class Condensation : public testing::ListingTest {
protected:
  static constexpr int ix = 20, iy = 37, ibdy = 6;  // 20 W columns: one full block of 16 and a rest

  void SetUp() override {
    testing::ListingTest::SetUp();
    state::man.ix = ix;
    state::man.iy = iy;
    auto& ina = state::f07ina<V>();
    ina.ibdy = ibdy;
    auto& lv = state::comlv<V>();
    const std::vector<int> lva22 = st::level_vector(iy, ibdy), lvtri = st::level_vector(V::p_nx, V::p_nx);
    std::copy(lva22.begin(), lva22.end(), lv.lva22.data);
    std::copy(lvtri.begin(), lvtri.end(), lv.lvtri.data);
    auto& m = state::matrix<V>();
    std::copy(a22.packed.begin(), a22.packed.end(), m.a22.data);
    for (int j = 1; j <= ix; ++j)
      for (int i = 1; i <= iy; ++i) m.a21(i, j) = a21[std::size_t(j - 1) * iy + (i - 1)];
    const st::Band full = st::pack(ix, ix, a11.dense);
    std::copy(full.packed.begin(), full.packed.end(), m.a11.data);
  }
  void TearDown() override {
    io::close(condensation_unit, true);
    testing::ListingTest::TearDown();
  }

  // Record j of the scratch file.
  static std::vector<double> record() {
    std::vector<double> r(iy);
    EXPECT_TRUE(io::read_record(condensation_unit,
                                {reinterpret_cast<std::byte*>(r.data()), r.size() * sizeof(double)}));
    return r;
  }

  st::Band a22 = st::random_band(iy, ibdy, 11);
  st::Band a11 = st::random_band(ix, ix, 12, 50.0);
  std::vector<double> a21 = st::random_block(iy, ix, 13);
};

TEST_F(Condensation, RecordsSolveA22AndA11BecomesTheSchurComplement) {
  ASSERT_EQ(condense_tangential<V>(), 0);
  EXPECT_TRUE(std::filesystem::exists(condensation_file));
  io::rewind(condensation_unit);
  std::vector<std::vector<double>> z;
  for (int j = 1; j <= ix; ++j) {
    z.push_back(record());
    const std::vector<double> r = st::dense_times(a22, z.back().data());
    for (int i = 1; i <= iy; ++i) EXPECT_NEAR(r[i - 1], a21[std::size_t(j - 1) * iy + i - 1], 1e-12);
  }
  const auto& m = state::matrix<V>();
  for (int j = 1; j <= ix; ++j)
    for (int k = 1; k <= j; ++k) {
      double s = 0.0;
      for (int i = 1; i <= iy; ++i) s += z[j - 1][i - 1] * a21[std::size_t(k - 1) * iy + i - 1];
      EXPECT_NEAR(m.a11(j * (j - 1) / 2 + k), a11.at(j, k) - s, 1e-11);
    }
}

TEST_F(Condensation, TangentialModesAreMinusTheRecordsTimesTheWParts) {
  ASSERT_EQ(condense_tangential<V>(), 0);
  auto& x = state::vectrs<V>().x;
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= ix; ++j) x(j, i) = (i == 1 && j == 3) || (i == 2 && j == ix) ? 2.0 : 0.0;
  print_tangential_modes<V>(2);
  const std::vector<std::string> got = listing();
  ASSERT_EQ(got.size(), 2u * (1 + (iy + 4) / 5));
  EXPECT_EQ(got[0], "0 EIGENMODE  1");
  io::rewind(condensation_unit);
  std::vector<std::vector<double>> z;
  for (int j = 1; j <= ix; ++j) z.push_back(record());
  for (int mode = 0; mode < 2; ++mode) {
    const int j = mode == 0 ? 3 : ix;
    const std::size_t first = std::size_t(mode) * (1 + (iy + 4) / 5) + 1;
    for (int m = 0; m < iy; ++m) {
      const std::string& line = got[first + std::size_t(m / 5)];
      std::string field = line.substr(1 + std::size_t(m % 5) * 20, 20);
      std::replace(field.begin(), field.end(), 'D', 'E');
      EXPECT_NEAR(std::stod(field), -2.0 * z[std::size_t(j - 1)][std::size_t(m)], 6e-8 * std::abs(2.0 * z[j - 1][m])  /* 8 digits */);
    }
  }
}

TEST_F(Condensation, UpdatedMatrixIsPrintedWhenAsked) {
  state::man.itab = 1;
  ASSERT_EQ(condense_tangential<V>(), 0);
  const std::vector<std::string> got = listing();
  EXPECT_EQ(got[0], testing::sp(35) + "UPDATED MATRIX A11");
  EXPECT_EQ(got.size(), 1u + (ix * (ix + 1) / 2 + 6) / 7);
}

TEST_F(Condensation, A22NotPositiveDefiniteReportsItsRowAndCondensesNothing) {
  auto& m = state::matrix<V>();
  m.a22(state::comlv<V>().lva22(4) + 4) = -1.0e3;
  const double before = m.a11(1);
  EXPECT_EQ(condense_tangential<V>(), 4);
  EXPECT_EQ(m.a11(1), before);
  EXPECT_FALSE(io::is_connected(condensation_unit));
}

}  // namespace
}  // namespace ruvo
