#include "elements/mass_matrix.hpp"

#include <algorithm>
#include <cmath>

#include "elements/message.hpp"
#include "elements/plate_matrices.hpp"
#include "elements/shape_functions.hpp"
#include "elements/stiffener_set.hpp"
#include "model/profile_index.hpp"
#include "model/zero_thresholds.hpp"

namespace ruvo {

template <class V>
void cmpmmt(std::span<double> mmt, std::span<const std::int32_t> lv, const AssemblyInputs<V>& in,
            std::int32_t& ier) {
  static const io::Format heading("(/1X,'MESSAGE FROM SUBROUTINE CMPMMT: ')");
  static const io::Format lookup("(1X,'ERROR IN SUBROUTINE IUORIV.')");
  static const io::Format stiffeners("(1X,'ERROR IN SUBROUTINE MMTST. DIRECTION: ',A)");
  const auto& ina = state::f07ina<V>();
  const auto& pd = state::f07pd;
  ier = 0;
  std::fill_n(mmt.begin(), profile_length(lv.data(), state::man.ix), 0.0);

  elements::Integrals values;  // value integrals, the same in x and y
  elements::plain_integrals(state::f07in1.s1, state::f07in2.s2, 0, 0, values);
  const float density = in.density * pd.fa;
  for (int i = 1; i <= ina.my - 1; ++i)
    for (int j = 1; j <= ina.mx - 1; ++j) {
      ElementFreedoms kpq;
      iuoriv<V>(i, j, 1, kpq, ier);
      if (ier != 0) {
        elements::write_message(heading, lookup);
        ier = assembly_code::lookup;
        return;
      }
      elements::ElementBlock block;
      elements::element_block(density, values, values, pd.b1, ina.a(j), ina.b(i), double(ina.a(j)) * ina.b(i),
                              block);
      elements::scatter_symmetric(block, kpq, kpq, mmt, lv);
    }
  using elements::StiffenerFailure;
  const StiffenerFailure failed = elements::add_stiffeners<V>(
      in.stiffeners, [&](char xory, std::int32_t& err) { mmtst<V>(xory, mmt, in.stiffeners, err); });
  if (failed != StiffenerFailure::none) {
    const bool x = failed == StiffenerFailure::x;
    elements::write_message(heading, stiffeners, {std::string_view(x ? "X" : "Y")});
    ier = x ? assembly_code::x_stiffeners : assembly_code::y_stiffeners;
  }
}

template <class V>
void mmtst(char xory, std::span<double> mmt, const F07dis<V>& dis, std::int32_t& ier) {
  static const io::Format heading("(/1X,'MESSAGE FROM SUBROUTINE MMTST:')");
  static const io::Format direction("(1X,'INADMISSIBLE FIRST ARGUMENT, NEITHER ''X'' NOR ''Y''')");
  static const io::Format lookup("(1X,'ERROR RETURN FROM KUORKV, I=',I4,' J=',I4)");
  ier = 0;
  if (xory != 'X' && xory != 'Y') {
    elements::write_message(heading, direction);
    ier = elements::stiffener_code::direction_first;
    return;
  }
  const auto set = elements::stiffener_set<V>(xory, dis);
  const std::span<const std::int32_t> lvb(state::comlv<V>().lvb.data, V::p_nx);
  const auto& s1 = state::f07in1.s1;
  const auto& s2 = state::f07in2.s2;
  const elements::SegmentTerm values{1, 1, 0, 0};
  for (int k = 1; k <= set.count; ++k) {
    const double mass = set.mass(k);
    if (std::abs(mass) < negligible_stiffener_term) continue;
    const int line = set.line(k);
    const int failed = elements::for_each_segment(
        set, line, 1, [&](int, const SegmentFreedoms& kv, float h, const elements::SegmentScales& bx) {
          elements::scatter_segment(kv, values, mmt, lvb, [&](int q, int p) {
            return elements::segment_integral(s1, s2, values, q, p, bx, 1.0f, 1.0f, mass, h);
          });
        });
    if (failed != 0) {
      elements::write_message(heading, lookup, {line, failed});
      ier = elements::stiffener_code::lookup;
      return;
    }
  }
}

#define RUVO_INSTANTIATE(V)                                                                           \
  template void cmpmmt<V>(std::span<double>, std::span<const std::int32_t>, const AssemblyInputs<V>&, \
                          std::int32_t&);                                                             \
  template void mmtst<V>(char, std::span<double>, const F07dis<V>&, std::int32_t&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
