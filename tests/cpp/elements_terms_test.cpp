// Element terms: placement of the stiffness blocks, the skew transformation
// (checked by the invariance of the strain energy), the curvature entries of
// the strain table and the term lists.
#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cmath>
#include <random>
#include <vector>

#include "elements/element_terms.hpp"
#include "input_listing_fixture.hpp"
#include "model/blocks.hpp"
#include "model/grid_angles.hpp"
#include "test_data.hpp"

namespace ruvo::testing {
namespace {

using V = ruvo19;

// The arrays of tfmstf, owned, in its argument order.
enum Arg { c, ch, bb, dd, bd, rr, dr, br, ss };
struct ElementArrays {
  static constexpr int rows[9] = {45, 3, 6, 6, 6, 6, 6, 6, 3};
  std::vector<float> v[9];
  ElementArrays() {
    for (int i = 0; i < 9; ++i) v[i].assign(rows[i] * V::p_elmts, 0.0f);
  }
  ArrayRef<float, 2> operator[](int i) { return {v[i].data(), {rows[i], V::p_elmts}}; }
  void tfmstf(std::int32_t& ier) {
    auto& a = *this;
    ruvo::tfmstf<V>(a[c], a[ch], a[bb], a[dd], a[bd], a[rr], a[dr], a[br], a[ss], ier);
  }
  void f01kbf() { ruvo::f01kbf<V>((*this)[c], (*this)[ch], state::f01qua<V>()); }
  void randomize(unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int i = bb; i <= ss; ++i)
      for (auto& x : v[i]) x = u(gen);
  }
};

// Symmetric 3 x 3 from the packing (1,1),(1,2),(2,2),(1,3),(2,3),(3,3).
double unpacked(ArrayRef<float, 2> x, int e, int r, int s) {
  static constexpr int at[3][3] = {{1, 2, 4}, {2, 3, 5}, {4, 5, 6}};
  return x(at[r][s], e);
}

// The 9 x 9 stiffness of element e assembled from its blocks, in doubles.
std::vector<double> full_stiffness(ElementArrays& a, int e) {
  std::vector<double> m(81);
  auto put = [&](Arg b, int row0, int col0) {
    for (int r = 0; r < 3; ++r)
      for (int s = 0; s < 3; ++s)
        m[(row0 + r) * 9 + col0 + s] = m[(col0 + s) * 9 + row0 + r] = unpacked(a[b], e, r, s);
  };
  put(bb, 0, 0), put(bd, 3, 0), put(br, 6, 0), put(dd, 3, 3), put(dr, 6, 3), put(rr, 6, 6);
  return m;
}

double packed(ArrayRef<float, 2> cp, int e, int m, int n) {
  const int r = std::max(m, n), j = std::min(m, n);
  return cp((18 - j) * (j - 1) / 2 + r, e);
}

class ElementTerms : public ListingTest {
protected:
  void SetUp() override {
    ListingTest::SetUp();
    state::f01eps = F01eps{};
    grid<V>(3, 4);  // 6 elements
  }
  void TearDown() override {
    state::f01eps = F01eps{};
    ListingTest::TearDown();
  }
  ElementArrays a;
};

TEST_F(ElementTerms, CurvatureEntriesOfTheStrainTable) {
  auto& eps = state::f01eps.feps;
  auto& radii = state::f07inb;
  radii.rx() = 2.0f, radii.ry() = 1.0e29f, radii.rxy() = 4.0f;
  std::int32_t ier;
  a.tfmstf(ier);
  EXPECT_EQ((std::array{eps(1, 2), eps(2, 2), eps(3, 3)}), (std::array{-0.5f, 0.0f, -0.5f}));  // -2/rxy last
  radii.rx() = -1.0e29f, radii.ry() = -8.0f, radii.rxy() = 3.0e29f;
  a.tfmstf(ier);
  EXPECT_EQ((std::array{eps(1, 2), eps(2, 2), eps(3, 3)}), (std::array{0.0f, 0.125f, 0.0f}));
  // a skewed grid takes the curvatures along its lines: x' at 30 degrees
  // sees kxx cos^2 + 2 kxy cos sin + kyy sin^2
  radii.rx() = 2.0f, radii.ry() = 1.0e29f, radii.rxy() = 4.0f;
  state::f07ang.alfax = 30.0f;
  a.tfmstf(ier);
  EXPECT_EQ(ier, 0);
  const double c30 = std::cos(0.5235988), s30 = std::sin(0.5235988);
  EXPECT_NEAR(eps(1, 2), -(c30 * c30 * 0.5 + 2 * c30 * s30 * 0.25), 1e-6);
  EXPECT_NEAR(eps(2, 2), 0.0, 1e-7);                      // y' = y: ry flat
  EXPECT_NEAR(eps(3, 3), -2 * (c30 * 0.25 + 0.0), 1e-6);  // C kxy - cx sy kxx + cy sx kyy, sy = 0, kyy = 0
}

// The strain energy of an element does not depend on the coordinates: the
// Cartesian strains e and the strains e' along the grid lines x' = (cx, sx),
// y' = (-sy, cy) give e'^T C' e' = e^T C e, for the nine strains (three
// tensors) and the two shear strains alike.
TEST_F(ElementTerms, SkewedStiffnessKeepsTheStrainEnergy) {
  a.randomize(3);
  state::f07ang = {20.0f, -34.0f};
  const float ax = radians_from_degrees(20.0f), ay = radians_from_degrees(-34.0f);
  std::int32_t ier;
  a.tfmstf(ier);
  ASSERT_EQ(ier, 0);
  const double x1[2] = {std::cos(ax), std::sin(ax)}, y1[2] = {-std::sin(ay), std::cos(ay)};
  std::mt19937 gen(4);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int e = 1; e <= 6; ++e) {
    double strain[9], grid[9];
    for (int t = 0; t < 3; ++t) {  // a symmetric tensor, engineering shear
      const double exx = u(gen), eyy = u(gen), exy = u(gen);
      auto along = [&](const double* p, const double* q) {
        return p[0] * q[0] * exx + (p[0] * q[1] + p[1] * q[0]) * exy + p[1] * q[1] * eyy;
      };
      strain[3 * t] = exx, strain[3 * t + 1] = eyy, strain[3 * t + 2] = 2 * exy;
      grid[3 * t] = along(x1, x1), grid[3 * t + 1] = along(y1, y1), grid[3 * t + 2] = 2 * along(x1, y1);
    }
    const auto m = full_stiffness(a, e);
    double cartesian = 0, skewed = 0;
    for (int r = 0; r < 9; ++r)
      for (int s = 0; s < 9; ++s) {
        cartesian += strain[r] * m[r * 9 + s] * strain[s];
        skewed += grid[r] * packed(a[c], e, r + 1, s + 1) * grid[s];
      }
    EXPECT_NEAR(skewed, cartesian, 1e-4 * (1 + std::fabs(cartesian))) << "element " << e;

    const double gx = u(gen), gy = u(gen);
    const double g1[2] = {x1[0] * gx + x1[1] * gy, y1[0] * gx + y1[1] * gy};
    const double s1 = a[ss](1, e), s2 = a[ss](2, e), s3 = a[ss](3, e);
    const double h1 = a[ch](1, e), h2 = a[ch](2, e), h3 = a[ch](3, e);
    EXPECT_NEAR(g1[0] * g1[0] * h1 + 2 * g1[0] * g1[1] * h2 + g1[1] * g1[1] * h3,
                gx * gx * s1 + 2 * gx * gy * s2 + gy * gy * s3, 1e-5)
        << "element " << e;
  }
}

TEST_F(ElementTerms, DegenerateSkewIsRejectedBelowCosineOneFifth) {
  a.randomize(5);
  // the largest skew in degrees whose cosine, in 32 bits, is still 0.2
  const auto cosine = [](float degrees) { return std::cos(radians_from_degrees(degrees)); };
  float limit = std::acos(0.2f) * 180.0f / pi;
  while (cosine(limit) < 0.2f) limit = std::nextafter(limit, 0.0f);
  while (cosine(std::nextafter(limit, 90.0f)) >= 0.2f) limit = std::nextafter(limit, 90.0f);
  std::int32_t ier = -1;
  state::f07ang = {limit, 0.0f};
  a.tfmstf(ier);
  EXPECT_EQ(ier, 0);
  EXPECT_TRUE(listing().empty());

  state::f07ang = {std::nextafter(limit, 90.0f), 0.0f};  // cos(x - y) just below 0.2
  a.tfmstf(ier);
  EXPECT_EQ(ier, 1);
  EXPECT_EQ(listing(),
            (std::vector<std::string>{" MESSAGE FROM SUBROUTINE TFMSTF:", " DEGENERATE ELEMENT SHAPE"}));
  EXPECT_TRUE(std::all_of(a.v[c].begin(), a.v[c].end(), [](float x) { return x == 0.0f; }));
}

// The term list of element e, a term a line: code 1, code 2, pair code and
// the coefficient in its shortest exact form.
std::vector<std::string> terms(int e) {
  auto& q = state::f01qua<V>();
  std::vector<std::string> t;
  for (int i = 1; i <= q.ikt(e); ++i) {
    char f[32];
    *std::to_chars(f, f + sizeof f - 1, q.fquad(i, e)).ptr = '\0';
    t.push_back(std::to_string(q.kquad(i, 1, e)) + " " + std::to_string(q.kquad(i, 2, e)) + " " +
                std::to_string(q.kquad(i, 3, e)) + " " + f);
  }
  return t;
}

TEST_F(ElementTerms, PureBendingGivesTheCurvatureProductsOfW) {
  const float d[6] = {10, 3, 8, 0.5f, -0.25f, 2};
  for (int i = 0; i < 6; ++i) a[dd](i + 1, 2) = d[i];
  std::int32_t ier;
  a.tfmstf(ier);
  a.f01kbf();
  EXPECT_EQ(terms(2), testing::data_section("element_terms.txt", "pure bending"));
  EXPECT_TRUE(terms(1).empty());
}

TEST_F(ElementTerms, CurvedShearStrainCarriesW) {
  a[bb](6, 1) = 5.0f;  // membrane shear stiffness only
  a[ss](1, 1) = 2.0f, a[ss](2, 1) = -1.0f, a[ss](3, 1) = 3.0f;
  state::f07inb.rxy() = 4.0f;
  std::int32_t ier;
  a.tfmstf(ier);
  a.f01kbf();
  EXPECT_EQ(terms(1), testing::data_section("element_terms.txt", "curved shear"));
}

TEST_F(ElementTerms, StrainTableTooLongEmptiesTheTermListsWithAMessage) {
  a.randomize(7);
  std::int32_t ier;
  a.tfmstf(ier);
  a.f01kbf();
  ASSERT_EQ(state::f01qua<V>().ikt(1), 125);
  std::fill(state::f01eps.feps.begin(), state::f01eps.feps.end(), 1.0f);  // 27 x 27 + 6 x 6 terms
  a.f01kbf();
  EXPECT_EQ(listing(), (std::vector<std::string>{
                           " MESSAGE FROM SUBROUTINE F01KBF:", " IKT(  1) =        765  IS ABOVE   340",
                           " INCONSISTENT DATA: TERM LISTS EMPTIED"}));
  for (int e = 1; e <= 6; ++e) EXPECT_TRUE(terms(e).empty());
  EXPECT_EQ(state::f01qua<V>().fquad(1, 1), 0.0f);
}

}  // namespace
}  // namespace ruvo::testing
