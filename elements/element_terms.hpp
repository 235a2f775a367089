// Element stiffness terms: the constitutive matrices of every element in the
// grid's coordinates (c: 9 x 9 over the strains 1..9, lower triangle packed
// by columns, entry (r,j) at (18-j)(j-1)/2 + r; ch: 2 x 2 shear packed
// (1,1),(1,2),(2,2)), and their expansion into the element term lists.
#pragma once

#include <cstdint>

#include "model/array.hpp"

namespace ruvo {

// c, ch and the curvature entries of the strain table for a rectangular or
// skewed grid. ier 1 (message, c zero) for a degenerate skew.
template <class V>
void tfmstf(ArrayRef<float, 2> c, ArrayRef<float, 2> ch, ArrayRef<float, 2> bb, ArrayRef<float, 2> dd,
            ArrayRef<float, 2> bd, ArrayRef<float, 2> rr, ArrayRef<float, 2> dr, ArrayRef<float, 2> br,
            ArrayRef<float, 2> ss, std::int32_t& ier);

// ikt, fquad, kquad of every element from c and ch.
template <class V>
void f01kbf(ArrayRef<float, 2> c, ArrayRef<float, 2> ch);

}  // namespace ruvo
