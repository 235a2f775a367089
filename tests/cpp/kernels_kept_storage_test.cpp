// The kept work blocks: each lent again to a request about its size, never
// to two owners at once, and not to a request that needs less than half of
// it; blocks of several sizes kept together.
#include <gtest/gtest.h>

#include "kernels/kept_storage.hpp"

namespace ruvo::kernels {
namespace {

TEST(KeptStorage, AReturnedBlockIsLentAgainToOneRequestOfAtLeastHalfItsSize) {
  release_kept_storage();
  double* first = nullptr;
  {
    const Storage block = borrow_storage(1000);
    first = block.get();
  }
  const Storage small = borrow_storage(400);
  EXPECT_NE(small.get(), first);
  const Storage again = borrow_storage(600);
  EXPECT_EQ(again.get(), first);
  const Storage another = borrow_storage(600);  // the kept block is lent out
  EXPECT_NE(another.get(), first);
  release_kept_storage();
}

TEST(KeptStorage, BlocksOfSeveralSizesAreKeptTogether) {
  release_kept_storage();
  double *small = nullptr, *large = nullptr;
  {
    const Storage a = borrow_storage(1000), b = borrow_storage(3000);
    small = a.get(), large = b.get();
  }
  {
    const Storage b = borrow_storage(2000), a = borrow_storage(900);
    EXPECT_EQ(b.get(), large);
    EXPECT_EQ(a.get(), small);
  }
  release_kept_storage();
}

}  // namespace
}  // namespace ruvo::kernels
