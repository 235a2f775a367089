#pragma once

#include <cmath>
#include <cstdint>

#include "model/blocks.hpp"
#include "model/run_status.hpp"

namespace ruvo {

// Prepares the analysis data in the model state: limits the eigenvalue
// counts, fills the plot controls, numbers the nodes, derives the boundary
// and symmetry flags, counts stiffeners and suppressed freedoms, and gives
// every element the stiffness of its skin laminate (the seven arrays, one
// column per element, at least (mx-1)(my-1) columns). Reads masses and the
// stringer cross-section from the namelist unit `nread` when asked (the
// masses only with `masses_from_input`, the cross-section only with
// `stringer_from_input`; otherwise the host has stored them).
// ier: 0 success, 8 a required namelist group missing, 11..18 a model the
// analysis cannot index (model/data_checks.hpp); nothing changes then.
// Equivalent thickness of a laminate, (144·D11·D22 / (A11·A22))^(1/4), in
// 32 bits with two square roots.
inline float equivalent_thickness(float d11, float d22, float a11, float a22) {
  return std::sqrt(std::sqrt(144.0f * d11 * d22 / (a11 * a22)));
}

template <class V>
void rddata(ArrayRef<float, 2> bb, ArrayRef<float, 2> dd, ArrayRef<float, 2> bd, ArrayRef<float, 2> rr,
            ArrayRef<float, 2> dr, ArrayRef<float, 2> br, ArrayRef<float, 2> ss, std::int32_t& ier,
            bool masses_from_input = true, bool stringer_from_input = true);

// Every element takes the laminate of its row (stiffcom's elmstf): the
// columns of bb, bd, dd from the laminate table matabd of `laminates`, of
// br, dr, rr, ss from its shear table matsw.
template <class V>
void spread_laminates(const Skstf& laminates, ArrayRef<float, 2> bb, ArrayRef<float, 2> dd,
                      ArrayRef<float, 2> bd, ArrayRef<float, 2> rr, ArrayRef<float, 2> dr, ArrayRef<float, 2> br,
                      ArrayRef<float, 2> ss);

// Every element takes its own laminate of `given`.
void spread_laminates(const ElementLaminates& given, ArrayRef<float, 2> bb, ArrayRef<float, 2> dd,
                      ArrayRef<float, 2> bd, ArrayRef<float, 2> rr, ArrayRef<float, 2> dr,
                      ArrayRef<float, 2> br, ArrayRef<float, 2> ss);

}  // namespace ruvo
