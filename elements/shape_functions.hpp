// Cubic Hermite functions on [0, 1] and the freedom lookups that turn a grid
// position into equation numbers of the key matrix lm(5,4,p_nodes).
//
// Element freedoms iu(r,c) of one function, element between y-lines i, i+1
// and x-lines j, j+1 (node n = leit(y-line, x-line), kinds F FX FY FXY):
//
//        c=1        c=2         c=3        c=4
//   r=1  F  (i,j)   FX  (i,j)   F  (i,j+1)  FX  (i,j+1)     shape Hr(eta)·Hc(xi)
//   r=2  FY (i,j)   FXY (i,j)   FY (i,j+1)  FXY (i,j+1)
//   r=3  F  (i+1,j) FX  (i+1,j) F  (i+1,j+1) FX (i+1,j+1)
//   r=4  FY (i+1,j) FXY (i+1,j) FY (i+1,j+1) FXY (i+1,j+1)
//
// Stiffener segment freedoms kv(2,4): row 1 the value and the slope along
// the line at both ends, row 2 the matching derivatives across it.
#pragma once

#include <cstdint>

#include "model/array.hpp"

namespace ruvo {

using ElementFreedoms = Array<std::int32_t, 4, 4>;
using SegmentFreedoms = Array<std::int32_t, 2, 4>;

// val = Hi(z) in 32 bits; ier 1 for z outside [-1e-5, 1+1e-5], 2 for i outside 1..4.
void phi(std::int32_t i, float z, float& val, std::int32_t& ier);

// Whether the freedom set ku(1..knfun) carries function ifun (W always).
template <class V>
bool carries_function(std::int32_t ifun);

// iu of function ifun on the element (y-line i, x-line j). ier 1 (with a
// message) for a position off the grid, 2 (iu zeroed) for a function it
// does not look up: one outside 1..5, or not carried by ku, except that with
// three functions carried it looks up W, U and V alike (under (1,4,5) U and
// V give the key matrix's never-numbered markers).
template <class V>
void iuoriv(std::int32_t i, std::int32_t j, std::int32_t ifun, ElementFreedoms& iu, std::int32_t& ier);

// kv of function ifun on segment jj of the stiffener on line ii, direction
// 'X' (on a y-line) or 'Y' (on an x-line). ier 1 for another direction,
// 2 for a position off the grid (both with a message).
template <class V>
void kuorkv(char xory, std::int32_t ii, std::int32_t jj, std::int32_t ifun, SegmentFreedoms& kv,
            std::int32_t& ier);

}  // namespace ruvo
