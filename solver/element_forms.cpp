#include "solver/element_forms.hpp"

#include <algorithm>
#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "elements/element_loop.hpp"
#include "elements/geometric_stiffness.hpp"
#include "elements/plate_matrices.hpp"
#include "elements/shape_functions.hpp"
#include "kernels/modal_forms.hpp"

namespace ruvo {

namespace {

using elements::Integrals;
using elements::SkinTerm;
using elements::Term;

constexpr int functions = 5;                         // W, U, V, BETA, GAMMA
constexpr int freedoms = kernels::element_freedoms;  // of one function on an element
constexpr int orders = 3;                            // derivative orders 0..2 of a factor along x or y

// The integrals of every pair of derivative orders (plain_integrals of each).
struct OrderIntegrals {
  Integrals of[orders][orders];
  OrderIntegrals() {
    for (int o1 = 0; o1 < orders; ++o1)
      for (int o2 = 0; o2 < orders; ++o2)
        elements::plain_integrals(state::f07in1.s1, state::f07in2.s2, o1, o2, of[o1][o2]);
  }
};

// One element's terms summed per pair of functions f1 <= f2, with the
// freedoms' scales left out (they are the same for every term of the
// element): a term adds f·e·Sx(cP,cQ)·Sy(rP,rQ) at (P, Q), one of f2 with
// f1 its transpose (the form takes the symmetric part alone). Stored by
// columns: (P, Q) at Q·16 + P.
struct ElementSums {
  std::array<std::array<double, freedoms * freedoms>, functions * functions> pair{};
  std::array<bool, functions * functions> touched{};

  static std::size_t index(int f1, int f2) { return std::size_t((f1 - 1) * functions + f2 - 1); }

  void add(int f1, int f2, const SkinTerm& t, const OrderIntegrals& integrals) {
    const bool transposed = f1 > f2;
    const std::size_t k = transposed ? index(f2, f1) : index(f1, f2);
    // a transposed term: its second factor's orders first
    const Integrals& sx = transposed ? integrals.of[t.t2][t.t1] : integrals.of[t.t1][t.t2];
    const Integrals& sy = transposed ? integrals.of[t.u2][t.u1] : integrals.of[t.u1][t.u2];
    touched[k] = true;
    kernels::add_term_block(double(t.f) * t.e, sx, sy, pair[k].data());
  }
};

// The modes at an element's freedoms of each function, scaled as the
// element's blocks are (b1 of the grid, the element's lengths on the
// derivatives), the 16 freedoms of one function and mode side by side;
// zero at freedoms without an equation.
template <class V>
class ElementModes {
public:
  ElementModes(std::span<const double> phi, int m)
      : phi_(phi), m_(m), values_(std::size_t(functions * freedoms * m)) {}

  // The values on element (y-row i, x-column j) of the functions used; false when a lookup fails.
  bool gather(int i, int j, const std::array<bool, functions>& used) {
    const auto& ina = state::f07ina<V>();
    const auto& b1 = state::f07pd.b1;
    const int ix = state::man.ix;
    const std::size_t ld = std::size_t(ix + state::man.iy);
    const float hx[4] = {1.0f, ina.a(j), 1.0f, ina.a(j)}, hy[4] = {1.0f, ina.b(i), 1.0f, ina.b(i)};
    for (int f = 1; f <= functions; ++f) {
      if (!used[std::size_t(f - 1)]) continue;
      ElementFreedoms eq{};
      std::int32_t err = 0;
      iuoriv<V>(i, j, f, eq, err);
      if (err != 0) return false;
      for (int p = 0; p < freedoms; ++p) {
        const int r = p % 4, c = p / 4;
        const double scale = double(b1(r + 1, c + 1)) * (double(hy[r]) * hx[c]);
        const std::size_t row = std::size_t(f == 1 ? eq.data[p] - 1 : ix + eq.data[p] - 1);
        for (int k = 0; k < m_; ++k)
          of(f, k)[p] = eq.data[p] == 0 ? 0.0 : scale * phi_[std::size_t(k) * ld + row];
      }
    }
    return true;
  }

  // The 16 values of function f, mode k (0-based).
  double* of(int f, int k) { return values_.data() + std::size_t(((f - 1) * m_ + k) * freedoms); }

private:
  std::span<const double> phi_;
  int m_;
  std::vector<double> values_;
};

// form += the symmetric part of the m × m matrix whose entries are the sums
// of the groups of 16 lanes (group (k, l) at (l·m + k)·16): the matrices hold
// each block and its transpose halved.
void add_symmetric_part(const std::vector<double>& lanes, int m, double* form) {
  const auto entry = [&](int k, int l) {
    const double* group = &lanes[std::size_t((l * m + k) * freedoms)];
    double sum = 0.0;
    for (int p = 0; p < freedoms; ++p) sum += group[p];
    return sum;
  };
  for (int l = 0; l < m; ++l)
    for (int k = 0; k < m; ++k) form[std::size_t(l * m + k)] += 0.5 * (entry(k, l) + entry(l, k));
}

}  // namespace

template <class V>
std::int32_t add_skin_form(const F01qua<V>& terms, std::span<const double> phi, int m, double* form) {
  const bool tangential = state::man.iy > 0;
  const OrderIntegrals integrals;
  ElementModes<V> modes(phi, m);
  auto sums = std::make_unique<ElementSums>();
  // the form's entries as sums of 16 lanes, reduced at the end
  std::vector<double> lanes(std::size_t(freedoms * m * m), 0.0);
  // lanes += Ψ1 ∘ S·Ψ2 for each pair of functions the element's terms touched
  const auto project = [&](int i, int j) {
    std::array<bool, functions> used{};
    for (int f1 = 1; f1 <= functions; ++f1)
      for (int f2 = f1; f2 <= functions; ++f2)
        if (sums->touched[ElementSums::index(f1, f2)])
          used[std::size_t(f1 - 1)] = used[std::size_t(f2 - 1)] = true;
    if (!modes.gather(i, j, used)) return false;
    for (int f1 = 1; f1 <= functions; ++f1)
      for (int f2 = f1; f2 <= functions; ++f2) {
        const std::size_t pair = ElementSums::index(f1, f2);
        if (!sums->touched[pair]) continue;
        kernels::add_block_form(sums->pair[pair].data(), modes.of(f1, 0), modes.of(f2, 0), m, lanes.data());
        sums->pair[pair].fill(0.0);
        sums->touched[pair] = false;
      }
    return true;
  };
  std::pair<int, int> element{0, 0};  // the element whose terms `sums` holds
  int ier = elements::for_each_term<V>(terms, [&](int i, int j, const Term& term) {
    const int f1 = term.function1(), f2 = term.function2();
    // the terms cmpa11, cmpa21 and cmpa22 take
    if (!term.is_bending() && !(tangential && carries_function<V>(f1) && carries_function<V>(f2))) return 0;
    SkinTerm t;
    if (!elements::skin_term<V>(i, j, term, t)) return 0;
    if (element != std::pair{i, j}) {
      if (element.first != 0 && !project(element.first, element.second)) return int(assembly_code::lookup);
      element = {i, j};
    }
    sums->add(f1, f2, t, integrals);
    return 0;
  });
  if (ier == 0 && element.first != 0 && !project(element.first, element.second)) ier = assembly_code::lookup;
  if (ier != 0) return ier;
  add_symmetric_part(lanes, m, form);
  return 0;
}

template <class V>
std::int32_t add_force_form(ArrayRef<const float, 2> pmem, float fakt, ForceReading reading,
                            std::span<const double> phi, int m, double* form) {
  const auto& ina = state::f07ina<V>();
  const int rows = ina.my - 1, count = std::max(ina.mx - 1, 0) * std::max(rows, 0);
  // each element's blocks summed over the force components (they come component by component)
  std::vector<std::array<double, freedoms * freedoms>> sums(static_cast<std::size_t>(count));
  std::vector<bool> touched(static_cast<std::size_t>(count), false);
  const auto element = [&](int i, int j) { return std::size_t((j - 1) * rows + i - 1); };
  const bool found = elements::for_each_force_block<V>(
      pmem, fakt, reading,
      [&](int i, int j, const ElementFreedoms&, double f, const Integrals& sx, const Integrals& sy) {
        touched[element(i, j)] = true;
        kernels::add_term_block(f, sx, sy, sums[element(i, j)].data());
      });
  if (!found) return cmpbmt_code::lookup;
  ElementModes<V> modes(phi, m);
  std::vector<double> lanes(std::size_t(freedoms * m * m), 0.0);
  for (int j = 1; j <= ina.mx - 1; ++j)
    for (int i = 1; i <= rows; ++i) {
      if (!touched[element(i, j)]) continue;
      if (!modes.gather(i, j, {true})) return cmpbmt_code::lookup;
      kernels::add_block_form(sums[element(i, j)].data(), modes.of(1, 0), modes.of(1, 0), m, lanes.data());
    }
  add_symmetric_part(lanes, m, form);
  return 0;
}

#define RUVO_INSTANTIATE(V)                                                                        \
  template std::int32_t add_skin_form<V>(const F01qua<V>&, std::span<const double>, int, double*); \
  template std::int32_t add_force_form<V>(ArrayRef<const float, 2>, float, ForceReading,           \
                                          std::span<const double>, int, double*);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
