#include "input/rddata.hpp"

#include <algorithm>
#include <cmath>

#include "input/plot_scale.hpp"
#include "input/setkey.hpp"
#include "io/namelist.hpp"
#include "io/units.hpp"
#include "listing/data_faults.hpp"
#include "listing/rddata_listing.hpp"
#include "model/blocks.hpp"
#include "model/data_checks.hpp"
#include "model/laminate_column.hpp"

namespace ruvo {

namespace {

using Columns = ArrayRef<float, 2>;

// The first fault of the model that the analysis could not index or would
// divide by; checked before anything is changed.
template <class V>
DataFault model_fault() {
  if (DataFault f = grid_fault<V>(1)) return f;
  if (DataFault f = length_fault<V>()) return f;
  if (DataFault f = short_element_fault<V>()) return f;
  if (DataFault f = laminate_fault<V>()) return f;
  if (DataFault f = functions_fault<V>()) return f;
  const auto& idesup = state::f07ind.idesup;
  if (DataFault f = suppression_fault<V>(leading_nonzero(&idesup(1, 1), V::p_nsup, 4))) return f;
  if (DataFault f = edge_code_fault()) return f;
  if (DataFault f = eigen_count_fault()) return f;
  if (DataFault f = stiffener_line_fault<V>()) return f;
  if (DataFault f = strain_code_fault()) return f;
  if (DataFault f = membrane_force_fault<V>()) return f;
  return radius_fault();
}

// mdsplt(i) = i for the requested modes, 0 beyond; nmod counts them.
template <class V>
void select_plot_modes(std::int32_t requested) {
  auto& plot = state::plotin;
  for (int i = 1; i <= V::p_ngrq; ++i) plot.mdsplt(i) = i <= requested ? i : 0;
}

template <class V>
void limit_eigen_counts() {
  auto& man = state::man;
  if (man.neigit > V::p_ngit) {
    man.neigit = V::p_ngit;
    listing::print_count_reduced(V::p_ngit);
  }
  if (man.neigrq > V::p_ngrq) {
    man.neigrq = V::p_ngrq;
    listing::print_count_reduced(V::p_ngrq);
  }
}

// leit(j,i) = (i-1)*my + j: y runs fastest.
template <class V>
void number_nodes() {
  auto& ina = state::f07ina<V>();
  for (int i = 1; i <= ina.mx; ++i)
    for (int j = 1; j <= ina.my; ++j) ina.leit(j, i) = (i - 1) * ina.my + j;
}

// seiten, numsup and the plot symmetry codes (a later edge overrides).
template <class V>
void derive_edge_flags() {
  auto& ind = state::f07ind;
  ind.seiten = 0;
  for (std::int32_t code : ind.ki) ind.seiten = ind.seiten || code != 0;
  ind.numsup = leading_nonzero(&ind.idesup(1, 1), V::p_nsup, 4);
  if (!ind.seiten) return;
  auto mirror = [](std::int32_t mode, std::int32_t about, std::int32_t& flag) {
    if (mode == -1) flag = -about;
    if (mode == 1) flag = about;
  };
  auto& plot = state::plotin;
  mirror(ind.ki(1, edge_y0), 2, plot.isymy);
  mirror(ind.ki(1, edge_yl), 1, plot.isymy);
  mirror(ind.ki(1, edge_x0), 2, plot.isymx);
  mirror(ind.ki(1, edge_xl), 1, plot.isymx);
}

template <class V>
void count_stiffeners() {
  auto& dis = state::f07dis<V>();
  const auto& ina = state::f07ina<V>();
  dis.nox = std::min(leading_nonzero(dis.istx.data, V::p_stf), ina.my);
  dis.noy = std::min(leading_nonzero(dis.isty.data, V::p_stf), ina.mx);
}

// column(first..first+rows-1, k) := set[from-1..from+rows-2]
void copy_group(Columns column, int k, const float* set, int from) {
  for (int r = 1; r <= column.extent(0); ++r) column(r, k) = set[from + r - 2];
}

// Element k's columns of bb, bd, dd from the packed laminate `abd`, of br,
// dr, rr, ss from its packed shear set `sw`.
void set_element(int k, const float* abd, const float* sw, Columns bb, Columns dd, Columns bd, Columns rr,
                 Columns dr, Columns br, Columns ss) {
  namespace at = laminate_column;
  copy_group(bb, k, abd, at::membrane);
  copy_group(bd, k, abd, at::coupling);
  copy_group(dd, k, abd, at::bending);
  copy_group(br, k, sw, at::rotation_membrane);
  copy_group(dr, k, sw, at::rotation_bending);
  copy_group(rr, k, sw, at::rotation);
  copy_group(ss, k, sw, at::transverse_shear);
}

}  // namespace

template <class V>
void spread_laminates(const Skstf& sk, Columns bb, Columns dd, Columns bd, Columns rr, Columns dr, Columns br,
                      Columns ss) {
  const auto& ina = state::f07ina<V>();
  const auto& elmstf = state::stiffcom<V>().elmstf;
  const int rows = ina.my - 1, elements = (ina.mx - 1) * (ina.my - 1);
  for (int k = 1; k <= elements; ++k) {
    const int laminate = elmstf((k - 1) % rows + 1);
    set_element(k, &sk.matabd(1, laminate), &sk.matsw(1, laminate), bb, dd, bd, rr, dr, br, ss);
  }
}

void spread_laminates(const ElementLaminates& given, Columns bb, Columns dd, Columns bd, Columns rr,
                      Columns dr, Columns br, Columns ss) {
  static const std::array<float, laminate_column::shear_rows> no_shear{};
  for (std::size_t k = 0; k < given.of_element.size(); ++k) {
    const auto laminate = std::size_t(given.of_element[k] - 1);
    const float* sw = laminate < given.shear.size() ? given.shear[laminate].data() : no_shear.data();
    set_element(int(k) + 1, given.stiffness[laminate].data(), sw, bb, dd, bd, rr, dr, br, ss);
  }
}

namespace {

// Reads one group from the input unit where it stands; false when missing
// or malformed (the reader's words go to the listing then).
bool read(const io::NamelistGroup& group) {
  const io::ReadResult r = io::read_group(io::input(state::datran.nread), group);
  if (r.status == io::ReadStatus::malformed) listing::print_reader_message(r.message);
  return r.status == io::ReadStatus::ok;
}

template <class V>
bool read_masses() {
  auto& dis = state::f07dis<V>();
  const io::NamelistItem items[] = {
      {"dom", io::ItemKind::real, &state::densit.dom},
      {"domx", io::ItemKind::real, dis.domx.data, V::p_stf},
      {"domy", io::ItemKind::real, dis.domy.data, V::p_stf},
  };
  return read({"inert", items});
}

// The T profile: group "tstringer"; the omega: "ostringer" with the chord and web angle.
bool read_stringer(std::int32_t stype) {
  auto& st = state::stringercom;
  const io::NamelistItem items[] = {
      {"footth", io::ItemKind::real, &st.footth},       {"webth", io::ItemKind::real, &st.webth},
      {"footwidth", io::ItemKind::real, &st.footwidth}, {"webheight", io::ItemKind::real, &st.webheight},
      {"ddst", io::ItemKind::real, st.ddst.data, 6},    {"chordwidth", io::ItemKind::real, &st.chordwidth},
      {"chordth", io::ItemKind::real, &st.chordth},     {"alpha", io::ItemKind::real, &st.alpha},
  };
  if (stype == stringer_type::omega) return read({"ostringer", items});
  if (!read({"tstringer", std::span(items, 5)})) return false;
  listing::print_tstringer_read(st.ddst(1), st.webth);
  return true;
}

}  // namespace

template <class V>
void rddata(Columns bb, Columns dd, Columns bd, Columns rr, Columns dr, Columns br, Columns ss,
            std::int32_t& ier, bool masses_from_input, bool stringer_from_input) {
  ier = 0;
  forget_key_matrix();
  if (DataFault f = model_fault<V>()) {
    listing::print_fault(listing::Routine::rddata, f, true);
    ier = static_cast<std::int32_t>(f.code);
    return;
  }
  select_plot_modes<V>(state::man.neigrq);
  io::rewind(state::datran.nread);
  limit_eigen_counts<V>();
  const auto& modes = state::plotin.mdsplt;
  state::plotin.nmod =
      std::int32_t(std::count_if(modes.begin(), modes.end(), [](std::int32_t m) { return m > 0; }));
  number_nodes<V>();
  io::rewind(state::datran.nread);
  derive_edge_flags<V>();
  count_stiffeners<V>();
  spread_laminates<V>(state::skstf, bb, dd, bd, rr, dr, br, ss);
  // The plot scale follows the equivalent skin thickness of the first element.
  scale_plot_to_thickness(equivalent_thickness(dd(1, 1), dd(3, 1), bb(1, 1), bb(3, 1)));

  if (state::antype.vibr && masses_from_input) {
    io::rewind(state::datran.nread);
    if (!read_masses<V>()) {
      listing::print_group_missing(" INERT");
      ier = 8;
      return;
    }
  }
  if (!state::antype.cripan) return;
  const std::int32_t stype = state::f07dis<V>().stype;
  if (stype != stringer_type::t_profile && stype != stringer_type::omega) {
    listing::print_stringer_data_missing(false);
    return;
  }
  if (stringer_from_input && !read_stringer(stype)) {
    listing::print_stringer_data_missing(true);
    ier = 8;
  }
}

#define RUVO_INSTANTIATE(V)                                                                             \
  template void rddata<V>(Columns, Columns, Columns, Columns, Columns, Columns, Columns, std::int32_t&, \
                          bool, bool);                                                                  \
  template void spread_laminates<V>(const Skstf&, Columns, Columns, Columns, Columns, Columns, Columns, \
                                    Columns);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
