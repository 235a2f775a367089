// The tests run BLAS on the thread count that the module sets as it starts.
#include <gtest/gtest.h>

#include "solver/blas_threads.hpp"

namespace {

class BlasThreads : public ::testing::Environment {
public:
  void SetUp() override { ruvo::solver::set_default_blas_threads(); }
};

[[maybe_unused]] ::testing::Environment* const blas_threads =
    ::testing::AddGlobalTestEnvironment(new BlasThreads);

}  // namespace
