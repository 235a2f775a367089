// Memory of large static arrays handed back to the system while the process
// runs.
#pragma once

#include <cstddef>

namespace ruvo::io {

// Sets [data, data + bytes) to zero, the whole pages inside it by handing
// them back to the system: they read as zeros and count no more in the
// resident memory until written again. The storage must be private memory
// (static or heap), not a mapping of a file.
void clear_pages(void* data, std::size_t bytes);

}  // namespace ruvo::io
