#include "driver/callruvo.hpp"

#include <algorithm>
#include <cmath>

#include "driver/ruvomain.hpp"
#include "input/rddata.hpp"
#include "model/blocks.hpp"
#include "model/laminate_column.hpp"
#include "model/pi.hpp"

namespace ruvo {

namespace {

// Stringer types that subdivide the skin by the stringer cross-section.
bool stiffened(std::int32_t stype) {
  return stype == stringer_type::t_profile || stype == stringer_type::omega || stype == stringer_type::other;
}

template <std::size_t N>
int leading_nonzero(std::span<const std::int32_t, N> list) {
  int n = 0;
  while (n < int(N) && list[std::size_t(n)] != 0) ++n;
  return n;
}

// Largest i in 2..p_rtnds with lengths(i-1) > 1.0e-21, or 0.
template <class V>
std::int32_t line_count(const Array<float, V::p_rtnds - 1>& lengths) {
  for (int i = V::p_rtnds; i >= 2; --i)
    if (lengths(i - 1) > 1.0e-21f) return i;
  return 0;
}

// Entry (i, j) of the group that starts at row `group` of a laminate's column.
template <class V>
float matabd(const PanelArguments<V>& in, int group, int i, int j, int laminate) {
  return in.matabdf[std::size_t(laminate_column::row(group, i, j) - 1 +
                                laminate_column::stiffness_rows * (laminate - 1))];
}

// The axial membrane stiffness A11 - A12²/A22 of a laminate.
template <class V>
float axial_stiffness(const PanelArguments<V>& in, int laminate) {
  using laminate_column::membrane;
  const float a12 = matabd(in, membrane, 1, 2, laminate);
  return matabd(in, membrane, 1, 1, laminate) - a12 * a12 / matabd(in, membrane, 2, 2, laminate);
}

// Number of x-subdivisions: a frame bay of anzelzwframes elements per pair of
// frames, and isty(1)-1 elements in front of the first frame and behind the
// last. In 64 bits: any 32-bit counts give it exactly, for the range check.
template <class V>
std::int64_t x_subdivisions(const PanelArguments<V>& in) {
  const int frames = leading_nonzero(in.isty);
  if (!stiffened(in.stypep) || frames == 0) return in.anzelzwframes;
  return std::int64_t{in.anzelzwframes} * (frames - 1) + 2 * std::int64_t{in.isty[0]} - 2;
}

// Subdivision in y row by row; laminate-2 rows lie under a stringer foot.
template <class V>
void y_subdivision(const PanelArguments<V>& in, PanelModel<V>& m) {
  const int rows = V::p_rtnds - 1;
  if (!stiffened(in.stypep)) {
    for (int j = 1; j <= rows; ++j) m.bp(j) = in.stringerpitch / float(rows);
    return;
  }
  if (in.stypep == stringer_type::omega) {
    const float t = std::tan((180.0f - in.alpha) * 0.5f * pi / 180.0f);
    const float belhat = 2.0f * in.height / t + in.chordwdth;  // skin under the stringer between its feet
    const float el_bay = (in.stringerpitch - belhat - 2.0f * in.sfootwdth) / float(in.anzelzwstr);
    const float el_below = belhat / float(in.anzelbelowstr);
    const float el_foot = in.sfootwdth / float(in.anzelprohalbfoot);
    int foot = 1;  // tells the rows of the bay (1) from those between the two feet
    for (int j = 1; j <= rows; ++j) {
      const std::int32_t lam = in.elmstf[std::size_t(j - 1)];
      m.bp(j) = lam == 1 ? (foot == 1 ? el_bay : el_below) : lam == 2 ? el_foot : 0.0f;
      if (lam == 2) foot = foot == 2 * in.anzelprohalbfoot ? 1 : foot + 1;
    }
    return;
  }
  const float el_bay = (in.stringerpitch - in.sfootwdth) / float(in.anzelzwstr);
  const float el_foot = in.stypep == stringer_type::t_profile
                            ? 0.5f * in.sfootwdth / float(in.anzelprohalbfoot)
                            : in.sfootwdth / float(in.anzelprohalbfoot);
  for (int j = 1; j <= rows; ++j) {
    const std::int32_t lam = in.elmstf[std::size_t(j - 1)];
    m.bp(j) = lam == 1 ? el_bay : lam == 2 ? el_foot : 0.0f;
  }
}

// Forces of every y-line: a line below a laminate-2 row carries Nx scaled
// by the ratio of the laminates' axial membrane stiffnesses (the strain
// along the bands is shared); Nxy and Ny are the same in every band, as
// equilibrium across a band edge y = const asks. The last y-line and every
// line of an unstiffened panel carry the forces as given.
template <class V>
void y_line_forces(const PanelArguments<V>& in, PanelModel<V>& m) {
  const float factx = axial_stiffness(in, 2) / axial_stiffness(in, 1);
  const NodeForces plain{{in.loadvxp, in.loadvxyp, in.loadvyp}, {in.fnxp, in.fnxyp, in.fnyp}};
  const NodeForces foot{{in.loadvxp * factx, in.loadvxyp, in.loadvyp}, {in.fnxp * factx, in.fnxyp, in.fnyp}};
  for (int r = 1; r <= V::p_rtnds; ++r) {
    const bool under_foot = stiffened(in.stypep) && r < m.my && in.elmstf[std::size_t(r - 1)] == 2;
    m.y_line(r) = under_foot ? foot : plain;
  }
}

template <class V>
void stiffener_table(std::span<const std::int32_t, V::p_stf> lines, std::span<const float, 4> stiffness,
                     bool stiffened_panel, Array<float, 4, V::p_stf>& table) {
  const int n = stiffened_panel ? leading_nonzero(lines) : 0;
  for (int i = 1; i <= V::p_stf; ++i)
    for (int k = 1; k <= 4; ++k) table(k, i) = i <= n ? stiffness[std::size_t(k - 1)] : 0.0f;
}

// The model state's part: freedoms, laminates, forces of every node, grid
// size, stringer type and the skin values of the global buckling.
template <class V>
void store_panel(const PanelArguments<V>& in, const PanelModel<V>& m) {
  auto& ina = state::f07ina<V>();
  std::copy(in.ku.begin(), in.ku.end(), ina.ku.data);
  std::copy(in.matabdf.begin(), in.matabdf.end(), state::skstf.matabd.data);
  std::fill(std::begin(state::skstf.matsw.data), std::end(state::skstf.matsw.data), 0.0f);
  if (m.mx != 0) ina.mx = m.mx;
  if (m.my != 0) ina.my = m.my;
  auto& pvar = state::cpvar<V>().pvar;
  auto& pfest = state::cpfest<V>().pfest;
  std::fill(std::begin(pvar.data), std::end(pvar.data), 0.0f);
  std::fill(std::begin(pfest.data), std::end(pfest.data), 0.0f);
  for (int l = 1; l <= ina.mx; ++l)
    for (int r = 1; r <= ina.my; ++r) {
      const int n = (l - 1) * ina.my + r;
      for (int c = 1; c <= 3; ++c) {
        pvar(n, c) = m.y_line(r).variable[std::size_t(c - 1)];
        pfest(n, c) = m.y_line(r).constant[std::size_t(c - 1)];
      }
    }
  state::f07dis<V>().stype = in.stypep;
  state::glbuckcom.stpitch = in.stringerpitch;
  state::glbuckcom.skinth = equivalent_thickness(
      matabd(in, laminate_column::bending, 1, 1, 1), matabd(in, laminate_column::bending, 2, 2, 1),
      matabd(in, laminate_column::membrane, 1, 1, 1), matabd(in, laminate_column::membrane, 2, 2, 1));
}

template <class V>
void clear_results(const PanelArguments<V>& in) {
  std::fill(std::begin(state::pythres.membraneforces.data), std::end(state::pythres.membraneforces.data),
            0.0);
  std::fill(std::begin(state::valus.elam.data), std::end(state::valus.elam.data), 0.0);
  std::fill(in.membraneforcesp.begin(), in.membraneforcesp.end(), 0.0);
  std::fill(in.elamp.begin(), in.elamp.end(), 0.0);
  if (in.neigrq > 0) std::fill_n(in.displ.begin(), std::size_t(V::p_nx) * std::size_t(in.neigrq), 0.0);
}

template <class V>
void return_results(const PanelArguments<V>& in) {
  std::copy(state::valus.elam.begin(), state::valus.elam.end(), in.elamp.begin());
  for (int i = 1; i <= in.neigrq; ++i)
    for (int k = 1; k <= 5; ++k)
      in.membraneforcesp[std::size_t(5 * (i - 1) + k - 1)] = state::pythres.membraneforces(i, k);
  const auto& x = state::vectrs<V>().x;
  if (in.neigrq > 0) std::copy_n(x.data, std::size_t(V::p_nx) * std::size_t(in.neigrq), in.displ.begin());
}

std::string refusal(std::string_view what, std::int64_t value, std::string_view range) {
  return std::string(what) + " = " + std::to_string(value) + " is " + std::string(range);
}

}  // namespace

template <class V>
PanelModel<V> plan_panel(const PanelArguments<V>& in) {
  PanelModel<V> m{};
  m.x_subdivisions = int(x_subdivisions(in));  // within 1..p_rtnds-1 once callruvo_fault passed
  const float el_x = in.framepitch / float(in.anzelzwframes);
  for (int i = 1; i <= V::p_rtnds - 1; ++i) m.ap(i) = i <= m.x_subdivisions ? el_x : 0.0f;
  y_subdivision(in, m);
  m.mx = line_count<V>(m.ap);
  m.my = line_count<V>(m.bp);
  const bool stiff = stiffened(in.stypep);
  stiffener_table<V>(in.istx, in.steifxf, stiff, m.steifxp);
  stiffener_table<V>(in.isty, in.steifyf, stiff, m.steifyp);
  y_line_forces(in, m);
  return m;
}

template <class V>
std::string callruvo_fault(const PanelArguments<V>& in) {
  if (in.neigrq < 0 || in.neigrq > V::p_ngit) return refusal("neigrq", in.neigrq, "outside 0..p_ngit");
  if (in.displ.size() < std::size_t(V::p_nx) * std::size_t(in.neigrq))
    return "displ holds " + std::to_string(in.displ.size()) + " entries, fewer than p_nx*neigrq";
  struct Count {
    const char* name;
    std::int32_t value;
    bool used;
  };
  const bool stiff = stiffened(in.stypep);
  for (const Count& c :
       {Count{"anzelzwframes", in.anzelzwframes, true}, Count{"anzelzwstr", in.anzelzwstr, stiff},
        Count{"anzelprohalbfoot", in.anzelprohalbfoot, stiff},
        Count{"anzelbelowstr", in.anzelbelowstr, in.stypep == stringer_type::omega}})
    if (c.used && c.value < 1) return refusal(c.name, c.value, "below 1");
  const std::int64_t n = x_subdivisions(in);
  if (n < 1 || n > V::p_rtnds - 1) return refusal("the number of x-subdivisions", n, "outside 1..p_rtnds-1");
  const PanelModel<V> m = plan_panel(in);
  const std::int32_t mx = m.mx ? m.mx : state::f07ina<V>().mx, my = m.my ? m.my : state::f07ina<V>().my;
  // Lines the panel does not derive are kept from the model state, which the
  // host may have set to anything: the node forces are stored over them.
  if (mx < 1 || mx > V::p_rtnds) return refusal("the number of x-lines mx", mx, "outside 1..p_rtnds");
  if (my < 1 || my > V::p_rtnds) return refusal("the number of y-lines my", my, "outside 1..p_rtnds");
  for (int i = 0; i < leading_nonzero(in.isty); ++i)
    if (in.isty[std::size_t(i)] < 1 || in.isty[std::size_t(i)] > mx)
      return refusal("frame line isty(" + std::to_string(i + 1) + ")", in.isty[std::size_t(i)],
                     "outside the x-lines 1.." + std::to_string(mx));
  for (int i = 0; i < leading_nonzero(in.istx); ++i)
    if (in.istx[std::size_t(i)] < 1 || in.istx[std::size_t(i)] > my)
      return refusal("stringer line istx(" + std::to_string(i + 1) + ")", in.istx[std::size_t(i)],
                     "outside the y-lines 1.." + std::to_string(my));
  return {};
}

template <class V>
void callruvo(const PanelArguments<V>& in) {
  clear_results(in);
  const PanelModel<V> m = plan_panel(in);
  store_panel(in, m);
  const RunArguments<V> run{.proj = in.filenamep,
                            .titp = in.titp,
                            .buckp = 1,
                            .itabp = in.itab,
                            .neigitp = in.neigit,
                            .neigrqp = in.neigrq,
                            .memprip = in.mempri,
                            .indpltp = in.indplt,
                            .kup = std::span<const std::int32_t, 5>(state::f07ina<V>().ku.data),
                            .ap = std::span<const float, V::p_rtnds - 1>(m.ap.data),
                            .bp = std::span<const float, V::p_rtnds - 1>(m.bp.data),
                            .bndx0p = in.bndx0,
                            .bndxlp = in.bndxl,
                            .bndy0p = in.bndy0,
                            .bndylp = in.bndyl,
                            .rxp = in.rxp,
                            .ryp = in.ryp,
                            .rxyp = in.rxyp,
                            .istxp = in.istx,
                            .istyp = in.isty,
                            .elmstfp = in.elmstf,
                            .steifxp = std::span<const float, 4 * V::p_stf>(m.steifxp.data),
                            .steifyp = std::span<const float, 4 * V::p_stf>(m.steifyp.data),
                            .alfaxp = in.alfaxp,
                            .alfayp = in.alfayp};
  ruvomain<V>(run);
  return_results(in);
}

#define RUVO_INSTANTIATE(V)                                         \
  template PanelModel<V> plan_panel<V>(const PanelArguments<V>&);   \
  template std::string callruvo_fault<V>(const PanelArguments<V>&); \
  template void callruvo<V>(const PanelArguments<V>&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
