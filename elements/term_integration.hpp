// Exact integration of the element and stiffener terms with the tables
// s1, s2 (weighted integrals of Hermite-function derivatives over [0, 1]),
// and the scatter of the result into profile or dense storage. Kernels:
// no I/O, no model state.
//
// An element block holds one term over the 16 freedoms of each factor,
// freedom (r, c) of the element freedom table at p = (r-1) + 4(c-1), the
// order of ElementFreedoms' storage:
//
//   block(P, Q) = f · Sx(cP,cQ) · Sy(rP,rQ) · g(P) · g(Q) · e
//
// with g = b1 (global scale) · b2 (element length: hx = (1, a, 1, a) on c,
// hy = (1, b, 1, b) on r) and e the length factor of the derivative orders.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "elements/shape_functions.hpp"
#include "model/array.hpp"
#include "model/profile_index.hpp"

namespace ruvo::elements {

using HermiteTable = Array<float, 3, 4, 3, 4>;  // s(order+1, k, order+1, l)
using Integrals = double[4][4];                 // one direction, [k-1][l-1]
using Scales = Array<float, 4, 4>;              // b1(r, c)

struct ElementBlock {
  double v[16][16];
};

// Plain integrals of one direction: s1 + s2 (the sum formed in 32 bits)
// for derivative orders o1 of the first and o2 of the second function.
void plain_integrals(const HermiteTable& s1, const HermiteTable& s2, int o1, int o2, Integrals& out);
// Integrals weighted by a linear coefficient from w1 (start) to w2 (end).
void weighted_integrals(const HermiteTable& s1, const HermiteTable& s2, int o1, int o2, double w1, double w2,
                        Integrals& out);

// x / h^k with the power in 32 bits, k >= 0; x · h for k = -1 (the
// integral of a product of values over a length).
template <class Real>
Real per_length(Real x, float h, int k) {
  if (k == -1) return x * h;
  float power = 1.0f;
  for (int i = 0; i < k; ++i) power *= h;
  return x / power;
}

// The block of one term on an element of lengths a (x) by b (y).
void element_block(double f, const Integrals& sx, const Integrals& sy, const Scales& b1, float a, float b,
                   double e, ElementBlock& out);

// Adds the symmetric part of a block to a profile matrix (entry (r, c),
// c <= r, at lv(r) + c, 1-based): pair (P, Q) with equation numbers
// p = rows[P], q = cols[Q], both nonzero, adds block(P, Q), halved when p != q.
void scatter_symmetric(const ElementBlock& block, const ElementFreedoms& rows, const ElementFreedoms& cols,
                       std::span<double> a, std::span<const std::int32_t> lv);
// Adds half of block(P, Q) to the coupling matrix at (tangential t = cols[Q],
// W w = rows[P]); terms that are zero are not written. `tops` and
// `bottoms`, when given, hold per W column the first and the last
// tangential row written (lowered and raised here).
void scatter_coupling(const ElementBlock& block, const ElementFreedoms& rows, const ElementFreedoms& cols,
                      ArrayRef<double, 2> a21, std::int32_t* tops = nullptr, std::int32_t* bottoms = nullptr);

// One segment of a stiffener: freedom k = 1..4 of row r of the segment
// freedom table has the scale bx(r, k).
using SegmentScales = Array<float, 2, 4>;

// A stiffener term: the rows of the segment freedoms and the derivative
// orders along the line of its two factors Q and P.
struct SegmentTerm {
  int row_q, row_p, order_q, order_p;
};

// per_length(S(Q,P) · bx(rowQ,Q) · bx(rowP,P) · coef, h, oQ+oP-1), with
// S = w1·s1 + w2·s2 (32 bits); the rest in Real (64 bits for stiffness,
// 32 for the geometric stiffness of the stiffeners).
template <class Real>
Real segment_integral(const HermiteTable& s1, const HermiteTable& s2, const SegmentTerm& t, int q, int p,
                      const SegmentScales& bx, float w1, float w2, Real coef, float h);

// Adds value v of the pair of equation numbers (p, q) to a profile matrix,
// halved when they differ.
inline void add_symmetric(std::span<double> a, std::span<const std::int32_t> lv, std::int32_t p,
                          std::int32_t q, double v) {
  const std::int32_t hi = std::max(p, q), lo = std::min(p, q);
  a[std::size_t(profile_index(lv.data(), hi, lo))] += p == q ? v : 0.5 * v;
}

}  // namespace ruvo::elements
