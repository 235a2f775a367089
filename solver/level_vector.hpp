// Level vectors of band profiles (see model/profile_index.hpp for the storage).
#pragma once

#include <cstdint>

#include "model/array.hpp"

namespace ruvo {

// Fills lv(1..nn) for a band profile of order nn and band width ibd:
//   lv(i) = i(i-1)/2 for i <= ibd,  lv(i) = lv(i-1) + ibd-1 beyond.
// ier = 1 (lv unchanged) when nn < ibd, nn < 2, ibd < 1, lv is shorter than nn, or
// the profile it addresses, lv(nn) + nn entries, does not fit a 32-bit count.
void mklvbd(ArrayRef<std::int32_t, 1> lv, std::int32_t nn, std::int32_t ibd, std::int32_t& ier);

}  // namespace ruvo
