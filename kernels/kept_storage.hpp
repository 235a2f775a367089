// Storage of the largest work arrays kept between analyses. The factors'
// storage (for a large curved panel the band matrix of all its freedoms,
// which its factor is made in, and the factor's band copy, some 33 MiB
// each at 30 x 30 elements) is the largest an analysis allocates, and
// fresh storage is faulted in page by page every time. When their owner is
// done, blocks up to kept_storage_bytes in all are kept (the largest
// first), each lent to the next request that fits in it and needs at
// least half of it; any other request gets new memory, freed as usual.
// No I/O.
#pragma once

#include <cstddef>
#include <memory>

namespace ruvo::kernels {

inline constexpr std::size_t kept_storage_bytes = std::size_t{256} << 20;

// Hands a block back to the keeper (kept, or freed).
struct ReturnStorage {
  std::size_t count = 0;  // doubles the block holds
  void operator()(double* block) const;
};
using Storage = std::unique_ptr<double[], ReturnStorage>;

// `count` doubles, uninitialised: a kept block when one fits, else new.
Storage borrow_storage(std::size_t count);

// Frees the kept blocks (a host done analysing).
void release_kept_storage();

}  // namespace ruvo::kernels
