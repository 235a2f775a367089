// The key matrix lm(f, d, n) of shared block f07mat: the equation number of
// function f (1 W, 2 U, 3 V, 4 BETA, 5 GAMMA), derivative kind d (1 F, 2 FX,
// 3 FY, 4 FXY) at node n.
//   -909  free and never numbered (a function the analysis does not carry)
//      0  suppressed: held at zero, no equation
//    > 0  equation number; W freedoms 1..ix, the tangential ones 1..iy
#pragma once

#include <cstdint>

namespace ruvo {

constexpr std::int32_t lm_free = -909;

// Numbers the freedoms after the edge, symmetry and single suppressions,
// sets the band widths ibdx, ibdy and prints the key matrix. Returns
// ix = iy = 0 after a message when the model state cannot be indexed.
template <class V>
void setkey(std::int32_t& ix, std::int32_t& iy);

// Whether the key matrix was built after the last data input, so that it
// belongs to the model state: a run stopped in the data input leaves the key
// matrix of an earlier model (or none) behind. The data input forgets it.
bool key_matrix_current();
void forget_key_matrix();

}  // namespace ruvo
