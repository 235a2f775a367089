// Condensation of the tangential freedoms through the scratch file and the
// recovery of the tangential mode parts, on seeded random matrices, held
// against the plain loops: z_j = A22⁻¹·A21(:, j) by row-by-row substitution
// and A11 − A21ᵀ·Z summed entry by entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "input_listing_fixture.hpp"
#include "kernels/cholesky.hpp"
#include "solver/condensation.hpp"
#include "solver_matrices_test.hpp"

namespace ruvo {
namespace {

using V = ruvo19;
namespace st = kernels::testing;

// A21 (iy by ix) of a panel: column j couples to a window of tangential
// freedoms from row top(j) on, rising with j; columns whose top is beyond iy
// are zero.
template <class Top>
std::vector<double> staircase(int iy, int ix, unsigned seed, Top top) {
  std::vector<double> a21 = st::random_block(iy, ix, seed);
  for (int j = 1; j <= ix; ++j)
    for (int i = 1; i <= iy; ++i)
      if (i < top(j) || i > top(j) + 40) a21[std::size_t(j - 1) * iy + (i - 1)] = 0.0;
  return a21;
}

struct Shape {
  const char* name;
  int ix, iy, ibdy;
  std::vector<double> a21;
};

class Condensation : public testing::ListingTest {
protected:
  void SetUp() override {
    testing::ListingTest::SetUp();
    load({"small", 20, 37, 6, st::random_block(37, 20, 13)});
  }
  void TearDown() override {
    io::close(condensation_unit, true);
    testing::ListingTest::TearDown();
  }

  // Puts the shape's A22, A21 and A11 into the model state and computes the
  // plain results z (iy by ix) and a11_plain (full lower triangle, packed).
  void load(Shape s) {
    ix = s.ix, iy = s.iy;
    a21 = std::move(s.a21);
    a22 = st::random_band(iy, s.ibdy, 11);
    a11 = st::random_band(ix, ix, 12, 50.0);
    state::man.ix = ix;
    state::man.iy = iy;
    state::f07ina<V>().ibdy = s.ibdy;
    auto& lv = state::comlv<V>();
    std::copy(a22.lv.begin(), a22.lv.end(), lv.lva22.data);
    const std::vector<int> lvtri = st::level_vector(V::p_nx, V::p_nx);
    std::copy(lvtri.begin(), lvtri.end(), lv.lvtri.data);
    auto& m = state::matrix<V>();
    std::copy(a22.packed.begin(), a22.packed.end(), m.a22.data);
    for (int j = 1; j <= ix; ++j)
      for (int i = 1; i <= iy; ++i) m.a21(i, j) = a21[std::size_t(j - 1) * iy + (i - 1)];
    std::copy(a11.packed.begin(), a11.packed.end(), m.a11.data);
    plain();
  }

  void plain() {
    std::vector<double> l = a22.packed;
    const kernels::Profile<double> p{l.data(), a22.lv.data(), iy, a22.ibd};
    ASSERT_EQ(kernels::cholesky_factor_rows(p), 0);
    z = a21;
    kernels::cholesky_solve_rows(p, z.data(), ix);
    a11_plain = a11.packed;
    for (int j = 1; j <= ix; ++j)
      for (int k = 1; k <= j; ++k) {
        double s = 0.0;
        for (int i = 0; i < iy; ++i) s += z[std::size_t(j - 1) * iy + i] * a21[std::size_t(k - 1) * iy + i];
        a11_plain[std::size_t(j) * (j - 1) / 2 + (k - 1)] -= s;
      }
  }

  // The next record of the scratch file, or an empty one at its end.
  std::vector<double> record() const {
    std::vector<double> r(iy);
    if (!io::read_record(condensation_unit,
                         {reinterpret_cast<std::byte*>(r.data()), r.size() * sizeof(double)}))
      r.clear();
    return r;
  }

  double z_at(int i, int j) const { return z[std::size_t(j - 1) * iy + (i - 1)]; }

  int ix = 0, iy = 0;
  st::Band a22, a11;
  std::vector<double> a21, z, a11_plain;
};

class BlockedCondensation : public Condensation, public ::testing::WithParamInterface<int> {
public:
  static Shape shape(int k) {
    switch (k) {
      case 0:  // tiled A22 (band 60, order not a multiple of the tile); blocks of
               // staircase columns, of zero columns and of full columns
        return {"staircase", 300, 500, 60, staircase(500, 300, 21, [](int j) {
                  return j <= 128 ? std::max(1, 3 * j - 20 + 5 * (j % 7)) : j <= 256 ? 501 : 1;
                })};
      case 1:  // band 1: A22 diagonal
        return {"band 1", 20, 37, 1, st::random_block(37, 20, 22)};
      case 2:  // A22 a full triangle, the first columns starting low
        return {"full A22", 129, 90, 90, staircase(90, 129, 23, [](int j) { return 1 + (j * 7) % 60; })};
      default:  // band wider than the tiles' rows, first rows shorter than the band
        return {"wide band", 140, 400, 200, staircase(400, 140, 24, [](int j) { return 2 * j; })};
    }
  }
};

TEST_P(BlockedCondensation, AgreesWithThePlainLoopsAndWritesTheSameRecords) {
  load(shape(GetParam()));
  ASSERT_EQ(condense_tangential<V>(), 0);
  const double zmax = st::max_abs(z), amax = st::max_abs(a11_plain);
  io::rewind(condensation_unit);
  for (int j = 1; j <= ix; ++j) {
    const std::vector<double> r = record();
    ASSERT_EQ(int(r.size()), iy) << "record " << j;
    for (int i = 1; i <= iy; ++i)
      ASSERT_NEAR(r[i - 1], z_at(i, j), 1e-13 * zmax) << "record " << j << " row " << i;
  }
  EXPECT_TRUE(record().empty()) << "one record per W freedom";
  const auto& m = state::matrix<V>();
  for (std::size_t e = 0; e < a11_plain.size(); ++e)
    ASSERT_NEAR(m.a11(int(e) + 1), a11_plain[e], 1e-13 * amax) << e;
  // A second run repeats the first bit for bit.
  const std::vector<double> first(m.a11.data, m.a11.data + a11_plain.size());
  load(shape(GetParam()));
  ASSERT_EQ(condense_tangential<V>(), 0);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), m.a11.data));
}

INSTANTIATE_TEST_SUITE_P(Shapes, BlockedCondensation, ::testing::Range(0, 4), [](const auto& c) {
  std::string name = BlockedCondensation::shape(c.param).name;  // "full A22" -> full_A22
  std::replace(name.begin(), name.end(), ' ', '_');
  return name;
});

TEST_F(Condensation, TangentialModesAreMinusTheRecordsTimesTheWParts) {
  load({"two blocks", 130, 70, 8, st::random_block(70, 130, 31)});
  ASSERT_EQ(condense_tangential<V>(), 0);
  auto& x = state::vectrs<V>().x;
  const std::vector<double> x1 = st::random_block(ix, 2, 32);
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= ix; ++j) x(j, i) = x1[std::size_t(i - 1) * ix + (j - 1)];
  print_tangential_modes<V>(2);
  const std::vector<std::string> got = listing();
  const std::size_t lines = 1 + (iy + 4) / 5;
  ASSERT_EQ(got.size(), 2 * lines);
  EXPECT_EQ(got[0], "0 EIGENMODE  1");
  EXPECT_EQ(got[lines], "0 EIGENMODE  2");
  for (int mode = 0; mode < 2; ++mode)
    for (int m = 0; m < iy; ++m) {
      double expected = 0.0;
      for (int j = 1; j <= ix; ++j) expected -= z_at(m + 1, j) * x1[std::size_t(mode) * ix + (j - 1)];
      std::string field = got[mode * lines + 1 + std::size_t(m / 5)].substr(1 + std::size_t(m % 5) * 20, 20);
      std::replace(field.begin(), field.end(), 'D', 'E');
      EXPECT_NEAR(std::stod(field), expected, 6e-8 * std::abs(expected) + 1e-14 /* 8 digits */);
    }
}

// A22 not positive definite, held row by row or in tiles: the first failing
// row comes back and nothing is condensed.
TEST_F(Condensation, A22NotPositiveDefiniteReportsTheFirstFailingRow) {
  for (const auto& [shape, rows, first] :
       {std::tuple{Shape{"small", 20, 37, 6, st::random_block(37, 20, 13)}, std::vector{4}, 4},
        {Shape{"tiled", 10, 400, 100, st::random_block(400, 10, 33)}, {300, 170}, 170}}) {
    load(shape);
    auto& m = state::matrix<V>();
    for (int row : rows)
      m.a22(state::comlv<V>().lva22(row) + row) = -1.0e3;  // inside the second and third tile
    const double before = m.a11(1);
    EXPECT_EQ(condense_tangential<V>(), first);
    EXPECT_EQ(m.a11(1), before);
    EXPECT_FALSE(io::is_connected(condensation_unit));
  }
}

}  // namespace
}  // namespace ruvo
