// The stiffened-panel builder: subdivision, stiffener tables, the force field
// of every node, and the arguments it refuses.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "driver/callruvo.hpp"
#include "model/blocks.hpp"

namespace ruvo {
namespace {

using V = ruvo31;

// The arguments of one panel, with storage for the arrays.
struct Panel {
  std::array<float, 36> matabdf{};
  std::array<float, 4> steifxf{1000, 0, 5000, 10}, steifyf{2000, 0, 7000, 20};
  std::array<double, 55> elamp{};
  std::array<double, 275> membraneforcesp{};
  std::array<std::int32_t, 5> ku{1, 2, 3, 0, 0};
  std::array<std::int32_t, V::p_stf> istx{}, isty{};
  std::array<std::int32_t, V::p_rtnds - 1> elmstf{};
  std::array<std::int32_t, 7> edge{};
  std::vector<double> displ = std::vector<double>(std::size_t(V::p_nx) * 2);
  PanelArguments<V> args{"panel", "title", 1e29f,   1e29f,  1e29f,
                         matabdf, steifxf, steifyf, 600.0f, 150.0f,
                         1,       30.0f,   20.0f,   90.0f,  25.0f,
                         -10.0f,  0.0f,    0.0f,    0.0f,   0.0f,
                         0.0f,    0.0f,    0.0f,    elamp,  membraneforcesp,
                         0,       6,       2,       1,      0,
                         ku,      istx,    isty,    elmstf, edge,
                         edge,    edge,    edge,    4,      2,
                         8,       2,       displ};

  Panel() {
    // laminate 2 twice as stiff in tension, three times in shear
    for (int lam = 0; lam < 2; ++lam) {
      float* m = matabdf.data() + 18 * lam;
      m[0] = m[2] = 1000.0f * float(lam + 1);
      m[1] = 300.0f * float(lam + 1);
      m[5] = 350.0f * float(1 + 2 * lam);
      m[12] = m[14] = 100.0f;
    }
  }
  void rows(std::initializer_list<int> laminates) {
    elmstf.fill(0);
    int j = 0;
    for (int l : laminates) elmstf[std::size_t(j++)] = l;
  }
};

TEST(CallruvoPlan, XSubdivisionByFrameBaysAndTheFramesOffTheEdges) {
  Panel p;
  p.isty[0] = 3;
  p.isty[1] = 7;
  p.rows({1, 1});
  const PanelModel<V> m = plan_panel(p.args);
  EXPECT_EQ((std::array{m.x_subdivisions, m.mx}), (std::array{8, 9}));  // 4·1 + 2·3 − 2 subdivisions
  EXPECT_EQ((std::array{m.ap(8), m.ap(9)}), (std::array{150.0f, 0.0f}));
  p.isty[0] = 0;  // no frames: one bay of anzelzwframes elements
  p.args.anzelzwframes = 6;
  EXPECT_EQ(plan_panel(p.args).mx, 7);
}

TEST(CallruvoPlan, TypeTwoRowsTellTheBayFromTheSkinBetweenTheFeet) {
  Panel p;
  p.args.stypep = 2;  // alpha = 90: t = 1, belhat = 2·height + chord = 80
  p.rows({1, 1, 2, 2, 1, 1, 2, 2, 1, 1});
  const PanelModel<V> m = plan_panel(p.args);
  const float bay = (150.0f - 80.0f - 40.0f) / 8.0f, below = 80.0f / 2.0f, foot = 20.0f / 2.0f;
  const float want[10] = {bay, bay, foot, foot, below, below, foot, foot, bay, bay};
  for (int j = 1; j <= 10; ++j) EXPECT_FLOAT_EQ(m.bp(j), want[j - 1]) << j;
  EXPECT_EQ(m.my, 11);
}

TEST(CallruvoPlan, UnstiffenedPanelSpansAllLinesWithoutStiffness) {
  Panel p;
  p.args.stypep = 4;
  p.istx[0] = 5;
  const PanelModel<V> m = plan_panel(p.args);
  EXPECT_EQ(m.my, V::p_rtnds);
  EXPECT_FLOAT_EQ(m.bp(30), 5.0f);
  for (float s : m.steifxp.data) EXPECT_EQ(s, 0.0f);
  EXPECT_EQ(m.y_line(3).variable[0], -10.0f);
}

TEST(CallruvoPlan, LinesUnderAFootCarryTheAxialForceOfAnEqualStrainAndTheShearFlowOfTheBay) {
  Panel p;
  p.istx[0] = 2;
  p.args.fnxyp = 4.0f;
  p.rows({2, 1, 1, 2});
  const PanelModel<V> m = plan_panel(p.args);
  ASSERT_EQ(m.my, 5);
  const float factx = (2000.0f - 600.0f * 600.0f / 2000.0f) / (1000.0f - 300.0f * 300.0f / 1000.0f);
  EXPECT_FLOAT_EQ(m.y_line(1).variable[0], -10.0f * factx);
  EXPECT_FLOAT_EQ(m.y_line(1).constant[1], 4.0f);  // Nxy: equilibrium across the foot's edge, not A66's ratio 3
  EXPECT_FLOAT_EQ(m.y_line(4).variable[0], -10.0f * factx);
  // The last y-line has the given force, whatever its row.
  EXPECT_EQ((std::array{m.y_line(2).variable[0], m.y_line(5).variable[0]}), (std::array{-10.0f, -10.0f}));
  EXPECT_EQ((std::array{m.steifxp(1, 1), m.steifxp(1, 2)}), (std::array{1000.0f, 0.0f}));
}

TEST(CallruvoFault, RefusesWhatWouldIndexOutsideOrDivideByZero) {
  auto fault = [](auto change) {
    Panel p;
    p.rows({1, 1, 1});
    change(p);
    return callruvo_fault(p.args);
  };
  EXPECT_EQ(fault([](Panel&) {}), "");
  // The refusals themselves are tested from Python (test_buckling.py,
  // callruvo's refusals); here the edges of what is taken.
  EXPECT_EQ(fault([](Panel& p) { p.args.anzelbelowstr = 0; }), "");  // not a divisor of type 1
  EXPECT_EQ(fault([](Panel& p) { p.args.stypep = 5, p.args.anzelzwstr = 0; }), "");
  EXPECT_EQ(fault([](Panel& p) { p.isty[0] = 3, p.isty[1] = 9; }), "");  // x-lines 1..9, frame 9 fits
  EXPECT_NE(fault([](Panel& p) { p.isty[0] = 3, p.isty[1] = 10; }), "");
  EXPECT_NE(fault([](Panel& p) { p.args.neigrq = 3; }), "");  // displ holds two modes
}

}  // namespace
}  // namespace ruvo
