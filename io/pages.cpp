#include "io/pages.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace ruvo::io {

void clear_pages(void* data, std::size_t bytes) {
  if (bytes == 0) return;
  const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
  const auto begin = std::uintptr_t(data), end = begin + bytes;
  const std::uintptr_t first = (begin + page - 1) / page * page, last = end / page * page;
  if (last <= first) {
    std::memset(data, 0, bytes);
    return;
  }
  std::memset(data, 0, first - begin);
  std::memset(reinterpret_cast<void*>(last), 0, end - last);
  // Where the system declines the advice, the pages are written instead.
  if (madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED) != 0)
    std::memset(reinterpret_cast<void*>(first), 0, last - first);
}

}  // namespace ruvo::io
