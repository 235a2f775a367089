#include "io/pages.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace ruvo::io {

namespace {

std::uintptr_t page_size() { return std::uintptr_t(sysconf(_SC_PAGESIZE)); }

// Hands whole pages back to the system; where it declines the advice, the
// pages are written instead.
void discard(std::uintptr_t first, std::uintptr_t last) {
  if (last <= first) return;
  if (madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED) != 0)
    std::memset(reinterpret_cast<void*>(first), 0, last - first);
}

// The parts of [begin, end) before its first and after its last whole page,
// written with zeros; false when it holds no whole page (all written then).
bool clear_ends(std::uintptr_t begin, std::uintptr_t end, std::uintptr_t& first, std::uintptr_t& last) {
  const std::uintptr_t page = page_size();
  first = (begin + page - 1) / page * page, last = end / page * page;
  if (last <= first) {
    std::memset(reinterpret_cast<void*>(begin), 0, end - begin);
    return false;
  }
  std::memset(reinterpret_cast<void*>(begin), 0, first - begin);
  std::memset(reinterpret_cast<void*>(last), 0, end - last);
  return true;
}

}  // namespace

void clear_pages(void* data, std::size_t bytes) {
  if (bytes == 0) return;
  std::uintptr_t first = 0, last = 0;
  if (clear_ends(std::uintptr_t(data), std::uintptr_t(data) + bytes, first, last)) discard(first, last);
}

std::size_t clear_keeping_pages(void* data, std::size_t bytes, std::size_t keep) {
  if (bytes == 0) return 0;
  std::uintptr_t first = 0, last = 0;
  if (!clear_ends(std::uintptr_t(data), std::uintptr_t(data) + bytes, first, last)) return 0;
  const std::uintptr_t page = page_size();
  std::vector<unsigned char> resident((last - first) / page);
  if (mincore(reinterpret_cast<void*>(first), last - first, resident.data()) != 0) {
    discard(first, last);
    return 0;
  }
  // Runs of pages alike (resident and within what is kept, or not) are
  // written, or handed back, at once.
  std::size_t kept = 0;
  std::uintptr_t run = first;
  bool writing = false;
  for (std::size_t p = 0; p <= resident.size(); ++p) {
    const bool write = p < resident.size() && (resident[p] & 1) != 0 && kept + page <= keep;
    const std::uintptr_t at = first + p * page;
    if (p == resident.size() || write != writing) {
      if (writing)
        std::memset(reinterpret_cast<void*>(run), 0, at - run);
      else
        discard(run, at);
      run = at, writing = write;
    }
    if (write) kept += page;
  }
  return kept;
}

}  // namespace ruvo::io
