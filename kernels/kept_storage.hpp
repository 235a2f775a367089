// Storage of the largest work array kept between analyses. The tiles' copy
// of a factor (for a large panel the whole condensed matrix, 99 MiB at
// 30 x 30 elements) is the largest array an analysis allocates, and a fresh
// one is faulted in page by page every time. When its owner is done, the
// largest block up to kept_storage_bytes is kept, and lent to the next
// request that fits in it and needs at least half of it; any other request
// gets new memory, freed as usual. No I/O.
#pragma once

#include <cstddef>
#include <memory>

namespace ruvo::kernels {

inline constexpr std::size_t kept_storage_bytes = std::size_t{128} << 20;

// Hands a block back to the keeper (kept, or freed).
struct ReturnStorage {
  std::size_t count = 0;  // doubles the block holds
  void operator()(double* block) const;
};
using Storage = std::unique_ptr<double[], ReturnStorage>;

// `count` doubles, uninitialised: the kept block when it fits, else new.
Storage borrow_storage(std::size_t count);

// Frees the kept block (a host done analysing).
void release_kept_storage();

}  // namespace ruvo::kernels
