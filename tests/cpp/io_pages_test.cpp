// Clearing large arrays: every byte reads zero afterwards, whether its page
// was written over (and kept resident) or handed back to the system.
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>

#include "io/pages.hpp"

namespace ruvo::io {
namespace {

bool resident(const std::byte* page, std::size_t size) {
  unsigned char in = 0;
  return mincore(const_cast<std::byte*>(page), size, &in) == 0 && (in & 1) != 0;
}

TEST(Pages, ResidentPagesAreKeptUpToTheCapTheRestHandedBack) {
  const auto page = std::size_t(sysconf(_SC_PAGESIZE));
  const std::size_t pages = 8;
  void* mapped = mmap(nullptr, pages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(mapped, MAP_FAILED);
  auto* data = static_cast<std::byte*>(mapped);
  for (const std::size_t p : {0u, 1u, 2u, 5u, 7u}) std::fill_n(data + p * page, page, std::byte{7});
  // From inside page 0 to inside page 7: pages 1..6 whole, 1 and 2 resident.
  const std::size_t begin = 100, end = pages * page - 100;
  EXPECT_EQ(clear_keeping_pages(data + begin, end - begin, page), page);
  // residency first: reading a page handed back maps zeros in
  EXPECT_TRUE(resident(data + page, page));       // kept
  EXPECT_FALSE(resident(data + 2 * page, page));  // beyond the cap: handed back
  EXPECT_FALSE(resident(data + 5 * page, page));
  EXPECT_TRUE(std::all_of(data + begin, data + end, [](std::byte b) { return b == std::byte{0}; }));
  EXPECT_TRUE(std::all_of(data, data + begin, [](std::byte b) { return b == std::byte{7}; }));
  EXPECT_TRUE(std::all_of(data + end, data + pages * page, [](std::byte b) { return b == std::byte{7}; }));
  munmap(mapped, pages * page);
}

}  // namespace
}  // namespace ruvo::io
