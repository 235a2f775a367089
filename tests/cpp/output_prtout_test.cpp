// The data echo, compared line by line with text worked out from the formats.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "input_listing_fixture.hpp"
#include "model/blocks.hpp"
#include "output/prtout.hpp"

namespace ruvo {
namespace {

using testing::sp;

std::string e20(const std::string& mantissa_and_exponent) {
  return sp(20 - int(mantissa_and_exponent.size())) + mantissa_and_exponent;
}

class Prtout : public testing::ListingTest {
protected:
  // Element strip l holds (l*10 + 1 .. l*10 + 6) in every matrix, ss (l, l+0.5, l+0.25).
  Prtout() {
    for (int l = 1; l <= 30; ++l) {
      for (int r = 1; r <= 6; ++r)
        for (auto* m : {&bb_, &dd_, &bd_, &rr_, &dr_, &br_}) (*m)[6 * (l - 1) + r - 1] = float(10 * l + r);
      ss_[3 * (l - 1)] = float(l);
      ss_[3 * (l - 1) + 1] = float(l) + 0.5f;
      ss_[3 * (l - 1) + 2] = float(l) + 0.25f;
    }
    for (int r = 0; r < 6; ++r) dd_[r] = float(-(r + 1));
  }
  void run(int columns = 30) {
    auto six = [&](std::vector<float>& v) { return ArrayRef<float, 2>(v.data(), {6, columns}); };
    prtout<ruvo31>(six(bb_), six(dd_), six(bd_), six(rr_), six(dr_), six(br_),
                   ArrayRef<float, 2>(ss_.data(), {3, columns}));
  }
  // The lines from the first that equals `first` up to, not including, the next `last`.
  std::vector<std::string> section(const std::string& first, const std::string& last) const {
    const std::vector<std::string> all = listing();
    auto from = std::find(all.begin(), all.end(), first);
    auto to = from == all.end() ? from : std::find(from + 1, all.end(), last);
    return {from, to};
  }
  long count(const std::string& line) const {
    const std::vector<std::string> all = listing();
    return std::count(all.begin(), all.end(), line);
  }

  std::vector<float> bb_ = std::vector<float>(6 * 30), dd_ = bb_, bd_ = bb_, rr_ = bb_, dr_ = bb_, br_ = bb_;
  std::vector<float> ss_ = std::vector<float>(3 * 30);
};

TEST_F(Prtout, FullEchoOfAPanelWithConditionsSuppressionAndAStringer) {
  grid(3, 2);
  auto& ina = state::f07ina<ruvo31>();
  ina.a(1) = 1.5f;
  ina.a(2) = 2.25f;
  ina.b(1) = 4.0f;
  edge(edge_y0, {0, 1, 6});
  edge(edge_x0, {-1});
  edge(edge_yl, {1});
  suppress(1, 1, 2, 1, 3);
  state::f07ind.numsup = 1;
  state::f07ang.alfax = 30.0f;
  state::f07ang.alfay = 45.0f;
  state::f07inb.radii = {{1.0e29f, 1.0e19f, -5.5f}};
  auto& dis = state::f07dis<ruvo31>();
  dis.nox = 1;
  dis.istx(1) = 2;
  for (int r = 1; r <= 4; ++r) dis.steifx(r, 1) = 100.0f * r;
  for (int n = 1; n <= 6; ++n) {
    state::cpfest<ruvo31>().pfest(n, 1) = float(n);
    state::cpfest<ruvo31>().pfest(n, 2) = 10.0f * n;
    state::cpfest<ruvo31>().pfest(n, 3) = -float(n);
  }
  run();

  // Worked out from the formats: data/prtout_full_echo.txt.
  const std::vector<std::string> expected = testing::data_lines("prtout_full_echo.txt");
  const std::vector<std::string> got = listing();
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << "line " << i + 1;
  EXPECT_FLOAT_EQ(state::f07ang.alfax, 30.0f * 3.1415927f / 180.0f);
}

TEST_F(Prtout, WithoutConditionsTheEchoStartsWithTheFunctionCodes) {
  grid(2, 2);
  run();
  const std::vector<std::string> got = listing();
  ASSERT_GE(got.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + 4),
            (std::vector<std::string>{"", "", "", " CODE NUMBERS OF THE FUNCTIONAL DOFS INVOLVED:  1"}));
}

TEST_F(Prtout, FunctionsNotCarriedAreMarkedOverTheirConditions) {
  grid(2, 2);
  functions({1, 2, 3});
  edge(edge_y0, {0, 4, 5, 2});
  edge(edge_x0, {0});
  run();
  EXPECT_EQ(listing()[11], "        Y = 0   !     -     0     -     *     *         -");
  EXPECT_EQ(listing()[12], "        X = 0   !     -     -     -     *     *         -");
  functions({1, 4, 5});
  run();
  EXPECT_EQ(count("        Y = 0   !     -     *     *     0     0         -"), 1);
}

TEST_F(Prtout, SubdivisionLengthsOfUnequalLineCounts) {
  grid(5, 3, 0.5f);
  run();
  const std::string rule = sp(24) + std::string(35, '-');
  EXPECT_EQ(section(" SUBDIVISION LENGTHS IN   X-DIRECTION         Y-DIRECTION", rule),
            (std::vector<std::string>{" SUBDIVISION LENGTHS IN   X-DIRECTION         Y-DIRECTION",
                                      sp(21) + "        0.50000" + sp(5) + "        0.50000",
                                      sp(21) + "        0.50000" + sp(5) + "        0.50000",
                                      sp(21) + "        0.50000", sp(21) + "        0.50000"}));
  grid(2, 4, 12345.678f);  // the float nearest is 12345.677734375
  run();
  EXPECT_EQ(count(sp(21) + "    12345.67773" + sp(5) + "    12345.67773"), 1);
  EXPECT_EQ(count(sp(41) + "    12345.67773"), 2);
  EXPECT_EQ(count(" EDGE LENGTHS" + sp(8) + "    12345.67773" + sp(5) + "    37037.03125"), 1);
  io::open(9, "listing.out");  // a fresh listing
  grid(0, 3, 2.0f);            // no x-line: only the y lengths, none before the first
  run();
  EXPECT_EQ(section(" SUBDIVISION LENGTHS IN   X-DIRECTION         Y-DIRECTION", rule),
            (std::vector<std::string>{" SUBDIVISION LENGTHS IN   X-DIRECTION         Y-DIRECTION",
                                      sp(41) + "        2.00000", sp(41) + "        2.00000"}));
}

TEST_F(Prtout, RadiiAboveTenToTheNineteenAreInfinite) {
  grid(2, 2);
  state::f07inb.radii = {{1.1e19f, -2.0e19f, -1.0e19f}};
  run();
  EXPECT_EQ(section(" SHELL CURVATURE:", ""),
            (std::vector<std::string>{" SHELL CURVATURE:", "       RX  =    INFINITE",
                                      "       RY  =    INFINITE", "       RXY = -0.1000000E+20"}));
}

TEST_F(Prtout, SevenXLinesSplitTheForceGridIntoBlocksOfSixAndOne) {
  grid(7, 2);
  for (int n = 1; n <= 14; ++n) state::cpvar<ruvo31>().pvar(n, 3) = float(n);
  run();
  const std::vector<std::string> ny = section(sp(30) + "NY", "NONE");
  const std::vector<std::string> got(ny.end() - 9, ny.end());  // the variable NY field
  std::string header6 = sp(11);
  for (int ix = 1; ix <= 6; ++ix) header6 += sp(10) + "IX= " + std::to_string(ix) + (ix < 6 ? sp(4) : "");
  auto value = [](int n) {
    return sp(6) + "0." + std::to_string(n >= 10 ? n * 100000 : n * 1000000) + "E+0" + (n >= 10 ? "2" : "1");
  };
  std::string row1 = sp(7) + "IY= 1", row2 = sp(7) + "IY= 2";
  for (int ix = 1; ix <= 6; ++ix) {
    row1 += value(2 * ix - 1);
    row2 += value(2 * ix);
  }
  EXPECT_EQ(got, (std::vector<std::string>{sp(30) + "NY", "", header6, row1, row2, "", sp(21) + "IX= 7",
                                           sp(7) + "IY= 1" + value(13), sp(7) + "IY= 2" + value(14)}));
}

TEST_F(Prtout, ShearFunctionsAddTheAdjustmentsOfTheLastStripAndShearOfEach) {
  grid(2, 4);
  functions({1, 4, 5});
  run();
  EXPECT_EQ(count("0      BENDING"), 3);
  EXPECT_EQ(count("0      BENDING ADJUSTMENT"), 1);
  EXPECT_EQ(count("0      TRANSVERSE SHEAR"), 3);
  const std::vector<std::string> adjustment =
      section("0      BENDING ADJUSTMENT", "0      MEMBRANE-BENDING ADJUSTMENT COUPLING");
  ASSERT_EQ(adjustment.size(), 6u);
  EXPECT_EQ(adjustment[1],
            " " + e20("0.3100000E+02") + e20("0.3200000E+02") + e20("0.3400000E+02"));  // strip 3
  const std::vector<std::string> shear = section("0      TRANSVERSE SHEAR", "0      TRANSVERSE SHEAR");
  EXPECT_EQ(shear, (std::vector<std::string>{"0      TRANSVERSE SHEAR",
                                             " " + e20("0.1000000E+01") + e20("0.1500000E+01"),
                                             " " + e20("0.1500000E+01") + e20("0.1250000E+01"), "", ""}));
}

TEST_F(Prtout, EveryCallConvertsTheAnglesAgain) {
  grid(2, 2);
  state::f07ang.alfax = 180.0f;
  run();
  EXPECT_EQ(state::f07ang.alfax, 3.1415927f);
  run();
  EXPECT_EQ(state::f07ang.alfax, (3.1415927f * 3.1415927f) / 180.0f);
  EXPECT_EQ(count(" ANGLES OF OBLIQUENESS      X'-X:   3.1416"), 1);
}

TEST_F(Prtout, InconsistentStateOrShortArraysPrintAMessageAndNoEcho) {
  grid(2, 4);
  state::f07ang.alfax = 10.0f;
  run(2);  // three strips, two columns
  EXPECT_EQ(listing(), (std::vector<std::string>{
                           " MESSAGE FROM SUBROUTINE PRTOUT:", " COLUMNS OF BB =          2  IS BELOW     3",
                           " INCONSISTENT DATA: NO DATA ECHO PRINTED"}));
  EXPECT_EQ(state::f07ang.alfax, 10.0f);
  state::f07dis<ruvo31>().noy = 30;
  run();
  EXPECT_EQ(listing()[4], " NOY =         30  IS NOT WITHIN     0 TO    29");
}

}  // namespace
}  // namespace ruvo
