#include "kernels/blas_threads.hpp"

#include <cblas.h>

#include <cstdlib>
#include <initializer_list>

namespace ruvo::kernels {

namespace {

// Whether the environment names a thread count that OpenBLAS has taken.
bool host_chose_threads() {
  for (const char* name : {"OPENBLAS_NUM_THREADS", "GOTO_NUM_THREADS", "OMP_NUM_THREADS"})
    if (const char* value = std::getenv(name); value && std::atoi(value) > 0) return true;
  return false;
}

}  // namespace

void set_default_blas_threads() {
  if (!host_chose_threads()) openblas_set_num_threads(1);
}

}  // namespace ruvo::kernels
