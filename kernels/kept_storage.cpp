#include "kernels/kept_storage.hpp"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace ruvo::kernels {

namespace {

struct Block {
  double* data;
  std::size_t count;
};

std::mutex keeper;
std::vector<Block> kept;  // largest first

std::size_t kept_bytes() {
  std::size_t bytes = 0;
  for (const Block& b : kept) bytes += b.count * sizeof(double);
  return bytes;
}

}  // namespace

Storage borrow_storage(std::size_t count) {
  {
    const std::lock_guard lock(keeper);
    // the smallest block that fits and that the request fills at least half
    for (auto b = kept.rbegin(); b != kept.rend(); ++b)
      if (count <= b->count && 2 * count >= b->count) {
        Storage lent(b->data, {b->count});
        kept.erase(std::next(b).base());
        return lent;
      }
  }
  return Storage(new double[count], {count});
}

void ReturnStorage::operator()(double* block) const {
  std::vector<double*> dropped{block};
  if (count * sizeof(double) <= kept_storage_bytes) {
    const std::lock_guard lock(keeper);
    dropped.clear();
    kept.insert(std::upper_bound(kept.begin(), kept.end(), count,
                                 [](std::size_t c, const Block& b) { return c > b.count; }),
                Block{block, count});
    while (kept_bytes() > kept_storage_bytes) {
      dropped.push_back(kept.back().data);
      kept.pop_back();
    }
  }
  for (double* d : dropped) delete[] d;
}

void release_kept_storage() {
  std::vector<Block> dropped;
  {
    const std::lock_guard lock(keeper);
    std::swap(dropped, kept);
  }
  for (const Block& b : dropped) delete[] b.data;
}

}  // namespace ruvo::kernels
