#include <gtest/gtest.h>

#include "model/blocks.hpp"

namespace ruvo {
namespace {

TEST(Blocks, MatrixBlockHasTheSizeOfTheLargestLayout) {
  EXPECT_EQ(sizeof(state::storage::matrix), 728330368u);
  EXPECT_EQ(sizeof(Matrix<ruvo31>), 728330368u);
}

TEST(Blocks, VariantLayoutsArePackedWithoutGaps) {
  // Every member is a run of 4-byte items, so a gap would change the size.
  EXPECT_EQ(sizeof(F07ina<ruvo19>), 4u * (5 + 2 + 2 * 18 + 19 * 19 + 3));
  EXPECT_EQ(sizeof(F07dis<ruvo25>), 4u * (4 * 23 + 23 + 1 + 23 + 4 * 23 + 23 + 1 + 23 + 1));
  EXPECT_EQ(sizeof(F01qua<ruvo21>), 4u * (340 * 400 + 340 * 3 * 400 + 400));
}

TEST(Blocks, ArraysAreOneBasedAndColumnMajor) {
  Array<int, 3, 4> a{};
  a(2, 1) = 7;
  a(1, 2) = 9;
  EXPECT_EQ(a.data[1], 7);
  EXPECT_EQ(a.data[3], 9);
  EXPECT_EQ((Array<int, 5, 4, 961>::offset(5, 4, 961)), 5u * 4 * 961 - 1);
}

TEST(Blocks, MembersBeforeTheFirstVariantArrayAreShared) {
  state::f07ina<ruvo31>().mx = 17;
  EXPECT_EQ(state::f07ina<ruvo19>().mx, 17);
  state::f07ina<ruvo31>().ibdx = 5;
  EXPECT_NE(&state::f07ina<ruvo19>().ibdx, &state::f07ina<ruvo31>().ibdx);
  state::f07ina<ruvo31>().mx = 0;
  state::f07ina<ruvo31>().ibdx = 0;
}

}  // namespace
}  // namespace ruvo
