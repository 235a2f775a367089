// The element and term loops shared by the skin assemblies: elements by
// y-row i (outer) and x-column j (inner), each element's terms in list order.
#pragma once

#include <cmath>
#include <cstdint>
#include <utility>

#include "elements/term_integration.hpp"
#include "io/interrupt.hpp"
#include "model/blocks.hpp"
#include "model/zero_thresholds.hpp"

namespace ruvo::elements {

// One term of an element's list: coefficient times the integral of the
// product of the derivatives coded code1 and code2 (function*100 +
// x-order*10 + y-order); pair = function of factor 1 * 10 + that of factor 2.
struct Term {
  float coefficient;
  std::int32_t code1, code2, pair;

  int function1() const { return pair / 10; }
  int function2() const { return pair % 10; }
  // Both factors derivatives of W (function 1, pair 11): a term of a11.
  bool is_bending() const { return pair == 11; }
  // One factor a derivative of W, the other of a tangential function: a term of a21.
  bool is_coupling() const { return (function1() == 1) != (function2() == 1); }
  // Both factors derivatives of the tangential functions 2..5 (pair above 19,
  // second function above 1): a term of a22.
  bool is_tangential() const { return pair > 19 && function2() > 1; }
  void swap_factors() {
    std::swap(code1, code2);
    pair = 10 * function2() + function1();
  }
};

// Calls visit(i, j, term) for every term of the lists `q` of every element
// of the grid and stops at the first nonzero code it returns, which it
// passes on.
template <class V, class Visit>
int for_each_term(const F01qua<V>& q, Visit&& visit) {
  const auto& ina = state::f07ina<V>();
  for (int i = 1; i <= ina.my - 1; ++i)
    for (int j = 1; j <= ina.mx - 1; ++j) {
      io::poll_interrupt();
      const int e = (ina.my - 1) * (j - 1) + i;
      for (int t = 1; t <= q.ikt(e); ++t) {
        const Term term{q.fquad(t, e), q.kquad(t, 1, e), q.kquad(t, 2, e), q.kquad(t, 3, e)};
        if (const int code = visit(i, j, term)) return code;
      }
    }
  return 0;
}

// A skin term on element (y-row i, x-column j): its coefficient fquad·fa,
// the derivative orders of its two factors along x (t1, t2) and y (u1, u2)
// and the length factor of those orders. Its block is
// element_block(f, Sx(t1, t2), Sy(u1, u2), b1, a, b, e).
struct SkinTerm {
  float f;
  int t1, t2, u1, u2;
  double e;
};

// False for a negligible term, which is skipped.
template <class V>
bool skin_term(int i, int j, const Term& term, SkinTerm& out) {
  const auto& ina = state::f07ina<V>();
  out.f = term.coefficient * state::f07pd.fa;
  if (std::abs(out.f) < negligible_skin_term) return false;
  out.t1 = term.code1 % 100 / 10, out.u1 = term.code1 % 10;
  out.t2 = term.code2 % 100 / 10, out.u2 = term.code2 % 10;
  out.e = per_length(per_length(1.0, ina.b(i), out.u1 + out.u2 - 1), ina.a(j), out.t1 + out.t2 - 1);
  return true;
}

// The block of a skin term on element (y-row i, x-column j): the integral of
// the product of its two derivatives of the scaled shape functions, times
// fquad·fa. False (block untouched) for a negligible term, which is skipped.
template <class V>
bool skin_term_block(int i, int j, const Term& term, ElementBlock& block) {
  const auto& ina = state::f07ina<V>();
  SkinTerm t;
  if (!skin_term<V>(i, j, term, t)) return false;
  Integrals sx, sy;
  plain_integrals(state::f07in1.s1, state::f07in2.s2, t.t1, t.t2, sx);
  plain_integrals(state::f07in1.s1, state::f07in2.s2, t.u1, t.u2, sy);
  element_block(t.f, sx, sy, state::f07pd.b1, ina.a(j), ina.b(i), t.e, block);
  return true;
}

}  // namespace ruvo::elements
