// The buckling/vibration driver: data input, echo, freedom numbering, level
// vectors, element terms, membrane compliance, then the buckling solution
// with the crippling check, the vibration notice and the global buckling,
// as the analysis-type flags ask.
#pragma once

#include <array>
#include <cstdint>

#include "model/run_status.hpp"

namespace ruvo {

// buvi's own codes (the others are those of rddata, mklvbd and tfmstf).
inline constexpr std::int32_t buvi_grid_too_large = 1;
inline constexpr std::int32_t buvi_assembly_failed = 2;
inline constexpr std::int32_t buvi_solution_failed = 3;
inline constexpr std::int32_t buvi_global_buckling_failed = 4;
inline constexpr std::int32_t buvi_crippling_type = 5;
inline constexpr std::int32_t buvi_membrane_stiffness = 10;

template <class V>
void buvi(std::int32_t& ier);

// The stages of buvi with their outcome as a value (the failing stage and
// its own code); `buvi` maps it onto its ier.
template <class V>
RunStatus buvi_stages(const RunOptions& options);

// aij: the inverse of the symmetric membrane block d (packed d11, d21, d31,
// d22, d32, d33) in 32 bits; false (aij untouched) when it is singular.
bool invert_membrane_block(const std::array<float, 6>& d, float (&aij)[3][3]);

}  // namespace ruvo
