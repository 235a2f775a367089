// The assembled full system seen through a few modes: the small matrices
// Φᵀ·K·Φ and Φᵀ·B·Φ that the derivatives of eigenvalues take, straight from
// the assembly's storage (the matrices themselves stay in the engine), and
// their exact derivatives along inputs on which the matrices are linear.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "model/laminate_column.hpp"

namespace ruvo {

struct ModalForms {
  std::vector<double> stiffness, load;  // m × m, column-major
};

// Φ: the full modes, (ix + iy) × m column-major, W rows then tangential
// rows. K = [A11 A21ᵀ; A21 A22] with the fixed loads' geometric stiffness in
// A11 as assembled; B = b11 on the W rows (the variable loads' geometric
// stiffness, or the mass). Needs the matrices of a finished assembly.
template <class V>
ModalForms modal_forms(std::span<const double> phi, int m);

// The same forms of modes of the condensed pair, from A11* and B as the
// buckling solution leaves them: with the tangential parts X2 = −A22⁻¹·A21·W,
// Φᵀ·K·Φ = Wᵀ·A11*·W (the coupling and A22 terms cancel to the
// condensation's), so the assembled matrices need not be kept through the
// solution. Reads the W rows of Φ alone.
template <class V>
ModalForms condensed_forms(std::span<const double> phi, int m);

// The rates of change of the inputs on which K and B are linear, along one
// design variable: the stiffeners' EA, ES, EI, GJ (in the order of the
// stiffener tables), the membrane forces (one row for all nodes, or one per
// node), the laminate and shear tables' columns (one per laminate) and, for
// vibration, the masses (skin per unit area, stiffeners per unit length).
// Empty: unchanged.
struct LinearDirection {
  std::vector<std::array<float, 4>> stringers, frames;
  std::vector<std::array<float, laminate_column::stiffness_rows>> laminates;
  std::vector<std::array<float, laminate_column::shear_rows>> shear;
  std::vector<std::array<float, 3>> variable, fixed;
  std::vector<float> density, stringer_masses, frame_masses;  // density: none or one value
  bool masses() const { return !density.empty() || !stringer_masses.empty() || !frame_masses.empty(); }
};

// ier of direction_forms when the element terms of a laminate rate would
// overfill an element's term list (the message is on the listing).
inline constexpr std::int32_t rate_terms_overfull = 9;

// The derivatives of the forms along each direction at the inputs assembled
// last: K and B depend on the stiffnesses, on each set of forces and on the
// laminates linearly (the stiffeners' share of the geometric stiffness on
// the product of EA, the forces and the skin's membrane compliance, whose
// rate is -A⁻¹·dA·A⁻¹), so the derivative is the part of the assembly that
// carries the direction's rates with the other inputs as they are; the
// skin's part along laminate rates is formed element by element from the
// rates' term lists, never assembled. Uses the matrices' storage (after
// modal_forms); assembles from views over tables of its own, so the shared
// blocks' inputs and element terms are only read.
// Returns the failing routine's code in `ier` (0 success).
template <class V>
std::vector<ModalForms> direction_forms(std::span<const LinearDirection> directions,
                                        std::span<const double> phi, int m, std::int32_t& ier);

}  // namespace ruvo
