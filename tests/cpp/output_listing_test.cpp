// The data echoes, the eigenvector tables and the buckling solution's
// sections, against text worked out by hand from the formats
// (data/output_listings.txt).
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "input_listing_fixture.hpp"
#include "model/blocks.hpp"
#include "output/buckling_listing.hpp"
#include "output/eigvpr.hpp"
#include "output/prtout.hpp"
#include "output/prtvib.hpp"

namespace ruvo {
namespace {

using testing::sp;
using Lines = std::vector<std::string>;

Lines expected(const std::string& section) { return testing::data_section("output_listings.txt", section); }

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

  std::vector<float> bb_ = std::vector<float>(6 * 30), dd_ = bb_, bd_ = bb_, rr_ = bb_, dr_ = bb_, br_ = bb_;
  std::vector<float> ss_ = std::vector<float>(3 * 30);
};

TEST_F(Prtout, FullEchoOfAPanelWithConditionsSuppressionAndAStringer) {
  grid(3, 2);
  auto& ina = state::f07ina<ruvo31>();
  ina.a(1) = 1.5f, ina.a(2) = 2.25f, ina.b(1) = 4.0f;
  edge(edge_y0, {0, 1, 6});
  edge(edge_x0, {-1});
  edge(edge_yl, {1});
  suppress(1, 1, 2, 1, 3);
  state::f07ind.numsup = 1;
  state::f07ang.alfax = 30.0f;
  state::f07ang.alfay = 45.0f;
  state::f07inb.radii = {{1.0e29f, 1.0e19f, -5.5f}};
  auto& dis = state::f07dis<ruvo31>();
  dis.nox = 1, dis.istx(1) = 2;
  for (int r = 1; r <= 4; ++r) dis.steifx(r, 1) = 100.0f * r;
  auto& pfest = state::cpfest<ruvo31>().pfest;
  for (int n = 1; n <= 6; ++n) pfest(n, 1) = float(n), pfest(n, 2) = 10.0f * n, pfest(n, 3) = -float(n);
  run();
  EXPECT_EQ(listing(), expected("prtout full echo"));
}

TEST_F(Prtout, FunctionsNotCarriedAreMarkedOverTheirConditions) {
  grid(2, 2);
  functions({1, 2, 3});
  edge(edge_y0, {0, 4, 5, 2});
  edge(edge_x0, {0});
  run();
  EXPECT_EQ(from("        Y = 0   !     -     0     -     *     *         -", 2).at(1),
            "        X = 0   !     -     -     -     *     *         -");
  functions({1, 4, 5});
  run();
  EXPECT_EQ(count("        Y = 0   !     -     *     *     0     0         -"), 1);
}

TEST_F(Prtout, SubdivisionLengthsOfUnequalLineCounts) {
  const std::string heading = " SUBDIVISION LENGTHS IN   X-DIRECTION         Y-DIRECTION";
  const std::string rule = sp(24) + std::string(35, '-');
  grid(5, 3, 0.5f);
  run();
  EXPECT_EQ(section(heading, rule), expected("prtout subdivision lengths 5 by 3"));
  grid(2, 4, 12345.678f);  // the float nearest is 12345.677734375
  run();
  EXPECT_EQ(count(sp(21) + "    12345.67773" + sp(5) + "    12345.67773"), 1);
  EXPECT_EQ(count(sp(41) + "    12345.67773"), 2);
  EXPECT_EQ(count(" EDGE LENGTHS" + sp(8) + "    12345.67773" + sp(5) + "    37037.03125"), 1);
  io::open(9, "listing.out");  // a fresh listing
  grid(0, 3, 2.0f);            // no x-line: only the y lengths, none before the first
  run();
  EXPECT_EQ(section(heading, rule), expected("prtout subdivision lengths without x-lines"));
}

TEST_F(Prtout, ShearFunctionsAddTheAdjustmentsOfTheLastStripAndShearOfEach) {
  grid(2, 4);
  functions({1, 4, 5});
  run();
  EXPECT_EQ(count("0      BENDING"), 3);
  EXPECT_EQ(count("0      BENDING ADJUSTMENT"), 1);
  EXPECT_EQ(count("0      TRANSVERSE SHEAR"), 3);
  const Lines adjustment =
      section("0      BENDING ADJUSTMENT", "0      MEMBRANE-BENDING ADJUSTMENT COUPLING");
  ASSERT_EQ(adjustment.size(), 6u);
  EXPECT_EQ(adjustment[1], "        0.3100000E+02       0.3200000E+02       0.3400000E+02");  // strip 3
  EXPECT_EQ(section("0      TRANSVERSE SHEAR", "0      TRANSVERSE SHEAR"),
            expected("prtout transverse shear"));
}

// A plain panel: no conditions (the echo starts with the function codes),
// radii above 1e19 are infinite, seven x-lines split the force grid into
// blocks of six and one, and the echo leaves the angles as given.
TEST_F(Prtout, PlainPanelWithInfiniteRadiiSevenXLinesAndAnglesLeftAsGiven) {
  grid(7, 2);
  for (int n = 1; n <= 14; ++n) state::cpvar<ruvo31>().pvar(n, 3) = float(n);
  state::f07inb.radii = {{1.1e19f, -2.0e19f, -1.0e19f}};
  state::f07ang.alfax = 180.0f;
  run();
  EXPECT_EQ(listing().at(3), " CODE NUMBERS OF THE FUNCTIONAL DOFS INVOLVED:  1");
  EXPECT_EQ(section(" SHELL CURVATURE:", ""), expected("prtout infinite radii"));
  const Lines ny = section(sp(30) + "NY", "NONE");
  EXPECT_EQ(Lines(ny.end() - 9, ny.end()), expected("prtout variable NY of seven x-lines"));
  EXPECT_EQ(state::f07ang.alfax, 180.0f);
  run();
  EXPECT_EQ(count(" ANGLES OF OBLIQUENESS      X'-X: 180.0000"), 2);
}

TEST_F(Prtout, InconsistentStateOrShortArraysPrintAMessageAndNoEcho) {
  grid(2, 4);
  state::f07ang.alfax = 10.0f;
  run(2);  // three strips, two columns
  EXPECT_EQ(listing(), expected("prtout refusal"));
  EXPECT_EQ(state::f07ang.alfax, 10.0f);
  state::f07dis<ruvo31>().noy = 30;
  run();
  EXPECT_EQ(listing()[4], " NOY =         30  IS NOT WITHIN     0 TO    29");
}

// The vibration echo: one set of stiffness coefficients without strip lines,
// the stiffener recount, the mass line; its model sections are those above.
class Prtvib : public testing::ListingTest {
protected:
  void run() {
    auto v = [](std::vector<float>& x) { return ArrayRef<float, 1>(x.data(), {std::int64_t(x.size())}); };
    prtvib<ruvo31>(v(bb_), v(dd_), v(bd_), v(rr_), v(dr_), v(br_), v(ss_));
  }
  std::vector<float> bb_{1, 2, 3, 4, 5, 6}, dd_{-1, -2, -3, -4, -5, -6}, bd_ = bb_, rr_ = bb_, dr_ = bb_,
                                                                         br_ = bb_;
  std::vector<float> ss_{7, 8, 9};
};

TEST_F(Prtvib, OneStiffnessSetTheMassAndOnlyThePrescribedForces) {
  grid(2, 2);
  functions({1, 4, 5});
  state::densit.dom = 2.5f;
  run();
  EXPECT_EQ(from(" STIFFNESS COEFFICIENTS", 9), expected("prtvib stiffness"));
  EXPECT_EQ(from("0      TRANSVERSE SHEAR", 3), expected("prtvib transverse shear"));
  EXPECT_EQ(from("   MASS PER UNIT AREA:  0.2500000E+01", 4), expected("prtvib mass"));
  EXPECT_EQ(count(" PRESCRIBED MEMBRANE FORCES"), 1);
  EXPECT_EQ(count(" DISTRIBUTION OF VARIABLE MEMBRANE FORCES"), 0);
  EXPECT_EQ(count("0      ELEMENT STRIP :  1"), 0);
}

TEST_F(Prtvib, StiffenersAreRecountedFromTheirLines) {
  grid(20, 20);
  auto& dis = state::f07dis<ruvo31>();
  dis.nox = 9, dis.istx(1) = 3, dis.istx(2) = 5;
  dis.istx(4) = 7;  // after the gap: not a stiffener
  for (int i = 1; i <= 12; ++i) dis.isty(i) = i + 1;
  run();
  // Twelve frames take part in the analysis; the listing shows ten.
  EXPECT_EQ((std::array{dis.nox, dis.noy}), (std::array{2, 12}));
  const Lines x = from(" DISCRETE STIFFNESSES IN X'-DIRECTION", 9),
              y = from(" DISCRETE STIFFNESSES IN Y'-DIRECTION", 17);
  EXPECT_EQ((Lines{x[7].substr(0, 18), x[8], y[15].substr(0, 18), y[16]}),
            (Lines{"         5        ", "", "        11        ", ""}));
}

class Eigvpr : public testing::ListingTest {};

// Modes in blocks of six, fewer rows than held, and the refusals of no
// vectors or too many rows, on the unit.
TEST_F(Eigvpr, ModesComeInBlocksOfSixAndFewerRowsMayBePrinted) {
  std::vector<double> x(2 * 13);  // x(i, j) = j * 10^(i-1), with a negative first row
  for (int j = 1; j <= 13; ++j) x[2 * (j - 1)] = -double(j), x[2 * (j - 1) + 1] = 10.0 * j;
  eigvpr(9, ArrayRef<const double, 2>(x.data(), {2, 13}), 2, 13);
  EXPECT_EQ(listing(), expected("eigvpr thirteen modes"));
  io::open(9, "listing.out");
  std::vector<double> half(3 * 6, 0.5);
  eigvpr(9, ArrayRef<const double, 2>(half.data(), {3, 6}), 1, 6);  // I6, E21.7, then five E17.7
  EXPECT_EQ(listing(), expected("eigvpr six modes"));
  io::open(9, "listing.out");
  eigvpr(9, ArrayRef<const double, 2>(x.data(), {2, 2}), 2, 0);
  eigvpr(9, ArrayRef<const double, 2>(x.data(), {2, 2}), 3, 2);
  EXPECT_EQ(listing(), expected("eigvpr refusals"));
}

// The buckling solution's sections.
class BucklingListing : public testing::ListingTest {
protected:
  using V = ruvo19;
  // mx x my grid under Nx = -100 times the load factor, no constant forces.
  void uniform_compression(int mx, int my) {
    grid<V>(mx, my);
    for (int n = 1; n <= mx * my; ++n) state::cpvar<V>().pvar(n, 1) = -100.0f;
    state::valus.elam(1) = 2.0;
    state::valus.elam(2) = 3.0;
  }
};

TEST_F(BucklingListing, StatisticsAndBothFormsOfTheEigenvalueLines) {
  uniform_compression(3, 3);
  print_statistics(12, 4, 1.5e-6);
  print_eigenvalues<V>(2, uniform_load<V>());
  state::cpfest<V>().pfest(9, 2) = 1.0e-20f;  // one node differs: the bare eigenvalues
  print_eigenvalues<V>(1, uniform_load<V>());
  EXPECT_EQ(listing(), expected("buckling statistics and eigenvalues"));
}

TEST_F(BucklingListing, ForceTablesSplitIntoBlocksOfSixLinesWithAnOverflowingRowNumber) {
  uniform_compression(7, 10);
  auto& dis = state::f07dis<V>();
  dis.nox = 1, dis.istx(1) = 3, dis.steifx(1, 1) = 1000.0f;
  dis.noy = 2, dis.isty(1) = 2, dis.isty(2) = 5, dis.steify(1, 1) = dis.steify(1, 2) = 500.0f;
  auto& aij = state::f07aij.aij;
  aij(1, 1) = aij(2, 2) = 0.01f;
  aij(1, 2) = aij(2, 1) = -0.003f;
  aij(3, 3) = 0.02f;
  print_forces_at<V>(1);
  EXPECT_EQ(listing(), expected("buckling force tables"));
  const auto& mf = state::pythres.membraneforces;
  EXPECT_EQ((std::array{mf(1, 1), mf(1, 2), mf(1, 4), mf(1, 5)}), (std::array{-200.0, 0.0, -2000.0, 300.0}));
}

TEST_F(BucklingListing, MembraneForcesPerNodeAddTheConstantPart) {
  grid<V>(2, 2);
  for (int n = 1; n <= 4; ++n) {
    state::cpvar<V>().pvar(n, 3) = float(n);
    state::cpfest<V>().pfest(n, 3) = 0.5f;
  }
  state::valus.elam(1) = 2.0;
  print_forces_at<V>(1);
  // Ny of the nodes of y-line 2 (nodes 2 and 4): 2·2 + 0.5 and 4·2 + 0.5
  EXPECT_EQ(count("        IY=2      0.4500000E+01      0.8500000E+01"), 1);
  EXPECT_EQ(state::pythres.membraneforces(1, 3), 4.5);
  EXPECT_FALSE(uniform_load<V>());
}

}  // namespace
}  // namespace ruvo
