// The vibration data echo: one set of stiffness coefficients without strip
// lines, the stiffener recount, the mass line; the model sections are those
// of the buckling echo (tested there).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "input_listing_fixture.hpp"
#include "model/blocks.hpp"
#include "output/prtvib.hpp"

namespace ruvo {
namespace {

using Lines = std::vector<std::string>;
using testing::sp;

class Prtvib : public testing::ListingTest {
protected:
  void run() {
    auto v = [](std::vector<float>& x) { return ArrayRef<float, 1>(x.data(), {std::int64_t(x.size())}); };
    prtvib<ruvo31>(v(bb_), v(dd_), v(bd_), v(rr_), v(dr_), v(br_), v(ss_));
  }
  // The records from the first equal to `first`, `n` of them.
  Lines from(const std::string& first, int n) const {
    const Lines all = listing();
    auto at = std::find(all.begin(), all.end(), first);
    return {at, at + std::min<std::ptrdiff_t>(n, all.end() - at)};
  }
  std::vector<float> bb_{1, 2, 3, 4, 5, 6}, dd_{-1, -2, -3, -4, -5, -6}, bd_ = bb_, rr_ = bb_, dr_ = bb_,
                                                                         br_ = bb_;
  std::vector<float> ss_{7, 8, 9};
};

std::string e20(const char* s) { return sp(20 - int(std::string(s).size())) + s; }

TEST_F(Prtvib, OneStiffnessSetTheMassAndOnlyThePrescribedForces) {
  grid(2, 2);
  functions({1, 4, 5});
  state::densit.dom = 2.5f;
  run();
  EXPECT_EQ(from(" STIFFNESS COEFFICIENTS", 9),
            (Lines{" STIFFNESS COEFFICIENTS", "", "       MEMBRANE",
                   " " + e20("0.1000000E+01") + e20("0.2000000E+01") + e20("0.4000000E+01"),
                   " " + e20("0.2000000E+01") + e20("0.3000000E+01") + e20("0.5000000E+01"),
                   " " + e20("0.4000000E+01") + e20("0.5000000E+01") + e20("0.6000000E+01"), "", "",
                   "0      BENDING"}));
  EXPECT_EQ(from("0      TRANSVERSE SHEAR", 3),
            (Lines{"0      TRANSVERSE SHEAR", " " + e20("0.7000000E+01") + e20("0.8000000E+01"),
                   " " + e20("0.8000000E+01") + e20("0.9000000E+01")}));
  EXPECT_EQ(from("   MASS PER UNIT AREA:  0.2500000E+01", 4),
            (Lines{"   MASS PER UNIT AREA:  0.2500000E+01", "", "", ""}));
  const Lines all = listing();
  EXPECT_EQ(std::count(all.begin(), all.end(), " PRESCRIBED MEMBRANE FORCES"), 1);
  EXPECT_EQ(std::count(all.begin(), all.end(), " DISTRIBUTION OF VARIABLE MEMBRANE FORCES"), 0);
  EXPECT_EQ(std::count(all.begin(), all.end(), "0      ELEMENT STRIP :  1"), 0);
}

TEST_F(Prtvib, StiffenersAreRecountedFromTheirLines) {
  grid(20, 20);
  auto& dis = state::f07dis<ruvo31>();
  dis.nox = 9;
  for (int i : {3, 5}) dis.istx(i == 3 ? 1 : 2) = i;
  dis.istx(4) = 7;  // after the gap: not a stiffener
  for (int i = 1; i <= 12; ++i) dis.isty(i) = i + 1;
  run();
  EXPECT_EQ(dis.nox, 2);
  // Twelve frames take part in the analysis; the listing shows ten.
  EXPECT_EQ(dis.noy, 12);
  const Lines x = from(" DISCRETE STIFFNESSES IN X'-DIRECTION", 9),
              y = from(" DISCRETE STIFFNESSES IN Y'-DIRECTION", 17);
  EXPECT_EQ(x[7].substr(0, 18), "         5        ");
  EXPECT_EQ(x[8], "");
  EXPECT_EQ(y[15].substr(0, 18), "        11        ");
  EXPECT_EQ(y[16], "");
}

}  // namespace
}  // namespace ruvo
