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

}  // namespace ruvo::io
