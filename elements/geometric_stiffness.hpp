// Geometric stiffness over the W equations of a membrane force field
// pmem(p_nodes, 3) = (Nx, Nxy, Ny) per node: skin and stiffeners, times fakt,
// added to the profile matrix bmt with level vector lv (never cleared). The
// stiffeners carry EA times the skin's strain along them, from the
// compliance of the inputs.
#pragma once

#include <cstdint>
#include <span>

#include "elements/assembly_inputs.hpp"
#include "model/array.hpp"

namespace ruvo {

// ier codes of cmpbmt (0 success).
namespace cmpbmt_code {
inline constexpr std::int32_t lookup = 1;  // freedoms of an element
inline constexpr std::int32_t x_stiffeners = 2;
inline constexpr std::int32_t y_stiffeners = 3;
}  // namespace cmpbmt_code

// ier: 0; 1 freedom lookup; 2 / 3 x- / y-stiffeners.
template <class V>
void cmpbmt(std::span<double> bmt, std::span<const std::int32_t> lv, ArrayRef<const float, 2> pmem,
            float fakt, const AssemblyInputs<V>& in, std::int32_t& ier);

// The stiffeners of direction xory of the tables `dis`, the skin's strain
// from `compliance`; leaves the axial forces of the last segment in pax
// (shared block test). ier: 0; 1 direction; 2 lookup.
template <class V>
void bmatst(char xory, std::span<double> bmt, std::span<const std::int32_t> lv, ArrayRef<const float, 2> pmem,
            float fakt, const F07dis<V>& dis, const NodeCompliance& compliance, std::int32_t& ier);

}  // namespace ruvo
