#include "solver/modal_forms.hpp"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "elements/assembly_inputs.hpp"
#include "elements/constitutive_column.hpp"
#include "elements/element_terms.hpp"
#include "elements/geometric_stiffness.hpp"
#include "elements/mass_matrix.hpp"
#include "elements/stiffener_matrices.hpp"
#include "elements/stiffener_set.hpp"
#include "input/rddata.hpp"
#include "kernels/lane_sums.hpp"
#include "kernels/modal_forms.hpp"
#include "model/blocks.hpp"
#include "model/profile_index.hpp"
#include "solver/condensation.hpp"
#include "solver/element_arrays.hpp"
#include "solver/element_forms.hpp"

namespace ruvo {

namespace {

using elements::StiffenerFailure;

// The first row the assembly wrote in each column of A21 (iy + 1: none):
// A21 is cleared and reduced over those rows alone, without a pass over its
// zeros. None where A21 holds what an earlier assembly left unrecorded.
using ColumnTops = std::vector<std::int32_t>;

// Rows of the matrices that an assembly reaches, 1-based and ascending:
// none known (all of them), or those listed.
struct Rows {
  bool all = true;
  std::vector<int> listed;
};

// The rows a direction's assembled part reaches: W rows (a11, b11) and
// tangential rows (a22).
struct ReachedRows {
  Rows w, t;
};

// The profile matrices a11, b11 (W) and a22 (tangential) as views.
template <class V>
kernels::Profile<double> a11_view() {
  return {state::matrix<V>().a11.data, state::comlv<V>().lvtri.data, state::man.ix, state::man.ix};
}
template <class V>
kernels::Profile<double> b11_view() {
  return {state::matrix<V>().b11.data, state::comlv<V>().lvb.data, state::man.ix, state::f07ina<V>().ibdx};
}
template <class V>
kernels::Profile<double> a22_view() {
  return {state::matrix<V>().a22.data, state::comlv<V>().lva22.data, state::man.iy, state::f07ina<V>().ibdy};
}

// The rows `rows` of a profile matrix set to zero.
void clear_rows(kernels::Profile<double> a, const Rows& rows) {
  if (rows.all) {
    std::fill_n(a.a, a.stored(), 0.0);
    return;
  }
  for (int i : rows.listed) std::fill(a.row(i) + a.first_column(i), a.row(i) + i + 1, 0.0);
}

// The form of a profile matrix over the rows that may hold values.
void add_rows_form(kernels::Profile<const double> a, kernels::Vectors phi, const Rows& rows, double* form) {
  if (rows.all) return kernels::add_profile_form(a, phi, form);
  kernels::add_profile_form(a, phi, rows.listed, form);
}

// The rows of the equations of the nodes on the lines of the stiffeners of
// `dis` that `moved` selects (k-th x-stiffener: 'X', k), marked in w and t.
template <class V, class Moved>
void mark_stiffener_rows(const F07dis<V>& dis, Moved&& moved, std::vector<char>& w, std::vector<char>& t) {
  const auto& ina = state::f07ina<V>();
  const auto& lm = state::f07mat<V>().lm;
  const auto mark_node = [&](int n) {
    for (int kind = 1; kind <= 4; ++kind) {
      if (const int e = lm(1, kind, n); e >= 1 && e <= state::man.ix) w[std::size_t(e)] = 1;
      for (int f = 2; f <= 5; ++f)
        if (const int e = lm(f, kind, n); carries_function<V>(f) && e >= 1 && e <= state::man.iy)
          t[std::size_t(e)] = 1;
    }
  };
  for (int k = 1; k <= dis.nox; ++k)
    if (moved('X', k))
      for (int j = 1; j <= ina.mx; ++j) mark_node(ina.leit(dis.istx(k), j));
  for (int k = 1; k <= dis.noy; ++k)
    if (moved('Y', k))
      for (int i = 1; i <= ina.my; ++i) mark_node(ina.leit(i, dis.isty(k)));
}

// The rows of the matrices the assembled part of direction d reaches: the
// equations of the nodes on the lines of the stiffeners whose stiffnesses
// it moves, and of all stiffeners when it moves the laminates or the forces
// (the stiffeners' share of the geometric stiffness; the skin's part of
// those is formed apart); all rows along the masses.
template <class V>
ReachedRows reached_rows(const LinearDirection& d) {
  if (d.masses()) return {};
  const auto& dis = state::f07dis<V>();
  const bool all_stiffeners =
      !d.laminates.empty() || !d.shear.empty() || !d.fixed.empty() || !d.variable.empty();
  const auto moved_row = [](const std::vector<std::array<float, 4>>& rates, int k) {
    return std::size_t(k) <= rates.size() &&
           std::any_of(rates[std::size_t(k - 1)].begin(), rates[std::size_t(k - 1)].end(),
                       [](float r) { return r != 0.0f; });
  };
  std::vector<char> w(std::size_t(state::man.ix) + 1, 0), t(std::size_t(std::max(state::man.iy, 0)) + 1, 0);
  mark_stiffener_rows<V>(
      dis,
      [&](char xory, int k) { return all_stiffeners || moved_row(xory == 'X' ? d.stringers : d.frames, k); },
      w, t);
  ReachedRows reached{{false, {}}, {false, {}}};
  for (int e = 1; e < int(w.size()); ++e)
    if (w[std::size_t(e)]) reached.w.listed.push_back(e);
  for (int e = 1; e < int(t.size()); ++e)
    if (t[std::size_t(e)]) reached.t.listed.push_back(e);
  return reached;
}

// The matrices' storage set to zero where it may hold values: a11 and b11
// over the rows `w_rows`, the tangential blocks only when `tangential`, a22
// over the rows `t_rows` and A21 over the rows `written`, or wherever it
// holds a value when they are not known.
template <class V>
void clear_matrices(bool tangential, const Rows& w_rows, const Rows& t_rows, const ColumnTops* written) {
  const Man& man = state::man;
  auto& a = state::matrix<V>();
  clear_rows(a11_view<V>(), w_rows);
  clear_rows(b11_view<V>(), w_rows);
  if (!tangential || man.iy < 1) return;
  clear_rows(a22_view<V>(), t_rows);
  for (int w = 1; w <= man.ix; ++w) {
    const int top = written ? (*written)[std::size_t(w - 1)] : 1;
    if (top <= man.iy && (written || !kernels::all_zero(&a.a21(1, w), man.iy)))
      std::fill_n(&a.a21(top, w), man.iy - top + 1, 0.0);
  }
}

// The forms of the assembled matrices over the rows that may hold values
// (all by default); the tangential blocks' share only when `tangential`,
// A21's over the `coupling` columns that hold its values.
template <class V>
ModalForms forms_of(std::span<const double> phi, int m, bool tangential, kernels::Columns coupling,
                    const ReachedRows& reached = {}) {
  const Man& man = state::man;
  const auto& a = state::matrix<V>();
  const int ix = man.ix, iy = man.iy, rows = ix + iy;
  const kernels::Vectors w{phi.data(), ix, m, rows}, t{phi.data() + ix, iy, m, rows};
  ModalForms f{std::vector<double>(std::size_t(m) * m, 0.0), std::vector<double>(std::size_t(m) * m, 0.0)};
  add_rows_form(a11_view<V>(), w, reached.w, f.stiffness.data());
  if (tangential && iy > 0) {
    add_rows_form(a22_view<V>(), t, reached.t, f.stiffness.data());
    kernels::add_coupling_form(a.a21.data, V::p_ny, t, w, coupling, f.stiffness.data());
  }
  add_rows_form(b11_view<V>(), w, reached.w, f.load.data());
  return f;
}

// Membrane forces of every node from one row for all, or one per node.
template <class V>
void set_forces(Array<float, V::p_nodes, 3>& forces, const std::vector<std::array<float, 3>>& rows) {
  const auto& ina = state::f07ina<V>();
  forces = {};
  for (int n = 1; n <= ina.mx * ina.my; ++n)
    for (int c = 1; c <= 3; ++c)
      forces(n, c) = rows[rows.size() == 1 ? 0 : std::size_t(n - 1)][std::size_t(c - 1)];
}

// Stiffener tables as the analysis holds them, with EA, ES, EI, GJ of each
// direction replaced by `stringers` and `frames` (the places after them zero).
template <class V>
F07dis<V> with_stiffnesses(const std::vector<std::array<float, 4>>& stringers,
                           const std::vector<std::array<float, 4>>& frames) {
  F07dis<V> dis = state::f07dis<V>();
  const auto set = [](Array<float, 4, V::p_stf>& table, const std::vector<std::array<float, 4>>& rows) {
    table = {};
    for (std::size_t k = 0; k < rows.size(); ++k)
      std::copy(rows[k].begin(), rows[k].end(), &table(1, int(k) + 1));
  };
  set(dis.steifx, stringers);
  set(dis.steify, frames);
  return dis;
}

ArrayRef<const float, 2> forces_ref(const float* data, int nodes) { return {data, {nodes, 3}}; }

// The stiffeners' share of both geometric stiffnesses (the fixed forces
// into a11, the variable ones into b11 when buckling) with the stiffener
// tables and compliance of `in`.
template <class V>
std::int32_t add_stiffener_geometric(bool buckling, const AssemblyInputs<V>& in) {
  auto& a = state::matrix<V>();
  const auto& lv = state::comlv<V>();
  const std::span<double> a11(a.a11.data), b11(a.b11.data);
  const std::span<const std::int32_t> lvtri(lv.lvtri.data), lvb(lv.lvb.data);
  const auto fixed = forces_ref(in.fixed_forces.data, V::p_nodes);
  const auto variable = forces_ref(state::cpvar<V>().pvar.data, V::p_nodes);
  const auto add = [&](char xory, std::int32_t& err) {
    bmatst<V>(xory, a11, lvtri, fixed, -1.0f, in.stiffeners, in.compliance, err);
    if (err == 0 && buckling) bmatst<V>(xory, b11, lvb, variable, 1.0f, in.stiffeners, in.compliance, err);
  };
  const bool added = elements::add_stiffeners<V>(in.stiffeners, add) == StiffenerFailure::none;
  return added ? 0 : cmpbmt_code::x_stiffeners;
}

// The stiffeners' stiffness and their share of both geometric stiffnesses,
// with the stiffness rates in the stiffener tables of `in`; A21's rows
// written into `tops`.
template <class V>
std::int32_t add_stiffener_rates(bool buckling, const AssemblyInputs<V>& in, ColumnTops& tops) {
  auto& a = state::matrix<V>();
  const std::span<double> a11(a.a11.data), a22(a.a22.data);
  const auto& dis = in.stiffeners;
  const auto add = [&](char xory, std::int32_t& err) {
    xory == 'X' ? a11xst<V>(a11, dis, err) : a11yst<V>(a11, dis, err);
    if (err == 0 && state::man.iy > 0)
      a21ast<V>(xory, ArrayRef<double, 2>(a.a21.data, {V::p_ny, V::p_nx}), dis, err, tops.data());
    if (err == 0 && state::man.iy > 0) a22ast<V>(xory, a22, dis, err);
  };
  if (elements::add_stiffeners<V>(dis, add) != StiffenerFailure::none) return cmpbmt_code::x_stiffeners;
  return add_stiffener_geometric<V>(buckling, in);
}

// The element terms of the laminate and shear tables `laminates` into
// `terms`; true when they fit the term lists (otherwise the lists are empty
// and the message is on the listing).
template <class V>
bool make_element_terms(const Skstf& laminates, ElementArrays<V>& e, F01qua<V>& terms) {
  spread_laminates<V>(laminates, e.bb, e.dd, e.bd, e.rr, e.dr, e.br, e.ss);
  std::int32_t ier = 0;
  tfmstf<V>(e.c, e.ch, e.bb, e.dd, e.bd, e.rr, e.dr, e.br, e.ss,
            ier);  // the grid's skew checked once already
  const bool fits = term_list_fault<V>(e.c, e.ch).empty();
  f01kbf<V>(e.c, e.ch, terms);
  return fits;
}

// The rate of the skin's membrane compliance, -A⁻¹·dA·A⁻¹, from the
// compliance in f07aij and the membrane block of the first element's rates.
Array<float, 3, 3> compliance_rate(ArrayRef<float, 2> c) {
  const auto d = membrane_block(c, 1);
  const float da[3][3] = {{d[0], d[1], d[2]}, {d[1], d[3], d[4]}, {d[2], d[4], d[5]}};
  const auto& aij = state::f07aij.aij;
  Array<float, 3, 3> rate{};
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) {
      double s = 0.0;
      for (int k = 1; k <= 3; ++k)
        for (int l = 1; l <= 3; ++l) s += double(aij(i, k)) * da[k - 1][l - 1] * aij(l, j);
      rate(i, j) = float(-s);
    }
  return rate;
}

// The skin's part of K along laminate rates: the form of the element terms
// made from the rates (they are linear in the laminate) into `skin`,
// straight from the terms; then the stiffeners' share of the geometric
// stiffnesses through the rate of the skin's membrane compliance, assembled
// into a11 and b11. Reads the other inputs as they stand.
template <class V>
std::int32_t add_laminate_rates(const LinearDirection& d, bool buckling, std::span<const double> phi, int m,
                                double* skin) {
  Skstf rates{};
  for (std::size_t k = 0; k < d.laminates.size(); ++k)
    std::copy(d.laminates[k].begin(), d.laminates[k].end(), &rates.matabd(1, int(k) + 1));
  for (std::size_t k = 0; k < d.shear.size(); ++k)
    std::copy(d.shear[k].begin(), d.shear[k].end(), &rates.matsw(1, int(k) + 1));
  ElementArrays<V> e;
  const auto terms = std::make_unique_for_overwrite<F01qua<V>>();  // f01kbf writes every list it keeps
  if (!make_element_terms<V>(rates, e, *terms)) return rate_terms_overfull;
  std::int32_t err = add_skin_form<V>(*terms, phi, m, skin);
  const auto& dis = state::f07dis<V>();
  if (err == 0 && (dis.nox != 0 || dis.noy != 0)) {
    const auto shared = shared_inputs<V>();
    const auto compliance = compliance_rate(e.c);
    err = add_stiffener_geometric<V>(buckling, {shared.stiffeners, shared.terms, shared.fixed_forces,
                                                compliance, shared.density, shared.forces});
  }
  return err;
}

// The geometric stiffness of force rates `rows` times `sign` (-1 for a11's
// share, as the fixed forces enter it): the skin's as its form into `form`
// straight from the element blocks, the stiffeners' assembled into `m`.
template <class V>
std::int32_t add_force_rates(const std::vector<std::array<float, 3>>& rows, std::span<double> m,
                             std::span<const std::int32_t> lv, float sign, std::span<const double> phi,
                             int modes, double* form) {
  Array<float, V::p_nodes, 3> forces;
  set_forces<V>(forces, rows);
  const auto pmem = forces_ref(forces.data, V::p_nodes);
  const auto shared = shared_inputs<V>();
  if (const std::int32_t err = add_force_form<V>(pmem, sign, shared.forces, phi, modes, form); err != 0)
    return err;
  const StiffenerFailure failed =
      elements::add_stiffeners<V>(shared.stiffeners, [&](char xory, std::int32_t& err) {
        bmatst<V>(xory, m, lv, pmem, sign, shared.stiffeners, shared.compliance, err);
      });
  if (failed == StiffenerFailure::none) return 0;
  return failed == StiffenerFailure::x ? cmpbmt_code::x_stiffeners : cmpbmt_code::y_stiffeners;
}

// The mass matrix of mass rates into b11 (vibration).
template <class V>
std::int32_t add_mass_rates(const LinearDirection& d) {
  F07dis<V> dis = state::f07dis<V>();
  dis.domx = {}, dis.domy = {};
  std::copy(d.stringer_masses.begin(), d.stringer_masses.end(), dis.domx.data);
  std::copy(d.frame_masses.begin(), d.frame_masses.end(), dis.domy.data);
  const auto shared = shared_inputs<V>();
  const AssemblyInputs<V> in{dis,
                             shared.terms,
                             shared.fixed_forces,
                             shared.compliance,
                             d.density.empty() ? 0.0f : d.density.front(),
                             shared.forces};
  std::int32_t err = 0;
  cmpmmt<V>(std::span<double>(state::matrix<V>().b11.data),
            std::span<const std::int32_t>(state::comlv<V>().lvb.data), in, err);
  return err;
}

// Whether the direction's part of the assembly reaches the tangential
// blocks: the stiffeners' does; the forces' and masses' do not, nor the
// laminates' share of the stiffeners' geometric stiffness (the skin's part
// of a laminate rate is no assembly but its form).
bool reaches_tangential(const LinearDirection& d) { return !d.stringers.empty() || !d.frames.empty(); }

// The direction's part of the assembly, over cleared matrices, A21's rows
// written into `tops`; the forms of the skin's parts along laminate and
// force rates, which are not assembled, into `direct` (m × m each).
template <class V>
std::int32_t assemble_rates(const LinearDirection& d, ColumnTops& tops, std::span<const double> phi, int m,
                            ModalForms& direct) {
  const bool buckling = state::antype.buck;
  auto& a = state::matrix<V>();
  const auto& lv = state::comlv<V>();
  const bool stiffeners = !d.stringers.empty() || !d.frames.empty();
  tops.assign(std::size_t(state::man.ix), state::man.iy + 1);
  std::int32_t err = d.laminates.empty() && d.shear.empty()
                         ? 0
                         : add_laminate_rates<V>(d, buckling, phi, m, direct.stiffness.data());
  if (err == 0 && stiffeners) {
    const F07dis<V> rates = with_stiffnesses<V>(d.stringers, d.frames);
    const auto shared = shared_inputs<V>();
    err = add_stiffener_rates<V>(
        buckling,
        {rates, shared.terms, shared.fixed_forces, shared.compliance, shared.density, shared.forces}, tops);
  }
  if (err == 0 && !d.fixed.empty())
    err = add_force_rates<V>(d.fixed, std::span<double>(a.a11.data),
                             std::span<const std::int32_t>(lv.lvtri.data), -1.0f, phi, m,
                             direct.stiffness.data());
  if (err == 0 && buckling && !d.variable.empty())
    err = add_force_rates<V>(d.variable, std::span<double>(a.b11.data),
                             std::span<const std::int32_t>(lv.lvb.data), 1.0f, phi, m, direct.load.data());
  if (err == 0 && !buckling && d.masses()) err = add_mass_rates<V>(d);
  return err;
}

}  // namespace

template <class V>
ModalForms modal_forms(std::span<const double> phi, int m) {
  const Man& man = state::man;
  return forms_of<V>(phi, m, true,
                     kernels::nonzero_columns(state::matrix<V>().a21.data, V::p_ny, man.iy, man.ix));
}

template <class V>
ModalForms condensed_forms(std::span<const double> phi, int m) {
  return forms_of<V>(phi, m, false, {});
}

template <class V>
std::vector<ModalForms> direction_forms(std::span<const LinearDirection> directions,
                                        std::span<const double> phi, int m, std::int32_t& ier) {
  std::vector<ModalForms> out;
  std::optional<ColumnTops> written;  // none yet: A21 holds the full system's coupling, or W
  ColumnTops tops;
  Rows dirty_w, dirty_t;  // the rows that may hold values: all, as the analysis left them
  ier = 0;
  for (const LinearDirection& d : directions) {
    const bool tangential = reaches_tangential(d);
    const ReachedRows reached = reached_rows<V>(d);
    clear_matrices<V>(tangential, dirty_w, dirty_t, written ? &*written : nullptr);
    ModalForms direct{std::vector<double>(std::size_t(m) * std::size_t(m), 0.0),
                      std::vector<double>(std::size_t(m) * std::size_t(m), 0.0)};
    if ((ier = assemble_rates<V>(d, tops, phi, m, direct)) != 0) return {};
    dirty_w = reached.w;
    if (tangential) written = tops, dirty_t = reached.t;
    ModalForms& f = out.emplace_back(
        forms_of<V>(phi, m, tangential,
                    tangential ? written_columns(*written, state::man.iy) : kernels::Columns{}, reached));
    std::transform(direct.stiffness.begin(), direct.stiffness.end(), f.stiffness.begin(), f.stiffness.begin(),
                   std::plus<>());
    std::transform(direct.load.begin(), direct.load.end(), f.load.begin(), f.load.begin(), std::plus<>());
  }
  return out;
}

#define RUVO_INSTANTIATE(V)                                                             \
  template ModalForms modal_forms<V>(std::span<const double>, int);                     \
  template ModalForms condensed_forms<V>(std::span<const double>, int);                 \
  template std::vector<ModalForms> direction_forms<V>(std::span<const LinearDirection>, \
                                                      std::span<const double>, int, std::int32_t&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
