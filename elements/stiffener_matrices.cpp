#include "elements/stiffener_matrices.hpp"

#include <algorithm>
#include <cmath>

#include "elements/message.hpp"
#include "elements/shape_functions.hpp"
#include "elements/stiffener_set.hpp"
#include "model/zero_thresholds.hpp"

namespace ruvo {

using elements::SegmentTerm;

namespace {

const io::Format& needs_u_and_v() {
  static const io::Format f(
      "(1X,'Using RUVO with stiffened panels requires functional dofs u,v (2,3).'/1X,'Please correct input "
      "of "
      "KU in NAMELIST SUBDIV')");
  return f;
}
const io::Format& inadmissible_direction() {
  static const io::Format f("(1X,'INADMISSIBLE FIRST ARGUMENT, NEITHER ''X'' NOR ''Y''')");
  return f;
}

// U and V among the functional freedoms: both (the stiffeners stretch
// with the skin), neither (W, or W, BETA, GAMMA: the stiffeners' in-plane
// parts drop and only their W terms enter), or one alone (refused).
enum class InPlane { both, neither, one };

template <class V>
InPlane in_plane_freedoms() {
  const auto& ku = state::f07ina<V>().ku;
  if (ku(2) == 2 && ku(3) == 3) return InPlane::both;
  for (int k = 1; k <= 5; ++k)
    if (ku(k) == 2 || ku(k) == 3) return InPlane::one;
  return InPlane::neither;
}

// The tests a routine of the tangential blocks starts with: U and V both
// or neither (ier 1), the direction is 'X' or 'Y' (ier 3); false after the message.
template <class V>
bool may_assemble(char xory, const io::Format& heading, std::int32_t& ier) {
  ier = 0;
  namespace code = elements::stiffener_code;
  if (in_plane_freedoms<V>() == InPlane::one)
    ier = code::no_u_and_v;
  else if (xory != 'X' && xory != 'Y')
    ier = code::direction;
  if (ier != 0)
    elements::write_message(heading, ier == code::no_u_and_v ? needs_u_and_v() : inadmissible_direction());
  return ier == 0;
}

// The bending terms of a stiffener over the W freedoms of its line, with
// the curvature coefficient k of the membrane strain along it.
struct BendingTerm {
  double coefficient;
  SegmentTerm form;
};

template <class V>
std::array<BendingTerm, 5> bending_terms(const elements::StiffenerSet<V>& set, int k) {
  const double fa = state::f07pd.fa, fs = state::f07pd.fs, c = set.curvature;
  const double ea = set.ea(k), es = set.es(k), ei = set.ei(k), gj = set.gj(k);
  return {{{c * c * ea, {1, 1, 0, 0}},                         // W times W
           {2 * c * es, {1, 1, 0, 2}},                         // W times its curvature
           {gj / (fa * fa), {2, 2, 1, 1}},                     // twist times twist
           {-2 * gj * fs / (fa * fa), {2, 1, 1, 2}},           // twist times curvature
           {ei + gj * (fs / fa) * (fs / fa), {1, 1, 2, 2}}}};  // curvature times curvature
}

// The W-with-W stiffness of the stiffeners of one direction.
template <class V>
void add_bending(char xory, const io::Format& heading, std::span<double> a11, const F07dis<V>& dis,
                 std::int32_t& ier) {
  static const io::Format lookup("(1X,'ERROR RETURN FROM KUORKV, I=',I4, 'J=',I4)");
  ier = 0;
  if (in_plane_freedoms<V>() == InPlane::one) {
    elements::write_message(heading, needs_u_and_v());
    ier = elements::stiffener_code::no_u_and_v;
    return;
  }
  const auto set = elements::stiffener_set<V>(xory, dis);
  const std::span<const std::int32_t> lvtri(state::comlv<V>().lvtri.data, V::p_nx);
  const auto& s1 = state::f07in1.s1;
  const auto& s2 = state::f07in2.s2;
  for (int k = 1; k <= set.count; ++k) {
    const int line = set.line(k);
    for (const BendingTerm& term : bending_terms(set, k)) {
      if (std::abs(term.coefficient) < negligible_stiffener_term) continue;
      const int failed = elements::for_each_segment(
          set, line, 1, [&](int, const SegmentFreedoms& kpq, float h, const elements::SegmentScales& bx) {
            elements::scatter_segment(kpq, term.form, a11, lvtri, [&](int q, int p) {
              return elements::segment_integral(s1, s2, term.form, q, p, bx, 1.0f, 1.0f, term.coefficient, h);
            });
          });
      if (failed != 0) {
        elements::write_message(heading, lookup, {failed, line});
        ier = elements::stiffener_code::lookup;
        return;
      }
    }
  }
}

}  // namespace

template <class V>
void a11xst(std::span<double> a11, const F07dis<V>& dis, std::int32_t& ier) {
  static const io::Format heading("(/1X,'MESSAGE FROM SUBROUTINE A11XST:')");
  add_bending<V>('X', heading, a11, dis, ier);
}

template <class V>
void a11yst(std::span<double> a11, const F07dis<V>& dis, std::int32_t& ier) {
  static const io::Format heading("(/1X,'MESSAGE FROM SUBROUTINE A11YST:')");
  add_bending<V>('Y', heading, a11, dis, ier);
}

template <class V>
void a21ast(char xory, ArrayRef<double, 2> a21, const F07dis<V>& dis, std::int32_t& ier, std::int32_t* tops,
            std::int32_t* bottoms) {
  static const io::Format heading("(/1X,'MESSAGE FROM SUBROUTINE A21AST:')");
  static const io::Format lookup("(1X,'ERROR RETURN FROM KUORKV, I=', I4,'J=', I4)");
  if (!may_assemble<V>(xory, heading, ier) || in_plane_freedoms<V>() == InPlane::neither) return;
  const auto fail = [&](int line, int segment, int code) {
    elements::write_message(heading, lookup, {line, segment});
    ier = code;
  };
  const auto set = elements::stiffener_set<V>(xory, dis);
  const auto& s1 = state::f07in1.s1;
  const auto& s2 = state::f07in2.s2;
  for (int k = 1; k <= set.count; ++k) {
    const int line = set.line(k);
    // Stretching of the line against W (order 0, through the curvature)
    // and against its curvature (order 2, through the coupling stiffness).
    const struct {
      double coefficient;
      int w_order;
    } terms[2] = {{2.0 * set.curvature * set.ea(k), 0}, {2.0 * set.es(k), 2}};
    for (const auto& term : terms) {
      if (std::abs(term.coefficient) < negligible_stiffener_term) continue;
      const SegmentTerm form{1, 1, term.w_order, 1};
      for (int s = 1; s <= set.segments; ++s) {
        SegmentFreedoms kpq, jrs;
        kuorkv<V>(xory, line, s, 1, kpq, ier);
        if (ier != 0) return fail(line, s, elements::stiffener_code::lookup);
        kuorkv<V>(xory, line, s, set.tangential, jrs, ier);
        if (ier != 0) return fail(line, s, elements::stiffener_code::tangential_lookup);
        const float h = set.length(s);
        const auto bx = elements::segment_scales(xory, h);
        for (int p = 1; p <= 4; ++p) {
          if (jrs(1, p) == 0) continue;
          for (int q = 1; q <= 4; ++q)
            if (kpq(1, q) != 0)
              if (const double v =
                      elements::segment_integral(s1, s2, form, q, p, bx, 1.0f, 1.0f, term.coefficient, h);
                  v != 0.0) {  // zero terms left unwritten, as for the skin
                a21(jrs(1, p), kpq(1, q)) += 0.5 * v;
                if (tops) tops[kpq(1, q) - 1] = std::min(tops[kpq(1, q) - 1], jrs(1, p));
                if (bottoms) bottoms[kpq(1, q) - 1] = std::max(bottoms[kpq(1, q) - 1], jrs(1, p));
              }
        }
      }
    }
  }
}

template <class V>
void a22ast(char xory, std::span<double> a22, const F07dis<V>& dis, std::int32_t& ier) {
  static const io::Format heading("(/1X,'MESSAGE FROM SUBROUTINE A22AST:')");
  static const io::Format lookup("(1X,'ERROR RETURN FROM KUORKV, I=',I4,' J=',I4)");
  if (!may_assemble<V>(xory, heading, ier) || in_plane_freedoms<V>() == InPlane::neither) return;
  const auto fail = [&](int line, int segment, int code) {
    elements::write_message(heading, lookup, {line, segment});
    ier = code;
  };
  const auto set = elements::stiffener_set<V>(xory, dis);
  const std::span<const std::int32_t> lva22(state::comlv<V>().lva22.data, V::p_ny);
  const auto& s1 = state::f07in1.s1;
  const auto& s2 = state::f07in2.s2;
  const SegmentTerm stretching{1, 1, 1, 1};
  for (int k = 1; k <= set.count; ++k) {
    const double ea = set.ea(k);
    if (std::abs(ea) < negligible_stiffener_term) continue;
    const int line = set.line(k);
    const auto add = [&](int, const SegmentFreedoms& kpq, float h, const elements::SegmentScales& bx) {
      elements::scatter_segment(kpq, stretching, a22, lva22, [&](int q, int p) {
        return elements::segment_integral(s1, s2, stretching, q, p, bx, 1.0f, 1.0f, ea, h);
      });
    };
    const int failed = elements::for_each_segment(set, line, set.tangential, add);
    if (failed != 0) return fail(line, failed, elements::stiffener_code::lookup);
  }
}

#define RUVO_INSTANTIATE(V)                                                                          \
  template void a11xst<V>(std::span<double>, const F07dis<V>&, std::int32_t&);                       \
  template void a11yst<V>(std::span<double>, const F07dis<V>&, std::int32_t&);                       \
  template void a21ast<V>(char, ArrayRef<double, 2>, const F07dis<V>&, std::int32_t&, std::int32_t*, \
                          std::int32_t*);                                                            \
  template void a22ast<V>(char, std::span<double>, const F07dis<V>&, std::int32_t&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
