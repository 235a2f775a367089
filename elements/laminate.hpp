// Classical lamination theory: membrane A, bending D and coupling (-B)
// stiffness of a ply stack, and the rotation of a ply stiffness matrix.
#pragma once

#include <cstdint>
#include <span>

#include "model/array.hpp"

namespace ruvo {

// ier: 0, or 20 + trnpsi's code.
void abdetc(std::int32_t nla, std::span<const float> thkply, std::span<const float> angply,
            std::span<const float> q, float& thklam, ArrayRef<float, 2> aal, ArrayRef<float, 2> ddl,
            ArrayRef<float, 2> adl, std::int32_t& ier);

// b = a rotated by psi degrees, m = 3 (in-plane) or 2 (shear); ier 1 otherwise.
void trnpsi(std::int32_t m, float psi, ArrayRef<const float, 2> a, ArrayRef<float, 2> b, std::int32_t& ier);

}  // namespace ruvo
