// Memory of large static arrays handed back to the system while the process
// runs.
#pragma once

#include <cstddef>

namespace ruvo::io {

// Gives the whole pages inside [data, data + bytes) back to the system: they
// read as zeros from then on and count no more in the resident memory. The
// storage must be private (static or heap), not a file mapping.
void release_pages(void* data, std::size_t bytes);

}  // namespace ruvo::io
