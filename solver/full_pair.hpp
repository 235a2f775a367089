// The stiffness of all the freedoms, W and tangential,
// K = [A11 A21ᵀ; A21 A22], as one band matrix for the Lanczos method of a
// buckling solution. Where A21 couples the two (a curved skin, an
// eccentric stiffener) the condensation A11* = A11 − A21ᵀ·A22⁻¹·A21 fills
// A11* to a full triangle, whose factor grows as the cube of the W
// freedoms; K's, in an order that interleaves the two numberings, grows as
// the number of all the freedoms times its band squared. The eigenvalues
// of K·x = λ·B·x (B zero on the tangential freedoms) are those of the
// condensed pair A11*·w = λ·B·w, and the W part of each mode its mode,
// equally normalised (xᵀ·K·x = wᵀ·A11*·w).
#pragma once

#include <cstdint>
#include <vector>

#include "kernels/factor.hpp"
#include "model/run_status.hpp"

namespace ruvo {

struct FullPair {
  std::vector<int> w_rows;     // row (0-based) of W freedom j in K's order
  kernels::KeptFactor factor;  // of K; none: the condensed pair is solved
  bool condensed = false;      // A11 holds A11* after all (a solution needed it)
};

// Interleaves, assembles and factors K into `full` from A11, A21 and A22 of
// shared block matrix, which stay as they are, where the solution `eigen`
// takes the Lanczos method and the options hold the first and last row of
// each column of A21 that this call's assembly wrote. False, with nothing
// kept, where it cannot or the condensation costs no more (A21 zero, or
// K's band too wide to pay), or K is not positive definite (the
// condensation then reports what failed).
template <class V>
bool factor_full_pair(FullPair& full, const SolutionOptions& options, EigenSolution eigen);

}  // namespace ruvo
