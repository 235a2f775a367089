#pragma once

#include "model/array.hpp"

namespace ruvo {

// Number of element strips the data echo prints (the elements of the first
// element column): my-1, or 0 without elements.
template <class V>
int echo_strips();

// The data echo of a buckling analysis on the listing: boundary conditions,
// suppressed freedoms, functional freedoms, subdivision, edge lengths,
// angles, curvature, the stiffness of each element strip (columns 1..my-1
// of the arrays), discrete stiffeners and both membrane-force fields.
// Prints a message instead when the model state cannot be indexed.
template <class V>
void prtout(ArrayRef<float, 2> bb, ArrayRef<float, 2> dd, ArrayRef<float, 2> bd, ArrayRef<float, 2> rr,
            ArrayRef<float, 2> dr, ArrayRef<float, 2> br, ArrayRef<float, 2> ss);

}  // namespace ruvo
