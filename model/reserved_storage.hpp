// Storage reserved on first use: the blocks of the typed entry's own size
// variant, each in an anonymous private mapping of its own. Its pages read
// as zeros and cost no resident memory until an analysis writes them, as
// the static storage of the four variants; reserving them takes address
// space only (no swap is set aside for them).
#pragma once

#include <cstddef>

namespace ruvo {

// `bytes` of zero pages, kept for the life of the process; throws
// std::bad_alloc when the address space cannot hold them.
void* reserve_zero_pages(std::size_t bytes);

}  // namespace ruvo
