#pragma once

#include "model/array.hpp"

namespace ruvo {

// The data echo of a vibration analysis of a panel with one laminate: the
// model sections of the buckling echo, one set of stiffness coefficients
// (6-vectors packed as (1,1),(1,2),(2,2),(1,3),(2,3),(3,3); ss as (1,1),
// (1,2),(2,2)), the stiffeners, the mass per unit area and the prescribed
// membrane forces. Leaves nox, noy recounted as
// the leading nonzero lines of istx, isty (the listing shows ten at most).
template <class V>
void prtvib(ArrayRef<float, 1> bb, ArrayRef<float, 1> dd, ArrayRef<float, 1> bd, ArrayRef<float, 1> rr,
            ArrayRef<float, 1> dr, ArrayRef<float, 1> br, ArrayRef<float, 1> ss);

}  // namespace ruvo
