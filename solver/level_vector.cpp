#include "solver/level_vector.hpp"

#include <limits>

namespace ruvo {
namespace {

// Entries lv(nn) + nn of the profile the level vector addresses, in 64 bits.
std::int64_t profile_entries(std::int64_t nn, std::int64_t ibd) {
  return ibd * (ibd - 1) / 2 + (nn - ibd) * (ibd - 1) + nn;
}

}  // namespace

void mklvbd(ArrayRef<std::int32_t, 1> lv, std::int32_t nn, std::int32_t ibd, std::int32_t& ier) {
  if (nn < ibd || nn <= 1 || ibd < 1 || nn > lv.extent(0) ||
      profile_entries(nn, ibd) > std::numeric_limits<std::int32_t>::max()) {
    ier = 1;
    return;
  }
  ier = 0;
  lv(1) = 0;
  for (std::int32_t i = 2; i <= ibd; ++i) lv(i) = lv(i - 1) + (i - 1);
  for (std::int32_t i = ibd + 1; i <= nn; ++i) lv(i) = lv(i - 1) + (ibd - 1);
}

}  // namespace ruvo
