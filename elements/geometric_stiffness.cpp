#include "elements/geometric_stiffness.hpp"

#include <cmath>

#include "elements/message.hpp"
#include "elements/shape_functions.hpp"
#include "elements/stiffener_set.hpp"
#include "model/blocks.hpp"

namespace ruvo {

namespace {

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
  ier = 0;
  const bool found = elements::for_each_force_block<V>(
      pmem, fakt, in.forces,
      [&](int i, int j, const ElementFreedoms& kpq, double f, const elements::Integrals& sx,
          const elements::Integrals& sy) {
        elements::ElementBlock block;
        elements::element_block(f, sx, sy, state::f07pd.b1, ina.a(j), ina.b(i), 1.0, block);
        elements::scatter_symmetric(block, kpq, kpq, bmt, lv);
      });
  if (!found) return fail(lookup, cmpbmt_code::lookup);
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
