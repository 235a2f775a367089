#include "elements/geometric_stiffness.hpp"

#include <cmath>

#include "elements/message.hpp"
#include "elements/shape_functions.hpp"
#include "elements/stiffener_set.hpp"
#include "model/blocks.hpp"

namespace ruvo {

namespace {

// The force components of the membrane field: column of pmem, derivative
// orders (x, y) of the two W factors and the multiple of fakt.
struct ForceComponent {
  int column, t1, u1, t2, u2;
  double factor;
};
constexpr ForceComponent force_components[3] = {
    {1, 1, 0, 1, 0, 1.0},  // Nx:  W,x W,x
    {2, 1, 0, 0, 1, 2.0},  // Nxy: W,x W,y, both orders
    {3, 0, 1, 0, 1, 1.0},  // Ny:  W,y W,y
};

// Strain of the skin along the stiffener direction at node n of pmem:
// row 1 of the compliance aij under the node for 'X', row 2 for 'Y'.
float skin_strain(char xory, const Array<float, 3, 3>& aij, const ArrayRef<const float, 2>& pmem, int n) {
  const int r = xory == 'X' ? 1 : 2;
  return aij(r, 1) * pmem(n, 1) + aij(r, 2) * pmem(n, 3) + aij(r, 3) * pmem(n, 2);
}

}  // namespace

template <class V>
void cmpbmt(std::span<double> bmt, std::span<const std::int32_t> lv, ArrayRef<const float, 2> pmem,
            float fakt, const AssemblyInputs<V>& in, std::int32_t& ier) {
  static const io::Format heading("(/1X,'MESSAGE FROM SUBROUTINE CMPBMT:')");
  static const io::Format lookup("(1X,'ERROR IN SUBROUTINE IUORIV')");
  static const io::Format x_stiffeners("(1X,'ERROR IN SUBROUTINE BMATST, X-DIRECTION')");
  static const io::Format y_stiffeners("(1X,'ERROR IN SUBROUTINE BMATST, Y-DIRECTION')");
  const auto fail = [&](const io::Format& line, int code) {
    elements::write_message(heading, line);
    ier = code;
  };
  const auto& ina = state::f07ina<V>();
  const auto& pd = state::f07pd;
  const auto& s1 = state::f07in1.s1;
  const auto& s2 = state::f07in2.s2;
  ier = 0;
  for (const ForceComponent& k : force_components) {
    const double f = pd.fa * (k.factor * fakt);
    elements::Integrals sy;
    elements::plain_integrals(s1, s2, k.u1, k.u2, sy);
    for (int i = 1; i <= ina.my - 1; ++i)
      for (int j = 1; j <= ina.mx - 1; ++j) {
        ElementFreedoms kpq;
        std::int32_t err = 0;
        iuoriv<V>(i, j, 1, kpq, err);
        if (err != 0) return fail(lookup, cmpbmt_code::lookup);
        const double e = elements::per_length(elements::per_length(1.0, ina.b(i), k.u1 + k.u2 - 1), ina.a(j),
                                              k.t1 + k.t2 - 1);
        // The force varies linearly in x along the element's lower edge and not in y,
        // or is its first node's throughout.
        const double fm1 = pmem(ina.leit(i, j), k.column) * e;
        const double fm2 =
            in.forces == ForceReading::per_element ? fm1 : pmem(ina.leit(i, j + 1), k.column) * e;
        if (std::abs(fm1) < 1.0e-25 && std::abs(fm2) < 1.0e-25) continue;
        elements::Integrals sx;
        elements::weighted_integrals(s1, s2, k.t1, k.t2, fm1, fm2, sx);
        elements::ElementBlock block;
        elements::element_block(f, sx, sy, pd.b1, ina.a(j), ina.b(i), 1.0, block);
        elements::scatter_symmetric(block, kpq, kpq, bmt, lv);
      }
  }
  using elements::StiffenerFailure;
  const StiffenerFailure failed =
      elements::add_stiffeners<V>(in.stiffeners, [&](char xory, std::int32_t& err) {
        bmatst<V>(xory, bmt, lv, pmem, fakt, in.stiffeners, in.compliance, err);
      });
  if (failed == StiffenerFailure::x) fail(x_stiffeners, cmpbmt_code::x_stiffeners);
  if (failed == StiffenerFailure::y) fail(y_stiffeners, cmpbmt_code::y_stiffeners);
}

template <class V>
void bmatst(char xory, std::span<double> bmt, std::span<const std::int32_t> lv, ArrayRef<const float, 2> pmem,
            float fakt, const F07dis<V>& dis, const NodeCompliance& compliance, std::int32_t& ier) {
  static const io::Format heading("(/1X,'MESSAGE FROM SUBROUTINE BMATST:')");
  static const io::Format direction("(1X,'INADMISSIBLE FIRST ARGUMENT, NEITHER ''X'' NOR ''Y''')");
  static const io::Format lookup("(1X,'ERROR RETURN FROM KUORKV, I=',I4, 'J=',I4)");
  auto& test = state::test;
  ier = 0;
  test.stiffx = dis.steifx(1, 1);
  if (xory != 'X' && xory != 'Y') {
    elements::write_message(heading, direction);
    ier = elements::stiffener_code::direction_first;
    return;
  }
  const auto set = elements::stiffener_set<V>(xory, dis);
  const auto& leit = state::f07ina<V>().leit;
  const auto node = [&](int line, int position) {
    return xory == 'X' ? leit(line, position) : leit(position, line);
  };
  const auto strain = [&](int line, int position) {
    const auto& aij = xory == 'X' ? compliance.at(line, position) : compliance.at(position, line);
    return skin_strain(xory, aij, pmem, node(line, position));
  };
  const auto& s1 = state::f07in1.s1;
  const auto& s2 = state::f07in2.s2;
  const elements::SegmentTerm axial{1, 1, 1, 1};
  for (int k = 1; k <= set.count; ++k) {
    const int line = set.line(k);
    const float ea = set.ea(k);
    const int failed = elements::for_each_segment(
        set, line, 1, [&](int s, const SegmentFreedoms& kpq, float h, const elements::SegmentScales& bx) {
          // The force at the first node of the line, once the line is known to lie on the grid.
          if (s == 1) test.pax(2) = ea * strain(line, 1);
          // The axial force varies linearly between the segment's end nodes.
          const float f1 = test.pax(2);
          test.pax(1) = f1;
          const float f2 = ea * strain(line, s + 1);
          test.pax(2) = f2;
          elements::scatter_segment(kpq, axial, bmt, lv, [&](int q, int p) {
            return double(elements::segment_integral<float>(s1, s2, axial, q, p, bx, f1, f2, fakt, h));
          });
        });
    if (failed != 0) {
      elements::write_message(heading, lookup, {line, failed});
      ier = elements::stiffener_code::lookup;
      return;
    }
  }
}

#define RUVO_INSTANTIATE(V)                                                                                  \
  template void cmpbmt<V>(std::span<double>, std::span<const std::int32_t>, ArrayRef<const float, 2>, float, \
                          const AssemblyInputs<V>&, std::int32_t&);                                          \
  template void bmatst<V>(char, std::span<double>, std::span<const std::int32_t>, ArrayRef<const float, 2>,  \
                          float, const F07dis<V>&, const NodeCompliance&, std::int32_t&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
