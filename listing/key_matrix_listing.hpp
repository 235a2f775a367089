#pragma once

#include <cstdint>

namespace ruvo::listing {

// The key matrix on the listing: heading with the freedom counts, one record
// per node (y-lines outer, x-lines inner), the band widths and a page feed.
template <class V>
void print_key_matrix(std::int32_t ix, std::int32_t iy);

}  // namespace ruvo::listing
