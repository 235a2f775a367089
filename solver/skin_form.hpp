// The skin's stiffness seen through a few full modes, Φᵀ·K·Φ, straight from
// the element term lists: each element's terms summed per pair of
// functions and projected on the modes at the element's freedoms, without
// assembling the matrices. For the rates of the stiffness, of which only
// the forms are wanted: the same sums as the assembly followed by the form
// (cmpa11, cmpa21, cmpa22 without their stiffeners), in another order.
#pragma once

#include <cstdint>
#include <span>

#include "model/blocks.hpp"

namespace ruvo {

// m × m column-major `form` += Φᵀ·K·Φ of the skin over the term lists
// `terms`, for the full modes `phi` ((ix + iy) × m column-major: W rows,
// then tangential rows). Returns 0, or assembly_code::lookup when an
// element's freedoms cannot be looked up.
template <class V>
std::int32_t add_skin_form(const F01qua<V>& terms, std::span<const double> phi, int m, double* form);

}  // namespace ruvo
