// Merging of element term lists on hand-made lists.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "input/redfkq.hpp"
#include "input_listing_fixture.hpp"
#include "model/blocks.hpp"

namespace ruvo {
namespace {

struct Term {
  float f;
  int k1, k2, k3;
  bool operator==(const Term&) const = default;
};

// A list in separate columns with room for `room` terms, as the block holds it.
struct Columns {
  explicit Columns(const std::vector<Term>& terms, int room = 8) : f(room), c1(room), c2(room), c3(room) {
    for (std::size_t t = 0; t < terms.size(); ++t) {
      f[t] = terms[t].f;
      c1[t] = terms[t].k1;
      c2[t] = terms[t].k2;
      c3[t] = terms[t].k3;
    }
  }
  TermList list() { return {f, {c1, c2, c3}}; }
  std::vector<Term> terms(int n) const {
    std::vector<Term> out;
    for (int t = 0; t < n; ++t) out.push_back({f[t], c1[t], c2[t], c3[t]});
    return out;
  }
  std::vector<float> f;
  std::vector<std::int32_t> c1, c2, c3;
};

TEST(MergeTerms, FactorsInEitherOrderMergeIntoTheEarlierTerm) {
  // W,x * W,y and W,y * W,x; the pair code is not compared.
  Columns c({{1.5f, 110, 101, 11}, {2.0f, 120, 100, 11}, {0.25f, 101, 110, 21}});
  const int n = merge_equal_terms(c.list(), 3);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(c.terms(3), (std::vector<Term>{{1.75f, 110, 101, 11}, {2.0f, 120, 100, 11}, {0, 0, 0, 0}}));
}

TEST(MergeTerms, TermMovedIntoAFreedPlaceWaitsForTheNextPass) {
  Columns c({{1, 111, 100, 11},
             {2, 110, 101, 11},
             {3, 101, 110, 11},    // joins term 2 in its pass
             {4, 100, 111, 11},    // joins term 1; term 5 moves into its place unseen by term 1
             {5, 110, 101, 11}});  // then moves into place 3 after term 3 joins term 2: missed again
  const int n = merge_equal_terms(c.list(), 5);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(c.terms(5),
            (std::vector<Term>{
                {5, 111, 100, 11}, {5, 110, 101, 11}, {5, 110, 101, 11}, {0, 0, 0, 0}, {0, 0, 0, 0}}));
}

TEST(MergeTerms, RunsOfEqualTermsAndShortLists) {
  Columns c({{1, 200, 200, 22}, {1, 200, 200, 22}, {1, 200, 200, 22}, {1, 200, 200, 22}});
  // Pass of term 1: merges term 2, skips the one moved into place 2, merges term 4 (now 3).
  EXPECT_EQ(merge_equal_terms(c.list(), 4), 2);
  EXPECT_EQ(c.terms(2), (std::vector<Term>{{3, 200, 200, 22}, {1, 200, 200, 22}}));

  Columns one({{7, 100, 100, 11}});
  EXPECT_EQ(merge_equal_terms(one.list(), 1), 1);
  EXPECT_EQ(merge_equal_terms(one.list(), 0), 0);
}

class Redfkq : public testing::ListingTest {};

TEST_F(Redfkq, MergesEveryElementOfTheGridAndStoresTheCounts) {
  grid(3, 2);  // two elements; element 3 lies beyond the grid and stays as it is
  auto& q = state::f01qua<ruvo31>();
  const int codes[3][2][2] = {{{110, 101}, {101, 110}}, {{120, 100}, {102, 100}}, {{100, 100}, {100, 100}}};
  for (int e = 1; e <= 3; ++e) {
    q.ikt(e) = 2;
    for (int t = 1; t <= 2; ++t)
      q.fquad(t, e) = float(2 * e + t - 2), q.kquad(t, 1, e) = codes[e - 1][t - 1][0],
                 q.kquad(t, 2, e) = codes[e - 1][t - 1][1], q.kquad(t, 3, e) = 11;
  }
  redfkq<ruvo31>();
  EXPECT_EQ((std::array{q.ikt(1), q.kquad(2, 1, 1), q.ikt(2), q.ikt(3)}), (std::array{1, 0, 2, 2}));
  EXPECT_EQ(q.fquad(1, 1), 3.0f);
  EXPECT_TRUE(listing().empty());

  q.ikt(2) = 341;
  q.ikt(1) = 2;
  redfkq<ruvo31>();
  EXPECT_EQ(q.ikt(1), 2);  // nothing merged when any count is out of range
  EXPECT_EQ(listing(), (std::vector<std::string>{" MESSAGE FROM SUBROUTINE REDFKQ:",
                                                 " IKT(  2) =        341  IS NOT WITHIN     0 TO   340",
                                                 " INCONSISTENT DATA: TERM LISTS LEFT AS THEY ARE"}));
  std::memset(&q, 0, sizeof q);
}

}  // namespace
}  // namespace ruvo
