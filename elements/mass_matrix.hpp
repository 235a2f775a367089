// Consistent mass matrix over the W equations: the normal inertia of the
// skin (the inputs' density per unit area, scaled by fa) and of the
// stiffeners (domx, domy per unit length). Only W carries mass.
#pragma once

#include <cstdint>
#include <span>

#include "elements/assembly_inputs.hpp"

namespace ruvo {

// Clears mmt(1 .. ix + lv(ix)) and assembles skin and stiffener mass; the
// stiffeners always go through lvb, so callers pass lvb.
// ier: 0; 2 freedom lookup; 3 / 4 x- / y-stiffeners (assembly_code, plate_matrices.hpp).
template <class V>
void cmpmmt(std::span<double> mmt, std::span<const std::int32_t> lv, const AssemblyInputs<V>& in,
            std::int32_t& ier);

// Adds the mass of the stiffeners of direction xory of the tables `dis`.
// ier: 0; 1 direction; 2 lookup.
template <class V>
void mmtst(char xory, std::span<double> mmt, const F07dis<V>& dis, std::int32_t& ier);

}  // namespace ruvo
