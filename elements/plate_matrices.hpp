// Skin stiffness of the panel, split by the two freedom numberings:
// A11 (W with W, profile over lvtri), A21 (tangential rows, W columns,
// dense with leading dimension p_ny), A22 (tangential, profile over lva22).
// Each integrates the element term lists exactly and then adds the
// stiffener share; cmpa11 also subtracts the geometric stiffness of the
// fixed membrane forces. The term lists, stiffeners and forces are those of
// the inputs `in`. The caller sets the scales (set_freedom_scales) and
// builds the key matrix, level vectors and term lists first.
#pragma once

#include <cstdint>
#include <span>

#include "elements/assembly_inputs.hpp"
#include "model/array.hpp"

namespace ruvo {

// ier codes of cmpa11, cmpa21, cmpa22 and cmpmmt (0 success).
namespace assembly_code {
inline constexpr std::int32_t wrong_rows = 1;    // cmpa21: rows != iy, a21 untouched
inline constexpr std::int32_t first_lookup = 1;  // cmpa22: freedoms of the first factor
inline constexpr std::int32_t lookup = 2;        // freedoms of an element (cmpa22: of the second factor)
inline constexpr std::int32_t x_stiffeners = 3;
inline constexpr std::int32_t y_stiffeners = 4;
inline constexpr std::int32_t fixed_forces = 3;  // cmpa11: geometric stiffness of the fixed forces
}  // namespace assembly_code

// ier: 0; 2 freedom lookup; 3 x-stiffeners or fixed forces; 4 y-stiffeners.
template <class V>
void cmpa11(std::span<double> a11, const AssemblyInputs<V>& in, std::int32_t& ier);

// ier: 0; 1 rows != iy (a21 untouched); the lookup's code; 3 / 4 stiffeners.
// `tops`, when given: a21 holds zeros already (it is not cleared again), and
// tops(1..ix) receive the first row written in each column (iy+1: none),
// and bottoms(1..ix), when given too, the last (0: none).
// Terms that are zero are never written, so the pages of a21 stay untouched
// where A21 is zero.
template <class V>
void cmpa21(ArrayRef<double, 2> a21, std::int32_t rows, const AssemblyInputs<V>& in, std::int32_t& ier,
            std::int32_t* tops = nullptr, std::int32_t* bottoms = nullptr);

// ier: 0; 1 / 2 first / second lookup; 3 / 4 stiffeners.
template <class V>
void cmpa22(std::span<double> a22, const AssemblyInputs<V>& in, std::int32_t& ier);

}  // namespace ruvo
