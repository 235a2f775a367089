#include "model/reserved_storage.hpp"

#include <sys/mman.h>

#include <new>

namespace ruvo {

void* reserve_zero_pages(std::size_t bytes) {
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  return p;
}

}  // namespace ruvo
