// The skin's stiffness and geometric stiffness seen through a few full
// modes, Φᵀ·K·Φ, straight from the element blocks: each element's blocks
// summed per pair of functions and projected on the modes at the element's
// freedoms, without assembling the matrices. For the rates of the
// matrices, of which only the forms are wanted: the same sums as the
// assembly followed by the form (cmpa11, cmpa21, cmpa22 and cmpbmt without
// their stiffeners), in another order.
#pragma once

#include <cstdint>
#include <span>

#include "elements/assembly_inputs.hpp"
#include "model/array.hpp"
#include "model/blocks.hpp"

namespace ruvo {

// m × m column-major `form` += Φᵀ·K·Φ of the skin over the term lists
// `terms`, for the full modes `phi` ((ix + iy) × m column-major: W rows,
// then tangential rows). Returns 0, or assembly_code::lookup when an
// element's freedoms cannot be looked up.
template <class V>
std::int32_t add_skin_form(const F01qua<V>& terms, std::span<const double> phi, int m, double* form);

// m × m column-major `form` += Φᵀ·G·Φ of the skin's geometric stiffness G of
// the membrane forces `pmem` times fakt, read per element as `reading`
// (cmpbmt's skin part). Returns 0, or cmpbmt_code::lookup when an element's
// freedoms cannot be looked up.
template <class V>
std::int32_t add_force_form(ArrayRef<const float, 2> pmem, float fakt, ForceReading reading,
                            std::span<const double> phi, int m, double* form);

}  // namespace ruvo
