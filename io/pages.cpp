#include "io/pages.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace ruvo::io {

void release_pages(void* data, std::size_t bytes) {
  const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
  const auto begin = std::uintptr_t(data), end = begin + bytes;
  const std::uintptr_t first = (begin + page - 1) / page * page, last = end / page * page;
  // Advice only: where the system declines, the pages stay as they are.
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

}  // namespace ruvo::io
