// Data input: derived counts and flags, element laminates, namelist groups,
// and every model the analysis could not index, each with its message and code.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "input/rddata.hpp"
#include "input_listing_fixture.hpp"
#include "model/blocks.hpp"

namespace ruvo {
namespace {

using testing::sp;

class Rddata : public testing::ListingTest {
protected:
  void SetUp() override {
    ListingTest::SetUp();
    grid(3, 4);
    auto& elmstf = state::stiffcom<ruvo31>().elmstf;
    elmstf(1) = 1;
    elmstf(2) = elmstf(3) = 2;
    // Laminate s holds 100*s + row in matabd and 1000*s + row in matsw,
    // except the stiffnesses that make the equivalent thickness 2.
    auto& sk = state::skstf;
    for (int s = 1; s <= 2; ++s) {
      for (int r = 1; r <= 18; ++r) sk.matabd(r, s) = float(100 * s + r);
      for (int r = 1; r <= 21; ++r) sk.matsw(r, s) = float(1000 * s + r);
    }
    sk.matabd(1, 1) = sk.matabd(3, 1) = 3.0f;    // A11, A22
    sk.matabd(13, 1) = sk.matabd(15, 1) = 1.0f;  // D11, D22: (144/9)^(1/4) = 2
  }

  std::int32_t run() {
    std::int32_t ier = -1;
    rddata<ruvo31>(col(bb_), col(dd_), col(bd_), col(rr_), col(dr_), col(br_),
                   ArrayRef<float, 2>(ss_.data(), {3, 900}), ier);
    return ier;
  }
  static ArrayRef<float, 2> col(std::vector<float>& v) { return ArrayRef<float, 2>(v.data(), {6, 900}); }
  static void input_file(const std::string& text) {
    std::ofstream("fort.8") << text;
    io::close(8);
  }

  std::vector<float> bb_ = std::vector<float>(6 * 900), dd_ = bb_, bd_ = bb_, rr_ = bb_, dr_ = bb_, br_ = bb_;
  std::vector<float> ss_ = std::vector<float>(3 * 900);
};

TEST_F(Rddata, GivesEachElementTheLaminateOfItsRowAndThePlotScaleItsThickness) {
  ASSERT_EQ(run(), 0);
  // Elements 1..3 are column 1, rows 1..3; element 4 starts column 2 in row 1;
  // ss(3, 5): element 5 lies in row 2; bb(1, 7) beyond the 6 elements.
  const ArrayRef<float, 2> bb = col(bb_), dd = col(dd_), bd = col(bd_), rr = col(rr_), dr = col(dr_),
                           br = col(br_);
  EXPECT_EQ((std::array{bb(2, 1), bb(2, 2), bb(2, 4), bd(6, 6), dd(1, 3), br(1, 5), dr(6, 2), rr(1, 1),
                        ss_[3 * 4 + 2], bb(1, 7)}),
            (std::array{102.0f, 202.0f, 102.0f, 212.0f, 213.0f, 2001.0f, 2012.0f, 1013.0f, 2021.0f, 0.0f}));

  // The plot scale is the equivalent thickness times the host's factor, whatever ran before.
  auto& scal = state::plotin.scal;
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(scal, 2.0f);  // not 4: a second analysis does not compound the thickness
  scal = 0.25f;           // the host's factor
  ASSERT_EQ(run(), 0);
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(scal, 0.5f);
  EXPECT_TRUE(listing().empty());

  // A laminate without stiffness has no thickness: the factor stays, with a warning.
  state::skstf.matabd(13, 1) = 0.0f;
  state::skstf.matabd(1, 1) = 0.0f;
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(scal, 0.25f);
  EXPECT_EQ(listing(), (std::vector<std::string>{
                           "    WARNING: IN SUBROUTINE RDDATA",
                           sp(13) + "EQUIVALENT SKIN THICKNESS         NaN IS NOT POSITIVE AND FINITE:",
                           sp(13) + "PLOT SCALE LEFT AT  0.2500E+00"}));
  state::skstf.matabd(13, 1) = state::skstf.matabd(1, 1) = 3.0f;
  state::skstf.matabd(13, 1) = 1.0f;
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(scal, 0.5f);
}

TEST_F(Rddata, EigenvalueCountsArePlotModesFirstAndLimitedAfter) {
  state::man.neigrq = 60;
  state::man.neigit = 70;
  ASSERT_EQ(run(), 0);
  EXPECT_EQ((std::array{state::man.neigrq, state::man.neigit, state::plotin.nmod, state::plotin.mdsplt(50)}),
            (std::array{50, 55, 50, 50}));
  const std::string warning = "    WARNING: IN SUBROUTINE RDDATA";
  const std::string reduced = sp(13) + "NUMBER OF EIGENMODES FOR ITERATION WAS REDUCED TO";
  EXPECT_EQ(listing(), (std::vector<std::string>{warning, reduced + " 55", warning, reduced + " 50"}));

  state::man.neigrq = 3;
  ASSERT_EQ(run(), 0);
  EXPECT_EQ((std::array{state::plotin.nmod, state::plotin.mdsplt(3), state::plotin.mdsplt(4)}),
            (std::array{3, 3, 0}));
}

TEST_F(Rddata, EdgeFlagsSymmetryCodesAndCounts) {
  state::plotin.isymx = state::plotin.isymy = 7;
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(state::f07ind.seiten, 0);
  EXPECT_EQ(state::plotin.isymx, 7);
  edge(edge_y0, {1, 9});  // codes of a symmetry edge are not conditions
  ASSERT_EQ(run(), 0);

  edge(edge_y0, {1});
  edge(edge_yl, {1});
  edge(edge_x0, {-1});
  suppress(1, 1, 1, 1, 1);
  suppress(2, 1, 2, 1, 1);
  suppress(4, 1, 3, 1, 1);  // after the zero column: not counted
  auto& dis = state::f07dis<ruvo31>();
  dis.istx(1) = 3, dis.istx(2) = 4, dis.istx(4) = 2;
  for (int i = 1; i <= 5; ++i) dis.isty(i) = 1;  // more than the 3 x-lines
  ASSERT_EQ(run(), 0);
  // y = ly comes last for isymy.
  EXPECT_EQ((std::array{state::f07ind.seiten, state::plotin.isymy, state::plotin.isymx, state::f07ind.numsup,
                        dis.nox, dis.noy}),
            (std::array{1, 1, -2, 2, 2, 3}));
}

TEST_F(Rddata, MassesAreReadForVibration) {
  state::antype.vibr = 1;
  ASSERT_EQ(run(), 8);
  const std::vector<std::string> missing = {" MESSAGE FROM SUBROUTINE RDDATA:", " NAMELIST  INERT NOT FOUND"};
  EXPECT_EQ(listing(), missing);

  input_file("&inert dom = 2.5, domx = 1.0, 2.0 /\n");
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(state::densit.dom, 2.5f);
  EXPECT_EQ(state::f07dis<ruvo31>().domx(2), 2.0f);
}

TEST_F(Rddata, StringerGroupsFollowTheMassesAndTheTypeOneIsEchoed) {
  state::antype.vibr = state::antype.cripan = 1;
  state::f07dis<ruvo31>().stype = 1;
  input_file("&tstringer webth = 0.5, ddst = 1234.5 /\n&inert dom = 1.0 /\n");
  // Searched from where "inert" ended: the group before it is not found.
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(run(), 8);
  const std::string missing = " Some Stringer Data missing for crippling analysis";
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), " MESSAGE FROM SUBROUTINE RDDATA:\n" + missing + "\n");

  input_file("&inert dom = 1.0 /\n&tstringer webth = 0.5, ddst = 1234.5 /\n");
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(listing().back(), "         0.12345E+04         0.50000E+00");

  state::f07dis<ruvo31>().stype = 3;
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");  // listing only
  EXPECT_EQ(listing().back(), missing);

  state::f07dis<ruvo31>().stype = 2;  // omega: the chord and the web angle, no echo
  input_file("&inert dom = 1.0 /\n&ostringer footth = 1, chordwidth = 7.5, alpha = 80 /\n");
  const std::size_t records = listing().size();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ((std::array{state::stringercom.chordwidth, state::stringercom.alpha}), (std::array{7.5f, 80.0f}));
  EXPECT_EQ(listing().size(), records);
}

// A model the analysis could not index: rddata refuses it with its code and
// record on both outputs, before numbering a node or setting a plot mode.
// Each case of data/rddata_refusals.txt: its name | the change | the code | the record.
class RddataRefuses : public Rddata, public ::testing::WithParamInterface<std::string> {
protected:
  // Applies a change: a member, its indices and the value ("nan" and "inf" as
  // such), or the lists of function codes, of edge codes and of suppressions
  // (five numbers each, the column first).
  static void spoil(const std::string& change) {
    std::istringstream in(change);
    std::string what;
    in >> what;
    std::vector<float> v;
    for (std::string t; in >> t;) v.push_back(std::strtof(t.c_str(), nullptr));
    const auto i = [&](std::size_t k) { return int(v[k]); };
    auto& ina = state::f07ina<ruvo31>();
    if (what == "my") ina.my = i(0);
    if (what == "a") ina.a(i(0)) = v[1];
    if (what == "b") ina.b(i(0)) = v[1];
    if (what == "elmstf") state::stiffcom<ruvo31>().elmstf(i(0)) = i(1);
    if (what == "ku") {
      ina.ku = {};
      for (std::size_t k = 0; k < v.size(); ++k) ina.ku(int(k) + 1) = i(k);
      ina.knfun = int(v.size());
    }
    for (std::size_t k = 0; what == "idesup" && k < v.size(); k += 5)
      suppress(i(k), i(k + 1), i(k + 2), i(k + 3), i(k + 4));
    for (std::size_t k = 0; what.starts_with("bnd") && k < v.size(); ++k)
      state::f07ind.ki(int(k) + 1, what == "bndyl" ? edge_yl : edge_x0) = i(k), state::f07ind.seiten = 1;
    if (what == "keps") state::f01eps.keps(i(0), i(1)) = i(2);
    if (what == "pfest") state::cpfest<ruvo31>().pfest(i(0), i(1)) = v[2];
    if (what == "ry") state::f07inb.ry() = v[0];
    if (what == "neigit") state::man.neigit = i(0);
    if (what == "neigrq") state::man.neigrq = i(0);
    if (what == "istx") state::f07dis<ruvo31>().istx(i(0)) = i(1);
  }
  void TearDown() override {
    state::f01eps = {};
    state::f07inb = {};
    Rddata::TearDown();
  }
};

TEST_P(RddataRefuses, BeforeAnythingChanges) {
  const std::vector<std::string> c = testing::data_fields(GetParam());
  ASSERT_EQ(c.size(), 4u);
  spoil(c[1]);
  state::f07ina<ruvo31>().leit = {};
  ::testing::internal::CaptureStdout();
  const std::int32_t ier = run();
  const std::vector<std::string> block = {" MESSAGE FROM SUBROUTINE RDDATA:", c[3]};
  EXPECT_EQ(std::to_string(ier), c[2]);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), block[0] + "\n" + block[1] + "\n");
  EXPECT_EQ(listing(), block);
  EXPECT_EQ(state::f07ina<ruvo31>().leit(1, 1), 0);  // nothing numbered
  EXPECT_EQ(state::plotin.mdsplt(3), 1);
}

INSTANTIATE_TEST_SUITE_P(Models, RddataRefuses, ::testing::ValuesIn(testing::data_rows("rddata_refusals.txt")),
                         testing::row_name);

}  // namespace
}  // namespace ruvo
