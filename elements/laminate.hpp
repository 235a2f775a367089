// Classical lamination theory: membrane A, bending D and coupling (-B)
// stiffness of a ply stack, and the rotation of a ply stiffness matrix.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "model/array.hpp"

namespace ruvo {

// Plies 1..nla from the bottom (thicknesses, angles in degrees), ply
// constants q = (E1, E2, nu12, G12); aal = A, ddl = D, adl = -B.
// ier: 0, or 20 + trnpsi's code. Needs nla >= 1 and nla entries of each list.
void abdetc(std::int32_t nla, std::span<const float> thkply, std::span<const float> angply,
            std::span<const float> q, float& thklam, ArrayRef<float, 2> aal, ArrayRef<float, 2> ddl,
            ArrayRef<float, 2> adl, std::int32_t& ier);

// Why abdetc cannot run on lists of these sizes (empty text when it can).
std::string abdetc_fault(std::int32_t nla, std::int64_t thkply_size, std::int64_t angply_size);

// b = a rotated by psi degrees, m = 3 (in-plane) or 2 (shear); ier 1 otherwise.
void trnpsi(std::int32_t m, float psi, ArrayRef<const float, 2> a, ArrayRef<float, 2> b, std::int32_t& ier);

}  // namespace ruvo
