// Key matrices worked by hand: equation numbers, counts, band widths and the
// printed key matrix for small grids in both loop orders.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "input/setkey.hpp"
#include "input_listing_fixture.hpp"
#include "model/blocks.hpp"

namespace ruvo {
namespace {

using testing::sp;

class Setkey : public testing::ListingTest {
protected:
  template <class V = ruvo31>
  void run() {
    setkey<V>(ix_, iy_);
  }
  // The keys lm(f, 1..4, n) of functions 1..nf at node n, a function's four
  // keys separated by blanks, the functions by " | ".
  template <class V = ruvo31>
  static std::string node(int n, int nf = 1) {
    std::string s;
    for (int f = 1; f <= nf; ++f)
      for (int kind = 1; kind <= 4; ++kind)
        s += (kind > 1 ? " " : f > 1 ? " | " : "") + std::to_string(state::f07mat<V>().lm(f, kind, n));
    return s;
  }
  // ix, iy and the band widths ibdx, ibdy.
  std::array<int, 4> counts() const {
    return {ix_, iy_, state::f07ina<ruvo31>().ibdx, state::f07ina<ruvo31>().ibdy};
  }

  std::int32_t ix_ = -1, iy_ = -1;
};

using Lines = std::vector<std::string>;

// Without conditions, y-lines outer on square and tall grids, x-lines on wide ones.
TEST_F(Setkey, LoopOrderWithoutConditionsFollowsTheLongerSide) {
  grid(2, 2);  // nodes 1 (1,1), 2 (2,1), 3 (1,2), 4 (2,2); visited 1, 3, 2, 4
  run();
  EXPECT_EQ(counts(), (std::array{16, 0, 16, 0}));
  // U is not carried; node 5 lies beyond the grid.
  EXPECT_EQ(node(1, 2), "1 2 3 4 | -909 -909 -909 -909");
  EXPECT_EQ((Lines{node(3), node(2), node(4), node(5)}),
            (Lines{"5 6 7 8", "9 10 11 12", "13 14 15 16", "-909 -909 -909 -909"}));
  EXPECT_EQ(listing(), testing::data_section("key_matrix_listing.txt", "2 by 2 grid"));
  grid(3, 4);  // my >= mx: y-lines outer, visiting 1, 5, 9, 2, 6, 10, ...
  run();
  EXPECT_EQ((Lines{node(5), node(2), node(12)}), (Lines{"5 6 7 8", "13 14 15 16", "45 46 47 48"}));
  EXPECT_EQ(counts(), (std::array{48, 0, 20, 0}));  // element (1..2, 1..2): nodes 1, 5, 2, 6 hold 1..20
  grid(4, 3);  // mx > my: x-lines outer, visiting the nodes in their own order
  run();
  EXPECT_EQ((Lines{node(2), node(4)}), (Lines{"5 6 7 8", "13 14 15 16"}));
  EXPECT_EQ(counts(), (std::array{48, 0, 20, 0}));  // nodes 1, 4, 2, 5 hold 1..20
}

TEST_F(Setkey, SymmetryPlanesWithShearRotationsLeaveTheMembraneColumnsBlank) {
  grid(2, 2);
  functions({1, 4, 5});
  edge(edge_x0, {1});   // antisymmetry on x = 0 (nodes 1, 2): BETA loses F, FY; W, GAMMA lose FX, FXY
  edge(edge_xl, {-1});  // symmetry on x = lx (nodes 3, 4): the other way round
  run();
  // Functions 2 and 3 (U, V) are not carried.
  EXPECT_EQ((Lines{node(1, 5), node(3, 5), node(4, 5)}),
            (Lines{"0 1 0 2 | -909 -909 -909 -909 | -909 -909 -909 -909 | 1 0 2 0 | 0 3 0 4",
                   "3 0 4 0 | -909 -909 -909 -909 | -909 -909 -909 -909 | 0 5 0 6 | 7 0 8 0",
                   "7 0 8 0 | -909 -909 -909 -909 | -909 -909 -909 -909 | 0 13 0 14 | 15 0 16 0"}));
  EXPECT_EQ(counts(), (std::array{8, 16, 8, 16}));
  EXPECT_EQ(listing()[8], "   1     1        0    1    0    2 " + sp(49) + "   1    0    2    0    " +
                              "   0    3    0    4");
}

TEST_F(Setkey, YEdgeSymmetryAndAntisymmetryReverseVAndGamma) {
  grid(2, 2);
  functions({1, 2, 3, 4, 5});
  edge(edge_y0, {-1});  // symmetry on y = 0 (nodes 1, 3): V, GAMMA lose F, FX; the others FY, FXY
  edge(edge_yl, {2});   // antisymmetry on y = ly (nodes 2, 4): V, GAMMA lose FY, FXY; the others F, FX
  run();
  EXPECT_EQ(node(1, 5), "1 2 0 0 | 1 2 0 0 | 0 0 3 4 | 5 6 0 0 | 0 0 7 8");
  EXPECT_EQ(node(2, 3), "0 0 5 6 | 0 0 17 18 | 19 20 0 0");
  EXPECT_EQ((std::array{ix_, iy_}), (std::array{8, 32}));
  EXPECT_EQ(listing()[10],
            "   2     1        0    0    5    6       0    0   17   18      19   20    0    0       0    0"
            "   21   22      23   24    0    0");
}

TEST_F(Setkey, SingleSuppressionsAndCodesOfFunctionsNotCarried) {
  grid(3, 4);
  suppress(1, 1, 1, 2, 3);  // W at y-line 2, x-line 3: node 10
  suppress(2, 1, 4, 1, 1);  // W,xy at node 1
  suppress(3, 1, 1, 2, 3);  // the same freedom again
  state::f07ind.numsup = 3;
  edge(edge_xl, {0, 2});  // U is not carried: its entries are zeroed but never numbered
  run();
  EXPECT_EQ((Lines{node(1), node(10), node(3), node(9, 2)}),
            (Lines{"1 2 3 0", "0 20 21 22", "23 24 25 26", "8 9 10 11 | 0 -909 0 -909"}));
  EXPECT_EQ(counts(),
            (std::array{46, 0, 20, 0}));  // the top element row spans node 3 (23..26) to node 8 (39..42)
}

TEST_F(Setkey, EdgeCodesAreIgnoredWithoutTheSidesFlag) {
  grid(2, 2);
  edge(edge_y0, {0, 1, 6});
  state::f07ind.seiten = 0;
  suppress(1, 1, 2, 2, 2);
  state::f07ind.numsup = 1;
  run();
  EXPECT_EQ(ix_, 15);
  EXPECT_EQ(node(4), "13 0 14 15");
}

TEST_F(Setkey, BandOfAnElementWithoutWFreedomsAndOfAGridWithoutElements) {
  grid(2, 3);  // y-lines 1 and 2 fully suppressed: the lower element has no W freedom
  int k = 0;
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j)
      for (int d = 1; d <= 4; ++d) suppress(++k, 1, d, i, j);
  state::f07ind.numsup = k;
  run();
  EXPECT_EQ(counts(), (std::array{8, 0, 8, 0}));  // not narrowed by the empty element
  state::f07ind.numsup = 0;
  grid(1, 3);  // one x-line: no element, a band of one
  run();
  EXPECT_EQ(counts(), (std::array{12, 0, 1, 0}));
}

TEST_F(Setkey, InconsistentStateIsReportedAndLeftAlone) {
  grid(2, 2);
  state::f07ina<ruvo31>().leit(2, 2) = 5000;
  state::f07mat<ruvo31>().lm(1, 1, 1) = 77;
  run();
  EXPECT_EQ((std::array{ix_, iy_, state::f07mat<ruvo31>().lm(1, 1, 1)}), (std::array{0, 0, 77}));
  // The records around it: test_input_routines.py, test_setkey_and_prtout_refuse_a_grid_without_node_numbers.
  EXPECT_EQ(listing().at(1), " LEIT(  2,  2) =       5000  IS NOT WITHIN     1 TO   961");

  grid(2, 2);
  edge(edge_x0, {0, 9});
  run();
  EXPECT_EQ(listing()[4], " BNDX0(  2) =          9  IS NOT WITHIN     0 TO     6");
  functions({1, 7});
  run();
  EXPECT_EQ(listing()[7], " KU(  2) =          7  IS NOT WITHIN     1 TO     5");
}

}  // namespace
}  // namespace ruvo
