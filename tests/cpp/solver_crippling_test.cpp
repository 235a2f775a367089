// Crippling of T and omega stringer walls and the global buckling load,
// against the closed forms of an isotropic wall and a column with an
// effective skin width.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "input_listing_fixture.hpp"
#include "solver/crippling.hpp"
#include "solver/global_buckling.hpp"

namespace ruvo {
namespace {

using testing::sp;
using Lines = std::vector<std::string>;

// Isotropic wall of thickness t, E = 70000, nu = 0.3: D, nu·D, D, 0, 0, D(1-nu)/2.
struct Wall {
  float d;
  float ddst[6];
  explicit Wall(float t)
      : d(70000.0f * t * t * t / (12.0f * (1.0f - 0.09f))), ddst{d, 0.3f * d, d, 0, 0, 0.35f * d} {}
};

TEST(Crippling, TProfileWebIsTheLongStripSupportedOnOneEdgeAndFreeOnTheOther) {
  const Wall w(2.0f);
  const float h = 30.0f;
  const TProfileCrippling r = t_profile_crippling(h, 2.0f, w.ddst, 5.0e6f, 20.0f, 1.5f);
  const double k = 6.0 * (1.0 - 0.3) / (M_PI * M_PI);  // 0.4255
  EXPECT_NEAR(r.force, k * M_PI * M_PI * w.d / h, 1e-4 * r.force);
  EXPECT_NEAR(r.stress, r.force / h / 2.0f, 1e-5 * r.stress);  // over the web's section
  EXPECT_NEAR(r.strain, r.force / (5.0e6 * 60.0 / (30.0 + 60.0)), 1e-5 * r.strain);
}

TEST(Crippling, OmegaWallsAreStripsSupportedOnBothEdgesEachWithItsOwnBendingStiffness) {
  const Wall web(1.0f), chord(1.5f);
  const OmegaCrippling r = omega_crippling(20.0f, 25.0f, 120.0f, web.ddst, chord.ddst);
  EXPECT_FLOAT_EQ(r.web_length, 40.0f);  // cos 60° = 1/2: the web length doubles
  EXPECT_NEAR(r.web_force, 4.0 * M_PI * M_PI * web.d / 40.0, 1e-5 * r.web_force);  // k = 4
  EXPECT_NEAR(r.chord_force, 4.0 * M_PI * M_PI * chord.d / 25.0, 1e-5 * r.chord_force);
  EXPECT_FLOAT_EQ(omega_crippling(20.0f, 25.0f, 0.0f, web.ddst, web.ddst).web_length, 20.0f);
}

class CripplingListing : public testing::ListingTest {};

TEST_F(CripplingListing, ForcesAreOneE205RecordEach) {
  const Wall w(1.0f);
  Stringercom& s = state::stringercom;
  s.webheight = 20.0f, s.webth = 1.0f, s.chordwidth = 25.0f, s.alpha = 120.0f;
  for (int i = 1; i <= 6; ++i) s.ddst(i) = w.ddst[i - 1];
  state::test.stiffx = 1.0e6f;
  std::int32_t ier = -7;
  cripplingt(ier);
  EXPECT_EQ(ier, -7);  // neither set nor read
  EXPECT_GT(state::test.sigmweb, 0.0f);
  cripplingo(ier);
  EXPECT_FLOAT_EQ(s.webheight, 40.0f);
  const Lines got = listing();
  ASSERT_EQ(got.size(), 12u);
  EXPECT_EQ((Lines{got[2], got[3].substr(0, 9), got[6], got[10]}),
            (Lines{"  CRIPPLING FORCE:", sp(9), "  CRIPPLING FORCE OF WEB:", "  CRIPPLING FORCE OF CHORD:"}));
  EXPECT_EQ(got[3].size(), 20u);
}

// A flat panel: Z = 0, k = 4.
GlobalBucklingData flat_panel() {
  GlobalBucklingData d{};
  d.footth = 2.0f, d.webth = 2.0f, d.footwidth = 20.0f, d.webheight = 25.0f;
  d.skinth = 1.5f, d.stpitch = 150.0f, d.sigmweb = 300.0f;
  d.length = 500.0f, d.width = 600.0f, d.ry = 1.0e29f;
  d.a11 = 70000.0f * 1.5f / 0.91f;
  d.aij11 = d.aij22 = 1.0f, d.aij21 = d.aij12 = -0.3f;
  d.fstbug = -0.0f;
  return d;
}

// The stable point of the column with an effective skin width, solved in
// double precision by bisection on the column stress.
double stable_load(const GlobalBucklingData& d) {
  const double q = 1 - 0.09, e = q * d.a11 / d.skinth, kstar = 4 * M_PI * M_PI / (12 * q), ts = d.skinth;
  const double af = d.footth * d.footwidth, aw = d.webth * d.webheight;
  const double zf = ts + d.footth / 2.0, zw = ts + d.footth + d.webheight / 2.0;
  auto column = [&](double sigma, double& w) {
    w = ts * std::sqrt(kstar * e / sigma);
    const double as = ts * w, a = af + aw + as;
    const double c = (as * ts / 2 + af * zf + aw * zw) / a;
    const double i = af * (zf - c) * (zf - c) + d.footth * std::pow(d.footth, 2) * d.footwidth / 12 +
                     std::pow(d.webheight, 3) * d.webth / 12 + aw * (zw - c) * (zw - c) +
                     std::pow(ts, 3) * w / 12 + as * (ts / 2 - c) * (ts / 2 - c);
    const double slender = d.length / std::sqrt(i / a);
    return d.sigmweb - slender * slender * d.sigmweb * d.sigmweb / (4 * M_PI * M_PI * e);
  };
  double lo = 1.0, hi = d.sigmweb, w = 0;
  for (int it = 0; it < 200; ++it) {
    const double mid = 0.5 * (lo + hi);
    (column(mid, w) > mid ? lo : hi) = mid;
  }
  column(lo, w);
  return (d.width / d.stpitch) * (lo * (af + aw + ts * w) + (d.stpitch - w) * d.fstbug);
}

TEST(GlobalBuckling, IterationSettlesAtTheStablePointOfTheEffectiveWidth) {
  GlobalBucklingData d = flat_panel();
  const GlobalBucklingResult r = global_buckling(d);
  EXPECT_TRUE(r.converged);
  EXPECT_NEAR(r.load, stable_load(d), 0.01 * std::abs(stable_load(d)));
  d.fstbug = -50.0f;  // a skin share between the effective widths
  EXPECT_NEAR(global_buckling(d).load, stable_load(d), 0.01 * std::abs(stable_load(d)));
}

class GlobalBucklingListing : public testing::ListingTest {};

TEST_F(GlobalBucklingListing, MissingSkinValuesAreNamedAndNothingIsComputed) {
  std::vector<float> bb(6, 1.0f);
  std::int32_t ier = 0;
  state::glbuckcom = {0.0f, 150.0f};
  glbuck<ruvo19>(ArrayRef<const float, 2>(bb.data(), {6, 1}), ier, 0.0f);
  EXPECT_EQ(ier, glbuck_missing_value);
  state::glbuckcom = {1.5f, -1.0f};
  glbuck<ruvo19>(ArrayRef<const float, 2>(bb.data(), {6, 1}), ier, 0.0f);
  EXPECT_EQ(ier, glbuck_missing_value);
  EXPECT_EQ(listing(), (Lines{" MESSAGE FROM SUBROUTINE GLBUCK:",
                              " SKIN THICKNESS SKINTH IS NOT POSITIVE: NO GLOBAL BUCKLING LOAD",
                              " MESSAGE FROM SUBROUTINE GLBUCK:",
                              " STRINGER PITCH STPITCH IS NOT POSITIVE: NO GLOBAL BUCKLING LOAD"}));
}

}  // namespace
}  // namespace ruvo
