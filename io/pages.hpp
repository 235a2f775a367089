// Memory of large static arrays handed back to the system while the process
// runs, or kept for the next analysis.
#pragma once

#include <cstddef>

namespace ruvo::io {

// Sets [data, data + bytes) to zero, the whole pages inside it by handing
// them back to the system: they read as zeros and count no more in the
// resident memory until written again. The storage must be private memory
// (static or heap), not a mapping of a file.
void clear_pages(void* data, std::size_t bytes);

// Sets [data, data + bytes) to zero as clear_pages does, except that pages
// resident now, up to `keep` bytes of them, are written with zeros and stay
// resident: the next analysis that writes them does not fault them in
// again. Returns the bytes kept resident.
std::size_t clear_keeping_pages(void* data, std::size_t bytes, std::size_t keep);

// Asks the system to back the whole 2 MiB pages inside [data, data + bytes)
// with huge pages when they are first written (transparent huge pages in
// their "madvise" mode): a large array is then faulted in a 512th as often,
// and its pages cleared by the system in large runs. Resident memory is
// unchanged for an array written in full; nothing happens where the system
// declines the advice.
void advise_huge_pages(void* data, std::size_t bytes);

}  // namespace ruvo::io
