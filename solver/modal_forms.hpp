// The assembled full system seen through a few modes: the small matrices
// Φᵀ·K·Φ and Φᵀ·B·Φ that the derivatives of eigenvalues take, straight from
// the assembly's storage (the matrices themselves stay in the engine).
#pragma once

#include <span>
#include <vector>

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

}  // namespace ruvo
