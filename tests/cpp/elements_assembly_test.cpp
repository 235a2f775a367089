// Skin, stiffener and geometric stiffness assembled over small grids of
// unequal elements and checked as quadratic forms: x^T A x for freedoms
// sampled from a bicubic field equals the exact energy integral of the same
// field, which catches scatter, scale and sign faults that entry checks miss.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "elements/geometric_stiffness.hpp"
#include "elements/mass_matrix.hpp"
#include "elements/plate_matrices.hpp"
#include "elements/stiffener_matrices.hpp"
#include "elements_assembly_fixture.hpp"

namespace ruvo::testing {
namespace {

Bicubic field(double scale = 1.0) {
  Bicubic p;
  const double c[16] = {0.3, -0.7, 0.45, 0.2, 0.9,  -0.35, 0.15, -0.05,
                        0.6, 0.25, -0.4, 0.1, -0.2, 0.08,  0.12, -0.03};
  for (int m = 0; m < 4; ++m)
    for (int n = 0; n < 4; ++n) p.c[m][n] = scale * c[4 * m + n];
  return p;
}

Bicubic linear(double c0, double cx, double cy) {
  Bicubic p;
  p.c[0][0] = c0;
  p.c[1][0] = cx;
  p.c[0][1] = cy;
  return p;
}

void expect_relative(double got, double want, double tolerance = 2e-5) {
  EXPECT_NEAR(got, want, tolerance * std::abs(want)) << "got " << got << ", want " << want;
}

constexpr float D11 = 1.3f, D12 = 0.39f, D22 = 1.1f, D66 = 0.455f;
const std::vector<HandTerm> bending = {
    {D11, 120, 120}, {D12, 120, 102}, {D12, 102, 120}, {D22, 102, 102}, {4 * D66, 111, 111}};

double bending_energy(const Bicubic& w) {
  return AssemblyTest::integral([&](double x, double y) {
    const double xx = w(x, y, 2, 0), yy = w(x, y, 0, 2), xy = w(x, y, 1, 1);
    return D11 * xx * xx + 2 * D12 * xx * yy + D22 * yy * yy + 4 * D66 * xy * xy;
  });
}

TEST_F(AssemblyTest, BendingStiffnessIsTheBendingEnergyOfBicubicFields) {
  panel({1.0f, 1.5f, 0.7f}, {0.8f, 1.2f}, {1});
  terms(bending);
  std::vector<double> a11 = profile(lvtri(), state::man.ix);
  std::int32_t ier = -1;
  cmpa11<V>(a11, shared_inputs<V>(), ier);
  ASSERT_EQ(ier, 0);
  expect_relative(quadratic_form(a11, lvtri(), w_freedoms(field())), bending_energy(field()));
  // Rigid-body motion of a flat plate stores no energy.
  EXPECT_NEAR(quadratic_form(a11, lvtri(), w_freedoms(linear(0.4, -0.3, 0.8))), 0.0, 1e-9);
}

TEST_F(AssemblyTest, GeometricStiffnessIsTheWorkOfTheMembraneForces) {
  panel({1.0f, 1.5f, 0.7f}, {0.8f, 1.2f}, {1});
  const auto& ina = state::f07ina<V>();
  // Nx growing linearly in x (the skin force varies linearly along x in an
  // element), Nxy and Ny uniform.
  Array<float, V::p_nodes, 3> pmem{};
  for (int i = 1; i <= ina.mx; ++i)
    for (int j = 1; j <= ina.my; ++j) {
      const int n = ina.leit(j, i);
      pmem(n, 1) = float(1.7 + 0.5 * x_line(i));
      pmem(n, 2) = -0.6f;
      pmem(n, 3) = 0.9f;
    }
  std::vector<double> b = profile(lvtri(), state::man.ix);
  std::int32_t ier = -1;
  cmpbmt<V>(b, lvtri(), ArrayRef<float, 2>(pmem.data, {V::p_nodes, 3}), 1.0f, shared_inputs<V>(), ier);
  ASSERT_EQ(ier, 0);
  const Bicubic w = field();
  const std::vector<double> x = w_freedoms(w);
  const double work = integral([&](double px, double py) {
    const double wx = w(px, py, 1, 0), wy = w(px, py, 0, 1);
    return (1.7 + 0.5 * px) * wx * wx + 2 * -0.6 * wx * wy + 0.9 * wy * wy;
  });
  expect_relative(quadratic_form(b, lvtri(), x), work);
  // A second call adds the same again; fakt scales everything.
  cmpbmt<V>(b, lvtri(), ArrayRef<float, 2>(pmem.data, {V::p_nodes, 3}), -3.0f, shared_inputs<V>(), ier);
  expect_relative(quadratic_form(b, lvtri(), x), -2 * work);
}

// Membrane strains (U,x + k W, V,y, U,y + V,x) of a shell curved in x with
// stiffnesses (A11, A12, A22, A66).
constexpr float A11 = 2.1f, A12 = 0.6f, A22 = 1.8f, A66 = 0.7f;
std::vector<HandTerm> membrane(float k) {
  std::vector<HandTerm> list = {{A11, 210, 210}, {A12, 210, 301}, {A12, 301, 210}, {A22, 301, 301},
                                {A66, 201, 201}, {A66, 201, 310}, {A66, 310, 201}, {A66, 310, 310}};
  if (k != 0.0f)
    for (HandTerm t : {HandTerm{k * A11, 100, 210},
                       {k * A11, 210, 100},
                       {k * k * A11, 100, 100},
                       {k * A12, 100, 301},
                       {k * A12, 301, 100}})
      list.push_back(t);
  return list;
}

struct Assembled {
  std::vector<double> a11, a22, a21;
};

Assembled assemble_all(int ix, int iy) {
  Assembled m{AssemblyTest::profile({state::comlv<V>().lvtri.data, V::p_nx}, ix),
              AssemblyTest::profile({state::comlv<V>().lva22.data, V::p_ny}, iy),
              std::vector<double>(std::size_t(V::p_ny) * ix)};
  std::int32_t ier = -1;
  cmpa22<V>(m.a22, shared_inputs<V>(), ier);
  EXPECT_EQ(ier, 0);
  cmpa21<V>(ArrayRef<double, 2>(m.a21.data(), {V::p_ny, ix}), iy, shared_inputs<V>(), ier);
  EXPECT_EQ(ier, 0);
  cmpa11<V>(m.a11, shared_inputs<V>(), ier);
  EXPECT_EQ(ier, 0);
  return m;
}

// [w; t]^T [[A11, A21^T], [A21, A22]] [w; t].
double coupled_form(const Assembled& m, const std::vector<double>& w, const std::vector<double>& t) {
  double cross = 0;
  for (std::size_t c = 0; c < w.size(); ++c)
    for (std::size_t r = 0; r < t.size(); ++r) cross += t[r] * m.a21[c * V::p_ny + r] * w[c];
  return AssemblyTest::quadratic_form(m.a11, {state::comlv<V>().lvtri.data, V::p_nx}, w) + 2 * cross +
         AssemblyTest::quadratic_form(m.a22, {state::comlv<V>().lva22.data, V::p_ny}, t);
}

// Curved, the membrane strain couples W to U and V; flat, the coupling block stays zero.
TEST_F(AssemblyTest, MembraneAndBendingEnergyCoupleTheFreedomsOnlyWhenCurved) {
  for (const float k : {-0.4f, 0.0f}) {
    panel({1.0f, 1.5f, 0.7f}, {0.8f, 1.2f}, {1, 2, 3});
    std::vector<HandTerm> list = membrane(k);
    list.insert(list.end(), bending.begin(), bending.end());
    terms(list);
    const Assembled m = assemble_all(state::man.ix, state::man.iy);
    const Bicubic w = field(0.5), u = field(-0.8), v = field(1.1);
    std::vector<double> xw(state::man.ix), xt(state::man.iy);
    sample(w, 1, xw);
    sample(u, 2, xt);
    sample(v, 3, xt);
    const double membrane_energy = integral([&](double x, double y) {
      const double ex = u(x, y, 1, 0) + k * w(x, y), ey = v(x, y, 0, 1), g = u(x, y, 0, 1) + v(x, y, 1, 0);
      return A11 * ex * ex + 2 * A12 * ex * ey + A22 * ey * ey + A66 * g * g;
    });
    expect_relative(coupled_form(m, xw, xt), membrane_energy + bending_energy(w));
    EXPECT_EQ(std::count(m.a21.begin(), m.a21.end(), 0.0) == std::ptrdiff_t(m.a21.size()), k == 0.0f) << k;
  }
}

// Stiffener on grid line `line`: axial strain e = U,s + k W along it; the
// cases of data/stiffener_energies.txt.
struct StiffenerCase {
  char xory;
  int line;
  float ea, es, ei, gj, k;
};

class StiffenerEnergy : public AssemblyTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(StiffenerEnergy, IsTheBeamEnergyAlongItsLine) {
  StiffenerCase s{};
  ASSERT_TRUE(std::istringstream(data_fields(GetParam())[1]) >> s.xory >> s.line >> s.ea >> s.es >> s.ei >> s.gj >> s.k);
  panel({1.0f, 1.5f, 0.7f}, {0.8f, 1.2f, 0.9f}, {1, 2, 3});
  terms({});
  auto& dis = state::f07dis<V>();
  const bool along_x = s.xory == 'X';
  auto& stiffness = along_x ? dis.steifx : dis.steify;
  (along_x ? dis.nox : dis.noy) = 1;
  (along_x ? dis.istx : dis.isty)(1) = s.line;
  stiffness(1, 1) = s.ea, stiffness(2, 1) = s.es, stiffness(3, 1) = s.ei, stiffness(4, 1) = s.gj;
  state::f01eps.feps(1, 2) = along_x ? s.k : 0.0f;
  state::f01eps.feps(2, 2) = along_x ? 0.0f : s.k;
  const Assembled m = assemble_all(state::man.ix, state::man.iy);
  const Bicubic w = field(0.5), t = field(-0.8);
  std::vector<double> xw(state::man.ix), xt(state::man.iy);
  sample(w, 1, xw);
  sample(t, along_x ? 2 : 3, xt);
  const double line = along_x ? y_line(s.line) : x_line(s.line);
  const double energy = line_integral(along_x, [&](double p) {
    const double x = along_x ? p : line, y = along_x ? line : p;
    const double e = t(x, y, along_x, !along_x) + s.k * w(x, y);
    const double curvature = w(x, y, along_x ? 2 : 0, along_x ? 0 : 2), twist = w(x, y, 1, 1);
    return s.ea * e * e + 2 * s.es * e * curvature + s.ei * curvature * curvature + s.gj * twist * twist;
  });
  expect_relative(coupled_form(m, xw, xt), energy);
  state::f01eps.feps(1, 2) = state::f01eps.feps(2, 2) = 0.0f;
}

INSTANTIATE_TEST_SUITE_P(BothDirections, StiffenerEnergy,
                         ::testing::ValuesIn(data_rows("stiffener_energies.txt")), row_name);

TEST_F(AssemblyTest, StiffenerForcesFollowTheSkinStrain) {
  panel({1.0f, 1.5f, 0.7f}, {0.8f, 1.2f}, {1, 2, 3});
  auto& dis = state::f07dis<V>();
  dis.nox = 1, dis.istx(1) = 2, dis.steifx(1, 1) = 4.0f;
  state::f07aij.aij = {};
  state::f07aij.aij(1, 1) = 0.5f;
  state::f07aij.aij(1, 2) = -0.1f;
  Array<float, V::p_nodes, 3> pmem{};
  for (int n = 1; n <= 12; ++n) pmem(n, 1) = 2.0f, pmem(n, 3) = 1.0f;
  std::vector<double> b = profile(lvtri(), state::man.ix);
  std::int32_t ier = -1;
  bmatst<V>('X', b, lvtri(), ArrayRef<float, 2>(pmem.data, {V::p_nodes, 3}), 1.0f, state::f07dis<V>(),
            state::f07aij.aij, ier);
  ASSERT_EQ(ier, 0);
  const float force = 4.0f * (0.5f * 2.0f - 0.1f * 1.0f);
  EXPECT_EQ(state::test.pax(1), force);
  EXPECT_EQ(state::test.pax(2), force);
  const Bicubic w = field();
  const double line = y_line(2);
  expect_relative(quadratic_form(b, lvtri(), w_freedoms(w)), line_integral(true, [&](double p) {
                    const double wx = w(p, line, 1, 0);
                    return force * wx * wx;
                  }));
}

TEST_F(AssemblyTest, MassIsTheKineticEnergyOfSkinAndStiffeners) {
  panel({1.0f, 1.5f, 0.7f}, {0.8f, 1.2f}, {1, 2, 3});
  state::densit.dom = 2.5f;
  auto& dis = state::f07dis<V>();
  dis.nox = 1, dis.istx(1) = 2, dis.domx(1) = 0.6f;
  dis.noy = 2, dis.isty(1) = 3, dis.domy(1) = 0.4f, dis.isty(2) = 4,
  dis.domy(2) = 1.0e-31f;  // too light to count
  std::vector<double> m = profile(lvb(), state::man.ix);
  std::fill(m.begin(), m.end(), 9.0);  // cleared first
  std::int32_t ier = -1;
  cmpmmt<V>(m, lvb(), shared_inputs<V>(), ier);
  ASSERT_EQ(ier, 0);
  const Bicubic w = field();
  const double skin = integral([&](double px, double py) { return 2.5 * w(px, py) * w(px, py); });
  const double stringer = line_integral(true, [&](double p) { return 0.6 * std::pow(w(p, y_line(2)), 2); });
  const double frame = line_integral(false, [&](double p) { return 0.4 * std::pow(w(x_line(3), p), 2); });
  expect_relative(quadratic_form(m, lvb(), w_freedoms(w)), skin + stringer + frame);
  state::densit.dom = 0.0f;
}

}  // namespace
}  // namespace ruvo::testing
