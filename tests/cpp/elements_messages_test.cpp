// Shape functions, freedom lookups and the failure paths of the element
// assemblies: each code, and each message record character for character
// (data/element_messages.txt).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "elements/geometric_stiffness.hpp"
#include "elements/plate_matrices.hpp"
#include "elements/shape_functions.hpp"
#include "elements/stiffener_matrices.hpp"
#include "elements/stiffener_set.hpp"
#include "elements_assembly_fixture.hpp"

namespace ruvo::testing {
namespace {

using Lines = std::vector<std::string>;

Lines messages(const std::string& name) { return data_section("element_messages.txt", name); }
// The last records of `text`, as many as `expected` holds.
Lines last(const Lines& text, const Lines& expected) {
  return {text.end() - std::ptrdiff_t(std::min(expected.size(), text.size())), text.end()};
}

TEST(ShapeFunctions, ValuesAtTheEndsAndTheTolerance) {
  float val = -1;
  std::int32_t ier = -1;
  const auto at = [&](int i, float s) { return phi(i, s, val, ier), val; };
  EXPECT_EQ((std::array{at(1, 0), at(2, 0), at(3, 0), at(4, 0)}), (std::array{1.0f, 0.0f, 0.0f, 0.0f}));
  EXPECT_EQ((std::array{at(1, 1), at(2, 1), at(3, 1), at(4, 1)}), (std::array{0.0f, 0.0f, 1.0f, 0.0f}));
  EXPECT_EQ(at(2, 0.5f), 0.125f);
  at(1, -0.000005f);  // within the tolerance
  EXPECT_EQ(ier, 0);
  val = 7;
  phi(1, 1.00002f, val, ier);
  EXPECT_EQ(ier, 1);
  phi(5, 0.5f, val, ier);
  EXPECT_EQ(ier, 2);
  EXPECT_EQ(val, 7);
}

TEST_F(AssemblyTest, ElementAndSegmentLookupsToTheLastRowAndBeyond) {
  panel({1.0f, 1.0f}, {1.0f, 1.0f}, {1, 2, 3});
  ElementFreedoms iu{};
  std::int32_t ier = -1;
  iuoriv<V>(2, 2, 1, iu, ier);  // last row and column
  EXPECT_EQ(ier, 0);
  // Node (x-line 2, y-line 2), its last corner and FY of node (x-line 3, y-line 2).
  const auto& lm = state::f07mat<V>().lm;
  EXPECT_EQ((std::array{iu(1, 1), iu(4, 4), iu(2, 3)}), (std::array{lm(1, 1, 5), lm(1, 4, 9), lm(1, 3, 8)}));
  iu(1, 1) = 77;
  iuoriv<V>(3, 1, 1, iu, ier);
  EXPECT_EQ(ier, 1);
  EXPECT_EQ(iu(1, 1), 77);      // untouched
  iuoriv<V>(1, 1, 4, iu, ier);  // BETA is not carried by (1,2,3): zeros, no message
  EXPECT_EQ(ier, 2);
  for (int v : iu.data) EXPECT_EQ(v, 0);

  SegmentFreedoms kv{};
  kuorkv<V>('X', 2, 2, 2, kv, ier);  // y-line 2, between x-lines 2 and 3: nodes 5 and 8
  EXPECT_EQ(ier, 0);
  EXPECT_EQ((std::array{kv(1, 2), kv(2, 1), kv(1, 3)}), (std::array{lm(2, 2, 5), lm(2, 3, 5), lm(2, 1, 8)}));
  kuorkv<V>('x', 1, 1, 1, kv, ier);
  EXPECT_EQ(ier, 1);
  kuorkv<V>('Y', 3, 3, 1, kv, ier);  // beyond the last y-line
  EXPECT_EQ(ier, 2);
  EXPECT_EQ(last(written(), messages("kuorkv")), messages("kuorkv"));  // after the IUORIV records
}

TEST_F(AssemblyTest, CouplingWithTheWrongRowCountIsLeftUntouched) {
  panel({1.0f}, {1.0f}, {1, 2, 3});
  terms({{1.0f, 100, 210}});
  std::vector<double> a21(std::size_t(V::p_ny) * state::man.ix, 5.0);
  std::int32_t ier = -1;
  cmpa21<V>(ArrayRef<double, 2>(a21.data(), {V::p_ny, state::man.ix}), state::man.iy - 1, shared_inputs<V>(),
            ier);
  EXPECT_EQ(ier, assembly_code::wrong_rows);
  for (double v : a21) ASSERT_EQ(v, 5.0);
  EXPECT_EQ(written(), messages("cmpa21 rows"));
}

TEST_F(AssemblyTest, StiffenersNeedBothTangentialFreedomsOrNeither) {
  // U without V: refused, and the failure reaches the assembly.
  panel({1.0f}, {1.0f}, {1, 2, 4});
  terms({});
  auto& dis = state::f07dis<V>();
  dis.nox = 1, dis.istx(1) = 1, dis.steifx(3, 1) = 1.0f;
  std::vector<double> a11 = profile(lvtri(), state::man.ix);
  std::int32_t ier = -1;
  cmpa11<V>(a11, shared_inputs<V>(), ier);  // the process lives on and the code comes back
  EXPECT_EQ(ier, assembly_code::x_stiffeners);
  EXPECT_EQ(written(), messages("a11xst without u, v"));
  // Neither (W, BETA, GAMMA): the stiffener's W terms enter, its in-plane parts drop.
  panel({1.0f}, {1.0f}, {1, 4, 5});
  terms({});
  dis.nox = 1, dis.istx(1) = 1, dis.steifx(3, 1) = 1.0f;
  a11 = profile(lvtri(), state::man.ix);
  cmpa11<V>(a11, shared_inputs<V>(), ier);
  EXPECT_EQ(ier, 0);
  EXPECT_NE(std::count(a11.begin(), a11.end(), 0.0), std::ptrdiff_t(a11.size()));
  std::vector<double> a22(std::size_t(V::p_ny) * 4, 0.0);
  a22ast<V>('X', a22, state::f07dis<V>(), ier);
  EXPECT_EQ(ier, 0);
  EXPECT_EQ(std::count(a22.begin(), a22.end(), 0.0), std::ptrdiff_t(a22.size()));
  EXPECT_EQ(written(), Lines{});
}

TEST_F(AssemblyTest, StiffenersOffTheGridFailInTheLookup) {
  panel({1.0f, 1.0f}, {1.0f}, {1, 2, 3});
  terms({});
  auto& dis = state::f07dis<V>();
  dis.noy = 1, dis.isty(1) = 4, dis.steify(1, 1) = 1.0f;  // beyond the x-lines
  std::vector<double> a22 = profile(lva22(), state::man.iy), b = profile(lvtri(), state::man.ix);
  std::int32_t ier = -1;
  cmpa22<V>(a22, shared_inputs<V>(), ier);
  EXPECT_EQ(ier, assembly_code::y_stiffeners);
  EXPECT_EQ(last(written(), messages("a22ast lookup")), messages("a22ast lookup"));

  dis.noy = 0, dis.nox = 1, dis.istx(1) = 3;  // beyond the y-lines
  Lines want = written(), more = messages("cmpbmt stiffener");
  want.insert(want.end(), more.begin(), more.end());
  Array<float, V::p_nodes, 3> pmem{};
  cmpbmt<V>(b, lvtri(), ArrayRef<float, 2>(pmem.data, {V::p_nodes, 3}), 1.0f, shared_inputs<V>(), ier);
  EXPECT_EQ(ier, cmpbmt_code::x_stiffeners);
  EXPECT_EQ(written(), want);
}

TEST_F(AssemblyTest, InadmissibleDirections) {
  panel({1.0f}, {1.0f}, {1, 2, 3});
  std::vector<double> a21(std::size_t(V::p_ny) * state::man.ix), b = profile(lvtri(), state::man.ix);
  std::int32_t ier = -1;
  a21ast<V>('Z', ArrayRef<double, 2>(a21.data(), {V::p_ny, state::man.ix}), state::f07dis<V>(), ier);
  EXPECT_EQ(ier, elements::stiffener_code::direction);
  a22ast<V>('Z', b, state::f07dis<V>(), ier);
  EXPECT_EQ(ier, elements::stiffener_code::direction);
  Array<float, V::p_nodes, 3> pmem{};
  bmatst<V>('Z', b, lvtri(), ArrayRef<float, 2>(pmem.data, {V::p_nodes, 3}), 1.0f, state::f07dis<V>(),
            state::f07aij.aij, ier);
  EXPECT_EQ(ier, elements::stiffener_code::direction_first);
  EXPECT_EQ(written(), messages("directions"));
}

}  // namespace
}  // namespace ruvo::testing
