#include <gtest/gtest.h>

#include "model/blocks.hpp"

namespace ruvo {
namespace {

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
