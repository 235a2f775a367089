#include "solver/level_vector.hpp"

namespace ruvo {

void mklvbd(ArrayRef<std::int32_t, 1> lv, std::int32_t nn, std::int32_t ibd, std::int32_t& ier) {
  if (nn < ibd || nn <= 1 || ibd < 1 || nn > lv.extent(0)) {
    ier = 1;
    return;
  }
  ier = 0;
  lv(1) = 0;
  for (std::int32_t i = 2; i <= ibd; ++i) lv(i) = lv(i - 1) + (i - 1);
  for (std::int32_t i = ibd + 1; i <= nn; ++i) lv(i) = lv(i - 1) + (ibd - 1);
}

}  // namespace ruvo
