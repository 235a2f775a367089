#include "elements/freedom_scales.hpp"

#include <cmath>

#include "model/blocks.hpp"
#include "model/grid_angles.hpp"
#include "model/pi.hpp"

namespace ruvo {

template <class V>
void set_freedom_scales() {
  const auto& ina = state::f07ina<V>();
  float lx = 0.0f, ly = 0.0f;
  for (int i = 1; i <= ina.mx - 1; ++i) lx += ina.a(i);
  for (int i = 1; i <= ina.my - 1; ++i) ly += ina.b(i);
  auto& pd = state::f07pd;
  pd.sa = pi / lx;
  pd.sb = pi / ly;
  const GridAngles angles = grid_angles();
  pd.fa = std::cos(angles.x - angles.y);
  // Even rows carry a y-slope, even columns an x-slope.
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) pd.b1(i, j) = (i % 2 == 0 ? pd.sb : 1.0f) * (j % 2 == 0 ? pd.sa : 1.0f);
}

#define RUVO_INSTANTIATE(V) template void set_freedom_scales<V>();
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
