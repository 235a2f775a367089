#include "solver/modal_forms.hpp"

#include "kernels/modal_forms.hpp"
#include "model/blocks.hpp"

namespace ruvo {

template <class V>
ModalForms modal_forms(std::span<const double> phi, int m) {
  const Man& man = state::man;
  const auto& ina = state::f07ina<V>();
  const auto& a = state::matrix<V>();
  const auto& lv = state::comlv<V>();
  const int ix = man.ix, iy = man.iy, rows = ix + iy;
  const kernels::Vectors w{phi.data(), ix, m, rows}, t{phi.data() + ix, iy, m, rows};
  ModalForms f{std::vector<double>(std::size_t(m) * m, 0.0), std::vector<double>(std::size_t(m) * m, 0.0)};
  kernels::add_profile_form({a.a11.data, lv.lvtri.data, ix, ix}, w, f.stiffness.data());
  if (iy > 0) {
    kernels::add_profile_form({a.a22.data, lv.lva22.data, iy, ina.ibdy}, t, f.stiffness.data());
    kernels::add_coupling_form(a.a21.data, V::p_ny, t, w, f.stiffness.data());
  }
  kernels::add_profile_form({a.b11.data, lv.lvb.data, ix, ina.ibdx}, w, f.load.data());
  return f;
}

#define RUVO_INSTANTIATE(V) template ModalForms modal_forms<V>(std::span<const double>, int);
RUVO_FOR_EACH_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
