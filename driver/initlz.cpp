#include "driver/initlz.hpp"

#include "model/blocks.hpp"

namespace ruvo {

template <class V>
void initlz() {
  auto& dis = state::f07dis<V>();
  dis.steifx = {};
  dis.steify = {};
  dis.istx = {};
  dis.isty = {};
  dis.domx = {};
  dis.domy = {};
  state::densit.dom = 1.0e-6f;
  auto& ina = state::f07ina<V>();
  ina.a = {};
  ina.b = {};
  ina.leit = {};
  state::f07ind.idesup = {};
}

#define RUVO_INSTANTIATE(V) template void initlz<V>();
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
