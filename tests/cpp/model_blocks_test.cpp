// Arrays of the shared blocks; the variants' common storage is tested from
// Python (test_model_state.py).
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

}  // namespace
}  // namespace ruvo
