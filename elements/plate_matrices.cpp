#include "elements/plate_matrices.hpp"

#include <algorithm>
#include <utility>

#include "elements/element_loop.hpp"
#include "elements/geometric_stiffness.hpp"
#include "elements/message.hpp"
#include "elements/stiffener_matrices.hpp"
#include "elements/stiffener_set.hpp"
#include "model/profile_index.hpp"
#include "model/zero_thresholds.hpp"

namespace ruvo {

using elements::ElementBlock;
using elements::StiffenerFailure;
using elements::Term;

namespace {

// Whether ku(1..knfun) holds function f.
template <class V>
bool in_freedom_set(int f) {
  const auto& ina = state::f07ina<V>();
  for (int k = 1; k <= ina.knfun; ++k)
    if (ina.ku(k) == f) return true;
  return false;
}

// Whether the fixed membrane forces of the grid's nodes are not all zero.
template <class V>
bool has_fixed_forces(const Array<float, V::p_nodes, 3>& pfest) {
  const auto& ina = state::f07ina<V>();
  for (int k = 1; k <= 3; ++k)
    for (int n = 1; n <= ina.mx * ina.my; ++n)
      if (std::abs(pfest(n, k)) > negligible_force) return true;
  return false;
}

// ier of stiffeners that could not be added.
std::int32_t failure_code(StiffenerFailure failed) {
  return failed == StiffenerFailure::x ? assembly_code::x_stiffeners : assembly_code::y_stiffeners;
}

// The profile storage of a matrix of order n set to zero.
void clear_profile(std::span<double> a, std::span<const std::int32_t> lv, int n) {
  std::fill_n(a.begin(), profile_length(lv.data(), n), 0.0);
}

}  // namespace

template <class V>
void cmpa11(std::span<double> a11, const AssemblyInputs<V>& in, std::int32_t& ier) {
  static const io::Format heading("(/1X,'MESSAGE FROM SUBROUTINE CMPA11: ')");
  static const io::Format lookup("(1X,'ERROR IN SUBROUTINE IUORIV.')");
  static const io::Format x_stiffeners("(1X,'ERROR IN SUBROUTINE A11XST.')");
  static const io::Format y_stiffeners("(1X,'ERROR IN SUBROUTINE A11YST.')");
  static const io::Format fixed_forces("(1X,'ERROR IN SUBROUTINE CMPBMT.')");
  const std::span<const std::int32_t> lvtri(state::comlv<V>().lvtri.data, V::p_nx);
  ier = 0;
  clear_profile(a11, lvtri, state::man.ix);

  ElementFreedoms kpq{};
  std::pair<int, int> looked_up{0, 0};  // the element whose W freedoms kpq holds
  ElementBlock block;
  ier = elements::for_each_term<V>(in.terms, [&](int i, int j, const Term& term) {
    if (!term.is_bending() || !elements::skin_term_block<V>(i, j, term, block)) return 0;
    if (looked_up != std::pair{i, j}) {
      std::int32_t err = 0;
      iuoriv<V>(i, j, 1, kpq, err);
      if (err != 0) return assembly_code::lookup;
      looked_up = {i, j};
    }
    elements::scatter_symmetric(block, kpq, kpq, a11, lvtri);
    return 0;
  });
  if (ier != 0) return elements::write_message(heading, lookup);

  const StiffenerFailure failed =
      elements::add_stiffeners<V>(in.stiffeners, [&](char xory, std::int32_t& err) {
        xory == 'X' ? a11xst<V>(a11, in.stiffeners, err) : a11yst<V>(a11, in.stiffeners, err);
      });
  if (failed != StiffenerFailure::none) {
    ier = failure_code(failed);
    return elements::write_message(heading, failed == StiffenerFailure::x ? x_stiffeners : y_stiffeners);
  }
  if (has_fixed_forces<V>(in.fixed_forces)) {
    std::int32_t err = 0;
    const ArrayRef<const float, 2> pfest(in.fixed_forces.data, {V::p_nodes, 3});
    cmpbmt<V>(a11, lvtri, pfest, -1.0f, in, err);
    if (err != 0) {
      ier = assembly_code::fixed_forces;
      return elements::write_message(heading, fixed_forces);
    }
  }
}

template <class V>
void cmpa21(ArrayRef<double, 2> a21, std::int32_t rows, const AssemblyInputs<V>& in, std::int32_t& ier,
            std::int32_t* tops, std::int32_t* bottoms) {
  static const io::Format heading("(1X,'MESSAGE FROM CMPA21:')");
  static const io::Format wrong_rows("(1X,'WRONG NUMBER OF ROWS SPECIFIED FOR A21')");
  static const io::Format lookup("(1X,'ERROR IN SUBROUTINE IUORIV')");
  static const io::Format x_stiffeners("(1X,'ERROR IN SUBROUTINE A21AST,X-DIRECTION')");
  static const io::Format y_stiffeners("(1X,'ERROR IN SUBROUTINE A21AST,Y-DIRECTION')");
  const auto& man = state::man;
  ier = 0;
  if (rows != man.iy) {
    ier = assembly_code::wrong_rows;
    return elements::write_message(heading, wrong_rows);
  }
  if (tops) std::fill_n(tops, man.ix, man.iy + 1);
  if (bottoms) std::fill_n(bottoms, man.ix, 0);
  if (!tops)
    for (int w = 1; w <= man.ix; ++w) std::fill_n(&a21(1, w), man.iy, 0.0);

  ElementFreedoms kpq{}, nrs{};
  ElementBlock block;
  ier = elements::for_each_term<V>(in.terms, [&](int i, int j, Term term) {
    const int f1 = term.function1(), f2 = term.function2();
    if (!in_freedom_set<V>(f1) || !in_freedom_set<V>(f2) || !term.is_coupling()) return 0;
    if (f2 == 1) term.swap_factors();  // the W factor first
    if (!elements::skin_term_block<V>(i, j, term, block)) return 0;
    std::int32_t err = 0;
    iuoriv<V>(i, j, 1, kpq, err);
    if (err == 0) iuoriv<V>(i, j, term.function2(), nrs, err);
    if (err != 0) return int(err);
    elements::scatter_coupling(block, kpq, nrs, a21, tops, bottoms);
    return 0;
  });
  if (ier != 0) return elements::write_message(heading, lookup);

  const StiffenerFailure failed = elements::add_stiffeners<V>(
      in.stiffeners,
      [&](char xory, std::int32_t& err) { a21ast<V>(xory, a21, in.stiffeners, err, tops, bottoms); });
  if (failed != StiffenerFailure::none) {
    ier = failure_code(failed);
    elements::write_message(heading, failed == StiffenerFailure::x ? x_stiffeners : y_stiffeners);
  }
}

template <class V>
void cmpa22(std::span<double> a22, const AssemblyInputs<V>& in, std::int32_t& ier) {
  static const io::Format heading("(1X,'MESSAGE FROM SUBROUTINE A22:')");
  static const io::Format lookup("(1X,'ERROR IN SUBROUTINE IUORIV')");
  static const io::Format x_stiffeners("(1X,'ERROR IN SUBROUTINE A22AST, X-DIRECTION')");
  static const io::Format y_stiffeners("(1X,'ERROR IN SUBROUTINE A22AST, YX-DIRECTION')");
  const std::span<const std::int32_t> lva22(state::comlv<V>().lva22.data, V::p_ny);
  ier = 0;
  clear_profile(a22, lva22, state::man.iy);

  ElementFreedoms kpq{}, nrs{};
  ElementBlock block;
  ier = elements::for_each_term<V>(in.terms, [&](int i, int j, const Term& term) {
    const int f1 = term.function1(), f2 = term.function2();
    if (!in_freedom_set<V>(f1) || !in_freedom_set<V>(f2) || !term.is_tangential()) return 0;
    if (!elements::skin_term_block<V>(i, j, term, block)) return 0;
    std::int32_t err = 0;
    iuoriv<V>(i, j, f1, kpq, err);
    if (err != 0) return assembly_code::first_lookup;
    if (f2 == f1) {
      nrs = kpq;
    } else if (iuoriv<V>(i, j, f2, nrs, err), err != 0) {
      return assembly_code::lookup;
    }
    elements::scatter_symmetric(block, kpq, nrs, a22, lva22);
    return 0;
  });
  if (ier != 0) return elements::write_message(heading, lookup);

  const StiffenerFailure failed = elements::add_stiffeners<V>(
      in.stiffeners, [&](char xory, std::int32_t& err) { a22ast<V>(xory, a22, in.stiffeners, err); });
  if (failed != StiffenerFailure::none) {
    ier = failure_code(failed);
    elements::write_message(heading, failed == StiffenerFailure::x ? x_stiffeners : y_stiffeners);
  }
}

#define RUVO_INSTANTIATE(V)                                                                           \
  template void cmpa11<V>(std::span<double>, const AssemblyInputs<V>&, std::int32_t&);                \
  template void cmpa21<V>(ArrayRef<double, 2>, std::int32_t, const AssemblyInputs<V>&, std::int32_t&, \
                          std::int32_t*, std::int32_t*);                                              \
  template void cmpa22<V>(std::span<double>, const AssemblyInputs<V>&, std::int32_t&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
