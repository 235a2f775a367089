#include "kernels/kept_storage.hpp"

#include <mutex>

namespace ruvo::kernels {

namespace {

std::mutex keeper;
double* kept = nullptr;
std::size_t kept_count = 0;

}  // namespace

Storage borrow_storage(std::size_t count) {
  {
    const std::lock_guard lock(keeper);
    if (kept && count <= kept_count && 2 * count >= kept_count) {
      Storage lent(kept, {kept_count});
      kept = nullptr, kept_count = 0;
      return lent;
    }
  }
  return Storage(new double[count], {count});
}

void ReturnStorage::operator()(double* block) const {
  double* dropped = block;
  if (count * sizeof(double) <= kept_storage_bytes) {
    const std::lock_guard lock(keeper);
    if (count > kept_count) std::swap(dropped, kept), kept_count = count;
  }
  delete[] dropped;
}

void release_kept_storage() {
  double* dropped = nullptr;
  {
    const std::lock_guard lock(keeper);
    std::swap(dropped, kept), kept_count = 0;
  }
  delete[] dropped;
}

}  // namespace ruvo::kernels
