// The tests run BLAS on the thread count that the module sets as it starts.
#include <gtest/gtest.h>

#include "kernels/blas_threads.hpp"

namespace {

class BlasThreads : public ::testing::Environment {
public:
  void SetUp() override { ruvo::kernels::set_default_blas_threads(); }
};

[[maybe_unused]] ::testing::Environment* const blas_threads =
    ::testing::AddGlobalTestEnvironment(new BlasThreads);

}  // namespace
