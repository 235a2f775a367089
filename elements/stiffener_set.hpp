// The stiffeners of one direction as the segment assemblies see them:
// x-stiffeners lie on y-lines with segments of lengths a, y-stiffeners on
// x-lines with segments of lengths b.
#pragma once

#include <cstdint>
#include <span>

#include "elements/shape_functions.hpp"
#include "elements/term_integration.hpp"
#include "model/blocks.hpp"

namespace ruvo::elements {

template <class V>
struct StiffenerSet {
  char xory;
  std::int32_t count;                          // nox or noy
  const Array<std::int32_t, V::p_stf>& line;   // istx or isty
  const Array<float, 4, V::p_stf>& stiffness;  // EA, ES, EI, GJ per stiffener
  const Array<float, V::p_stf>& mass;          // per unit length
  std::int32_t segments;                       // mx-1 or my-1
  const Array<float, V::p_rtnds - 1>& length;  // a or b
  std::int32_t tangential;                     // U (2) along x, V (3) along y
  float curvature;                             // W term of the membrane strain along the line

  float ea(int k) const { return stiffness(1, k); }
  float es(int k) const { return stiffness(2, k); }
  float ei(int k) const { return stiffness(3, k); }
  float gj(int k) const { return stiffness(4, k); }
};

// The set of direction 'X' or 'Y' of the stiffener tables `dis` (any other
// character is taken as 'Y'; callers test the direction first).
template <class V>
StiffenerSet<V> stiffener_set(char xory, const F07dis<V>& dis) {
  const auto& ina = state::f07ina<V>();
  const auto& feps = state::f01eps.feps;
  if (xory == 'X') return {'X', dis.nox, dis.istx, dis.steifx, dis.domx, ina.mx - 1, ina.a, 2, feps(1, 2)};
  return {'Y', dis.noy, dis.isty, dis.steify, dis.domy, ina.my - 1, ina.b, 3, feps(2, 2)};
}

// Scales of the segment freedoms of length h: row 1 (along the line) value
// and slope, row 2 (across it) the matching cross derivatives.
inline SegmentScales segment_scales(char xory, float h) {
  const auto& b1 = state::f07pd.b1;
  const float t = xory == 'X' ? b1(1, 2) : b1(2, 1), c = xory == 'X' ? b1(2, 1) : b1(1, 2);
  SegmentScales bx;
  for (int end = 0; end < 2; ++end) {
    bx(1, 1 + 2 * end) = b1(1, 1);
    bx(1, 2 + 2 * end) = t * h;
    bx(2, 1 + 2 * end) = c;
    bx(2, 2 + 2 * end) = b1(2, 2) * h;
  }
  return bx;
}

// Visits the segments of the stiffener on `line` in order with the segment
// freedoms of function f: visit(s, kv, h, bx). Returns 0, or the segment
// whose lookup failed (after kuorkv's own message; no later segment visited).
template <class V, class Visit>
int for_each_segment(const StiffenerSet<V>& set, int line, int f, Visit&& visit) {
  for (int s = 1; s <= set.segments; ++s) {
    SegmentFreedoms kv;
    std::int32_t ier = 0;
    kuorkv<V>(set.xory, line, s, f, kv, ier);
    if (ier != 0) return s;
    const float h = set.length(s);
    visit(s, kv, h, segment_scales(set.xory, h));
  }
  return 0;
}

// Adds value(q, p) of every pair of segment freedoms with nonzero equation
// numbers (P in the term's row for P, Q in its row for Q) to a profile
// matrix, halved when the two numbers differ.
template <class Value>
void scatter_segment(const SegmentFreedoms& kv, const SegmentTerm& form, std::span<double> a,
                     std::span<const std::int32_t> lv, Value&& value) {
  for (int p = 1; p <= 4; ++p) {
    if (kv(form.row_p, p) == 0) continue;
    for (int q = 1; q <= 4; ++q)
      if (kv(form.row_q, q) != 0) add_symmetric(a, lv, kv(form.row_p, p), kv(form.row_q, q), value(q, p));
  }
}

// ier codes of the routines that add the stiffeners of one direction
// (a11xst, a11yst, a21ast, a22ast, mmtst, bmatst); 0 success.
namespace stiffener_code {
inline constexpr std::int32_t no_u_and_v = 1;         // ku without U and V (a11xst ... a22ast)
inline constexpr std::int32_t direction_first = 1;    // mmtst, bmatst: xory neither 'X' nor 'Y'
inline constexpr std::int32_t lookup = 2;             // freedoms of a segment (a21ast: of W)
inline constexpr std::int32_t tangential_lookup = 3;  // a21ast: freedoms of U or V
inline constexpr std::int32_t direction = 3;          // a21ast, a22ast: xory neither 'X' nor 'Y'
}  // namespace stiffener_code

// The direction whose stiffeners could not be added.
enum class StiffenerFailure { none, x, y };

// Adds the stiffeners of both directions present in `dis`, x first, with
// add(xory, ier); returns the direction whose call failed, if any.
template <class V, class Add>
StiffenerFailure add_stiffeners(const F07dis<V>& dis, Add&& add) {
  std::int32_t ier = 0;
  if (dis.nox >= 1 && (add('X', ier), ier != 0)) return StiffenerFailure::x;
  if (dis.noy >= 1 && (add('Y', ier), ier != 0)) return StiffenerFailure::y;
  return StiffenerFailure::none;
}

}  // namespace ruvo::elements
