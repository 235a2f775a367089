#include "driver/typed_run.hpp"

#include <algorithm>
#include <cmath>
#include <span>
#include <type_traits>
#include <vector>

#include "driver/ruvomain.hpp"
#include "elements/assembly_inputs.hpp"
#include "elements/geometric_stiffness.hpp"
#include "elements/shape_functions.hpp"
#include "input/rddata.hpp"
#include "io/interrupt.hpp"
#include "io/units.hpp"
#include "model/blocks.hpp"
#include "model/laminate_column.hpp"
#include "model/profile_index.hpp"
#include "output/buckling_listing.hpp"
#include "output/prtvib.hpp"
#include "solver/condensation.hpp"
#include "solver/vibration.hpp"

namespace ruvo {

namespace {

constexpr int listing_unit = 9;

std::string refusal(const std::string& what, std::int64_t value, const std::string& range) {
  return what + " = " + std::to_string(value) + " is " + range;
}

template <class T, std::size_t N>
std::array<T, N> padded(const std::vector<T>& values) {
  std::array<T, N> out{};
  std::copy_n(values.begin(), std::min(values.size(), N), out.begin());
  return out;
}

std::string blank_padded(const std::string& text, std::size_t n) {
  std::string s = text.substr(0, n);
  s.resize(n, ' ');
  return s;
}

// Lines and stiffnesses of a stiffener list as ruvomain takes them.
template <class V>
struct StiffenerTable {
  std::array<std::int32_t, V::p_stf> lines{};
  std::array<float, 4 * V::p_stf> stiffness{};
  std::vector<float> masses;
  explicit StiffenerTable(const std::vector<TypedStiffener>& items) {
    for (std::size_t k = 0; k < items.size(); ++k) {
      lines[k] = items[k].line;
      std::copy(items[k].stiffness.begin(), items[k].stiffness.end(), stiffness.begin() + 4 * k);
      masses.push_back(items[k].mass);
    }
  }
};

// Membrane forces of every node: variable ones scaled by the load factor, fixed ones not.
template <class V>
void store_forces(const TypedLoads& loads) {
  const auto& ina = state::f07ina<V>();
  auto& pvar = state::cpvar<V>().pvar;
  auto& pfest = state::cpfest<V>().pfest;
  pvar = {};
  pfest = {};
  const int nodes = ina.mx * ina.my;
  for (int n = 1; n <= nodes; ++n)
    for (int c = 1; c <= 3; ++c) {
      pvar(n, c) = loads.variable[loads.variable.size() == 1 ? 0 : std::size_t(n - 1)][std::size_t(c - 1)];
      pfest(n, c) = loads.fixed[loads.fixed.size() == 1 ? 0 : std::size_t(n - 1)][std::size_t(c - 1)];
    }
}

// The stringer type and cross-section of the crippling routines, and the
// stringer pitch and skin thickness of the global buckling, as callruvo
// stores them for its stiffened panel.
template <class V>
void store_stringer_checks(const TypedAnalysis& in) {
  auto& type = state::antype;
  type.cripan = in.crippling;
  type.glban = in.global_buckling;
  const TypedStringerSection section = in.stringer_section.value_or(TypedStringerSection{});
  state::f07dis<V>().stype = section.type;
  auto& st = state::stringercom;
  st.footth = section.footth, st.webth = section.webth, st.footwidth = section.footwidth;
  st.webheight = section.webheight;
  std::copy(section.ddst.begin(), section.ddst.end(), st.ddst.data);
  st.chordwidth = section.chordwidth, st.chordth = section.chordth, st.alpha = section.alpha;
  const auto& lam = in.laminates.front();
  state::glbuckcom.stpitch = in.stringer_pitch;
  state::glbuckcom.skinth = equivalent_thickness(lam[12], lam[14], lam[0], lam[2]);
}

// Laminates, grid size, membrane forces of every node and the analysis type:
// the model state that ruvomain's arguments do not carry.
template <class V>
void store_model(const TypedAnalysis& in) {
  auto& sk = state::skstf;
  sk.matabd = {};
  sk.matsw = {};
  for (std::size_t k = 0; k < std::min(in.laminates.size(), std::size_t(V::p_abdstf)); ++k) {
    std::copy(in.laminates[k].begin(), in.laminates[k].end(), &sk.matabd(1, int(k) + 1));
    if (k < in.shear.size()) std::copy(in.shear[k].begin(), in.shear[k].end(), &sk.matsw(1, int(k) + 1));
  }
  auto& ina = state::f07ina<V>();
  ina.mx = std::int32_t(in.x_lengths.size()) + 1;
  ina.my = std::int32_t(in.y_lengths.size()) + 1;
  store_forces<V>({in.variable, in.fixed});
  // ruvomain keeps the radii of an earlier run when the freedoms are W alone
  // (with BETA, GAMMA); a typed run depends on nothing earlier.
  std::ranges::copy(in.radii, state::f07inb.radii.data);
  auto& type = state::antype;
  type.buck = in.kind == AnalysisKind::buckling;
  type.vibr = in.kind == AnalysisKind::vibration;
  store_stringer_checks<V>(in);
  // The tangential modes are not printed: a run without files keeps no
  // condensation vectors to print them from.
  state::man.x2pri = 0;
}

// The vibration data echo of laminate 1, the assembly with the mass matrix
// and (unless only the matrices are wanted) the solution, after ruvomain's
// stages; `written` receives the first row of each column of A21 that the
// assembly wrote.
template <class V>
RunStatus vibration_sequence(double shift, bool solve, const SolutionOptions& options,
                             std::vector<std::int32_t>& written) {
  const auto& sk = state::skstf;
  Array<float, 6> bb, bd, dd, br, dr, rr;
  Array<float, 3> ss;
  namespace at = laminate_column;
  for (int r = 1; r <= at::group_size; ++r) {
    bb(r) = sk.matabd(at::membrane + r - 1, 1), bd(r) = sk.matabd(at::coupling + r - 1, 1);
    dd(r) = sk.matabd(at::bending + r - 1, 1), br(r) = sk.matsw(at::rotation_membrane + r - 1, 1);
    dr(r) = sk.matsw(at::rotation_bending + r - 1, 1), rr(r) = sk.matsw(at::rotation + r - 1, 1);
  }
  for (int r = 1; r <= 3; ++r) ss(r) = sk.matsw(at::transverse_shear + r - 1, 1);
  auto ref = [](auto& a) { return ArrayRef<float, 1>(a.data, {int(std::size(a.data))}); };
  try {
    prtvib<V>(ref(bb), ref(dd), ref(bd), ref(rr), ref(dr), ref(br), ref(ss));
    std::int32_t ier = 0;
    std::vector<std::int32_t> tops, bottoms;  // of A21, for the condensation in this call
    vibs2<V>(ier, &tops, &bottoms);
    if (ier != 0) return {Stage::vibration_assembly, ier};
    written = tops;
    if (!solve) return {};
    if (options.assembled) options.assembled();
    SolutionOptions solution = options;
    if (!tops.empty()) solution.coupling_tops = &tops, solution.coupling_bottoms = &bottoms;
    vibs3<V>(ier, shift, solution);
    if (ier != 0) return {Stage::vibration_solution, ier};
  } catch (const io::Interrupted&) {
    return {Stage::interrupted, 0};
  }
  return {};
}

// Eigenvalues, W eigenvectors and forces of the case just solved, with the
// mode of its critical load factor appended when it lies beyond those asked.
template <class V>
TypedCaseResult case_results(const CriticalMode& critical) {
  const Man& man = state::man;
  TypedCaseResult c;
  c.critical = critical;
  const int modes = man.neigrq + (critical.outcome == CriticalOutcome::appended ? 1 : 0);
  c.eigenvalues.assign(state::valus.elam.data, state::valus.elam.data + modes);
  const auto& x = state::vectrs<V>().x;
  for (int i = 1; i <= modes; ++i) c.w.insert(c.w.end(), &x(1, i), &x(1, i) + man.ix);
  for (int i = 1; i <= modes; ++i) {
    const std::array<double, 5> f = result_forces<V>(float(state::valus.elam(i)));
    c.forces.insert(c.forces.end(), f.begin(), f.end());
  }
  return c;
}

template <class V>
void collect_results(TypedResult& r) {
  const Man& man = state::man;
  const auto& ina = state::f07ina<V>();
  r.ix = man.ix;
  r.iy = man.iy;
  if (r.cases.empty()) r.cases.push_back(case_results<V>({}));
  r.eigenvalues = r.cases.front().eigenvalues;
  r.w = r.cases.front().w;
  r.forces = r.cases.front().forces;
  // W equations of each node: iu(r, c) runs over y (value, slope at y-line
  // i, then i+1) in r and likewise over x in c.
  const int mx = ina.mx, my = ina.my;
  r.w_freedoms.assign(std::size_t(mx) * std::size_t(my) * 4, 0);
  ElementFreedoms iu;
  for (int j = 1; j < mx; ++j)
    for (int i = 1; i < my; ++i) {
      iu = {};
      std::int32_t ier = 0;
      iuoriv<V>(i, j, 1, iu, ier);
      for (int a = 0; a < 2; ++a)
        for (int ky = 0; ky < 2; ++ky)
          for (int d = 0; d < 2; ++d)
            for (int kx = 0; kx < 2; ++kx)
              r.w_freedoms[((std::size_t(i - 1 + a) * mx + std::size_t(j - 1 + d)) * 2 + ky) * 2 + kx] =
                  iu(2 * a + ky + 1, 2 * d + kx + 1);
    }
}

std::string loads_fault(const TypedLoads& loads, std::int64_t nodes, const std::string& what) {
  for (const auto* rows : {&loads.variable, &loads.fixed})
    if (rows->size() != 1 && std::int64_t(rows->size()) != nodes)
      return refusal(what + (rows == &loads.variable ? "variable load rows" : "fixed load rows"),
                     std::int64_t(rows->size()), "neither 1 nor the node count");
  return {};
}

// Whether every value of `values` (numbers, or rows of numbers) is finite.
template <class Range>
bool all_finite(const Range& values) {
  for (const auto& v : values) {
    if constexpr (std::is_arithmetic_v<std::decay_t<decltype(v)>>) {
      if (!std::isfinite(v)) return false;
    } else if (!all_finite(v)) {
      return false;
    }
  }
  return true;
}

// Non-finite or non-positive numbers, which the solution would turn into
// NaN, negative masses or a solver's failure instead of a refusal (the
// subdivision lengths are the data check's, which reports them).
std::string values_fault(const TypedAnalysis& in) {
  if (!all_finite(in.laminates) || !all_finite(in.shear)) return "laminates must be finite";
  if (!all_finite(in.variable) || !all_finite(in.fixed)) return "loads of load case 1 must be finite";
  for (std::size_t k = 0; k < in.more_load_cases.size(); ++k)
    if (!all_finite(in.more_load_cases[k].variable) || !all_finite(in.more_load_cases[k].fixed))
      return "loads of load case " + std::to_string(k + 2) + " must be finite";
  for (const auto* list : {&in.stringers, &in.frames})
    for (const TypedStiffener& st : *list) {
      const std::string what = list == &in.stringers ? "stringer " : "frame ";
      if (!all_finite(st.stiffness)) return what + "stiffnesses must be finite";
      if (!(std::isfinite(st.mass) && st.mass >= 0.0f))
        return what + "masses must be zero or positive and finite";
    }
  if (std::ranges::any_of(in.radii, [](float r) { return std::isnan(r); })) return "radii must be numbers";
  if (!all_finite(in.skew)) return "skew angles must be finite";
  if (in.kind == AnalysisKind::vibration && !(std::isfinite(in.density) && in.density > 0.0f))
    return "density (the skin's mass per area) must be positive and finite in 32 bits";
  if (!std::isfinite(in.shift)) return "shift must be finite";
  for (const LinearDirection& d : in.directions)
    if (!all_finite(d.stringers) || !all_finite(d.frames) || !all_finite(d.variable) ||
        !all_finite(d.fixed) || !all_finite(d.laminates) || !all_finite(d.shear) || !all_finite(d.density) ||
        !all_finite(d.stringer_masses) || !all_finite(d.frame_masses))
      return "directions must be finite";
  if (!all_finite(in.projected.values)) return "projected modes must be finite";
  return {};
}

// The walls of the stringer section: positive and finite lengths.
std::string section_fault(const TypedStringerSection& s) {
  const std::pair<const char*, float> walls[] = {
      {"footth", s.footth}, {"webth", s.webth}, {"footwidth", s.footwidth}, {"webheight", s.webheight}};
  for (const auto& [name, value] : walls)
    if (!(std::isfinite(value) && value > 0.0f))
      return std::string("stringer section ") + name + " must be positive and finite";
  if (!all_finite(s.ddst)) return "stringer section ddst must be finite";
  if (s.type == stringer_type::omega &&
      !(std::isfinite(s.chordwidth) && s.chordwidth > 0.0f && std::isfinite(s.chordth) && s.chordth > 0.0f &&
        s.alpha >= 0.0f && s.alpha < 180.0f))
    return "stringer section chordwidth, chordth must be positive and alpha within [0, 180) degrees";
  return {};
}

std::string stringer_checks_fault(const TypedAnalysis& in) {
  if (!in.crippling && !in.global_buckling) return {};
  if (in.kind != AnalysisKind::buckling) return "crippling and global buckling belong to a buckling analysis";
  if (!in.stringer_section) return "crippling and global buckling need the stringer section";
  const std::int32_t type = in.stringer_section->type;
  if (type != 1 && type != 2) return refusal("stringer type", type, "neither 1 (T) nor 2 (omega)");
  if (std::string f = section_fault(*in.stringer_section); !f.empty()) return f;
  if (in.global_buckling) {
    // The column stress of the global buckling is the T web's crippling stress.
    if (type != 1 || !in.crippling) return "global buckling needs the crippling of a T stringer (type 1)";
    if (in.stringers.empty()) return "global buckling needs a stringer";
    if (!(in.stringer_pitch > 0.0f && std::isfinite(in.stringer_pitch)))
      return "global buckling needs a positive and finite stringer pitch";
  }
  return {};
}

// Directions that do not match the stiffener tables or the grid's nodes.
std::string directions_fault(const TypedAnalysis& in, std::int64_t nodes) {
  for (const LinearDirection& d : in.directions) {
    if (!d.stringers.empty() && d.stringers.size() != in.stringers.size())
      return refusal("direction stringer rows", std::int64_t(d.stringers.size()),
                     "not the number of stringers");
    if (!d.frames.empty() && d.frames.size() != in.frames.size())
      return refusal("direction frame rows", std::int64_t(d.frames.size()), "not the number of frames");
    for (const auto* rows : {&d.variable, &d.fixed})
      if (!rows->empty() && rows->size() != 1 && std::int64_t(rows->size()) != nodes)
        return refusal("direction load rows", std::int64_t(rows->size()), "neither 1 nor the node count");
    if (!d.laminates.empty() && d.laminates.size() != in.laminates.size())
      return refusal("direction laminate rows", std::int64_t(d.laminates.size()),
                     "not the number of laminates");
    if (!d.shear.empty() && d.shear.size() != in.shear.size())
      return refusal("direction shear rows", std::int64_t(d.shear.size()), "not the number of shear sets");
    if (d.density.size() > 1)
      return refusal("direction densities", std::int64_t(d.density.size()), "more than 1");
    if (!d.stringer_masses.empty() && d.stringer_masses.size() != in.stringers.size())
      return refusal("direction stringer masses", std::int64_t(d.stringer_masses.size()),
                     "not the number of stringers");
    if (!d.frame_masses.empty() && d.frame_masses.size() != in.frames.size())
      return refusal("direction frame masses", std::int64_t(d.frame_masses.size()),
                     "not the number of frames");
  }
  if (!in.directions.empty() && in.projected.modes == 0 && !in.forms)
    return "directions need the projected modes or the forms of the solution";
  if (in.forms && (in.matrices || !in.more_load_cases.empty()))
    return "the forms of the solution belong to one load case solved";
  return {};
}

ProfileMatrix profile_of(const double* a, const std::int32_t* levels, int order, int band) {
  ProfileMatrix p{order, band, std::vector<std::int32_t>(levels, levels + order), {}};
  p.values.assign(a, a + profile_length(levels, order));
  return p;
}

// The matrices of the full system as the assembly left them, and the
// geometric stiffness of the fixed loads that A11 holds (for vibration too:
// a prestressed panel). Returns
// the assembly's code for that last matrix (0 when it is made).
template <class V>
std::int32_t collect_matrices(TypedResult& r) {
  const Man& man = state::man;
  const auto& ina = state::f07ina<V>();
  const auto& m = state::matrix<V>();
  const auto& lv = state::comlv<V>();
  r.ix = man.ix;
  r.iy = man.iy;
  TypedMatrices& out = r.matrices;
  out.a11 = profile_of(m.a11.data, lv.lvtri.data, man.ix, man.ix);
  out.b11 = profile_of(m.b11.data, lv.lvb.data, man.ix, ina.ibdx);
  if (man.iy > 0) {
    out.a22 = profile_of(m.a22.data, lv.lva22.data, man.iy, ina.ibdy);
    out.a21.resize(std::size_t(man.ix) * std::size_t(man.iy));
    for (int j = 1; j <= man.ix; ++j)
      std::copy_n(m.a21.data + std::size_t(j - 1) * V::p_ny, man.iy,
                  out.a21.data() + std::size_t(j - 1) * man.iy);
  }
  out.fixed = out.b11;
  std::fill(out.fixed.values.begin(), out.fixed.values.end(), 0.0);
  std::int32_t ier = 0;
  const ArrayRef<const float, 2> fixed(state::cpfest<V>().pfest.data, {V::p_nodes, 3});
  cmpbmt<V>(std::span<double>(out.fixed.values), std::span<const std::int32_t>(lv.lvb.data), fixed, 1.0f,
            shared_inputs<V>(), ier);
  return ier;
}

// The assembled matrices of the full system, kept through the solution,
// which condenses and factors them in place.
struct KeptMatrices {
  std::vector<double> a11, a22, b11, a21;
};

// The stored entries of each matrix into `kept` (`keep`), or back from it;
// A21 by columns of iy rows.
template <class V>
void copy_matrices(KeptMatrices& kept, bool keep) {
  const Man& man = state::man;
  auto& m = state::matrix<V>();
  const auto& lv = state::comlv<V>();
  const auto profile = [&](double* a, const std::int32_t* levels, int n, std::vector<double>& copy) {
    const std::size_t length = profile_length(levels, n);
    if (keep)
      copy.assign(a, a + length);
    else
      std::copy(copy.begin(), copy.end(), a);
  };
  profile(m.a11.data, lv.lvtri.data, man.ix, kept.a11);
  profile(m.b11.data, lv.lvb.data, man.ix, kept.b11);
  profile(m.a22.data, lv.lva22.data, man.iy, kept.a22);
  if (keep) kept.a21.resize(std::size_t(man.ix) * std::size_t(man.iy));
  for (int j = 1; j <= man.ix; ++j) {
    double* column = m.a21.data + std::size_t(j - 1) * V::p_ny;
    double* copy = kept.a21.data() + std::size_t(j - 1) * std::size_t(man.iy);
    keep ? std::copy_n(column, man.iy, copy) : std::copy_n(copy, man.iy, column);
  }
}

// The forms along the directions of the modes phi into r; an interrupt
// from the host abandons them as it abandons the analysis.
template <class V>
void add_direction_forms(const TypedAnalysis& in, std::span<const double> phi, int m, TypedResult& r) {
  try {
    std::int32_t ier = 0;
    r.rates = direction_forms<V>(in.directions, phi, m, ier);
    if (ier != 0) r.status = {Stage::assembly, ier};
  } catch (const io::Interrupted&) {
    r.status = {Stage::interrupted, 0};
  }
}

// The forms of the solution's full modes and along the directions: of a
// buckling solution from the condensed pair it leaves (condensed_forms), of
// a vibration (whose solution shifts and scales the pair) from the matrices
// kept before the solution.
template <class V>
void add_solution_forms(const TypedAnalysis& in, KeptMatrices& kept, TypedResult& r) {
  const bool vibration = in.kind == AnalysisKind::vibration;
  if (vibration) copy_matrices<V>(kept, false);
  const auto ix = std::size_t(state::man.ix), iy = std::size_t(state::man.iy), m = r.eigenvalues.size();
  std::vector<double> phi((ix + iy) * m);
  for (std::size_t k = 0; k < m; ++k) {
    std::copy_n(r.w.begin() + std::ptrdiff_t(k * ix), ix, phi.begin() + std::ptrdiff_t(k * (ix + iy)));
    std::copy_n(r.x2.begin() + std::ptrdiff_t(k * iy), iy, phi.begin() + std::ptrdiff_t(k * (ix + iy) + ix));
  }
  r.forms = vibration ? modal_forms<V>(phi, int(m)) : condensed_forms<V>(phi, int(m));
  add_direction_forms<V>(in, phi, int(m), r);
}

// Why the laminates per element cannot be taken, or "".
std::string element_laminates_fault(const TypedAnalysis& in, std::int64_t elements) {
  if (in.element_laminates.empty()) return {};
  if (!in.element_rows.empty()) return "element_rows and element_laminates are given together";
  if (std::int64_t(in.element_laminates.size()) != elements)
    return refusal("element laminates", std::int64_t(in.element_laminates.size()),
                   "not the number of elements");
  for (std::int32_t lam : in.element_laminates)
    if (lam < 1 || lam > std::int32_t(in.laminates.size()))
      return refusal("element laminate", lam, "not a laminate given");
  for (const LinearDirection& d : in.directions)
    if (!d.laminates.empty() || !d.shear.empty())
      return "directions along the laminates are not taken with element_laminates";
  return {};
}

}  // namespace

template <class V>
std::string typed_fault(const TypedAnalysis& in) {
  const auto lines_x = std::int64_t(in.x_lengths.size()) + 1, lines_y = std::int64_t(in.y_lengths.size()) + 1;
  if (lines_x < 2 || lines_x > V::p_rtnds) return refusal("x lines", lines_x, "outside 2..p_rtnds");
  if (lines_y < 2 || lines_y > V::p_rtnds) return refusal("y lines", lines_y, "outside 2..p_rtnds");
  if (lines_x * lines_y > V::p_nodes) return refusal("nodes", lines_x * lines_y, "above p_nodes");
  if (in.modes < 1 || in.modes > V::p_ngrq) return refusal("modes", in.modes, "outside 1..p_ngrq");
  if (in.iterate != 0 && (in.iterate <= in.modes || in.iterate > V::p_ngit))
    return refusal("iterate", in.iterate, "outside modes+1..p_ngit");
  if (in.laminates.empty()) return "no laminates";
  if (in.element_laminates.empty() && in.laminates.size() > std::size_t(V::p_abdstf))
    return refusal("laminates", std::int64_t(in.laminates.size()),
                   "above p_abdstf without element_laminates");
  if (std::string f = element_laminates_fault(in, (lines_x - 1) * (lines_y - 1)); !f.empty()) return f;
  if (in.shear.size() > in.laminates.size())
    return refusal("shear sets", std::int64_t(in.shear.size()), "more than laminates");
  if (!in.element_rows.empty() && std::int64_t(in.element_rows.size()) != lines_y - 1)
    return refusal("element rows", std::int64_t(in.element_rows.size()), "not the number of y-subdivisions");
  for (std::int32_t lam : in.element_rows)
    if (lam < 1 || lam > std::int32_t(in.laminates.size()))
      return refusal("element row laminate", lam, "not a laminate given");
  for (const auto* list : {&in.stringers, &in.frames}) {
    const bool stringer = list == &in.stringers;
    if (list->size() > std::size_t(V::p_stf))
      return refusal(stringer ? "stringers" : "frames", std::int64_t(list->size()), "above p_stf");
    for (const TypedStiffener& s : *list)
      if (s.line < 1 || s.line > (stringer ? lines_y : lines_x))
        return refusal(stringer ? "stringer line" : "frame line", s.line, "off the grid");
  }
  if (std::string f = loads_fault({in.variable, in.fixed}, lines_x * lines_y, ""); !f.empty()) return f;
  if (std::string f = values_fault(in); !f.empty()) return f;
  for (std::size_t k = 0; k < in.more_load_cases.size(); ++k)
    if (std::string f = loads_fault(in.more_load_cases[k], lines_x * lines_y,
                                    "load case " + std::to_string(k + 2) + ": ");
        !f.empty())
      return f;
  if (!in.more_load_cases.empty() && in.kind != AnalysisKind::buckling)
    return "load cases belong to a buckling analysis";
  if (std::string f = stringer_checks_fault(in); !f.empty()) return f;
  if (std::string f = directions_fault(in, lines_x * lines_y); !f.empty()) return f;
  if (in.listing && in.directory.empty()) return "a listing needs a directory";
  return {};
}

namespace {

// Whether a solution has eigenvalues to report: all of them numbers, not all zero.
bool reportable(const std::vector<double>& eigenvalues) {
  return std::ranges::all_of(eigenvalues, [](double e) { return std::isfinite(e); }) &&
         std::ranges::any_of(eigenvalues, [](double e) { return e != 0.0; });
}

template <class V>
TypedResult analyse_typed(const TypedAnalysis& in) {
  TypedResult r;
  io::RunScope scope({in.directory, in.listing, listing_unit, &r.messages});
  store_model<V>(in);
  constexpr std::size_t rows = V::p_rtnds - 1, stf = V::p_stf;
  const StiffenerTable<V> stringers(in.stringers), frames(in.frames);
  const std::string proj = blank_padded(in.project, 8), title = blank_padded(in.title, 80);
  const auto a = padded<float, rows>(in.x_lengths), b = padded<float, rows>(in.y_lengths);
  std::vector<std::int32_t> element_rows = in.element_rows;
  if (element_rows.empty()) element_rows.assign(in.y_lengths.size(), 1);
  const auto elmstf = padded<std::int32_t, rows>(element_rows);
  const std::int32_t neigit =
      in.iterate ? in.iterate : std::min(std::max(2 * in.modes, in.modes + 8), std::int32_t(V::p_ngit));
  const RunArguments<V> args{.proj = proj,
                             .titp = title,
                             .buckp = in.kind == AnalysisKind::buckling,
                             .itabp = in.itab,
                             .neigitp = neigit,
                             .neigrqp = in.modes,
                             .memprip = in.mempri,
                             .indpltp = in.indplt,
                             .kup = in.freedoms,
                             .ap = std::span<const float, rows>(a),
                             .bp = std::span<const float, rows>(b),
                             .bndx0p = in.edges[0],
                             .bndxlp = in.edges[1],
                             .bndy0p = in.edges[2],
                             .bndylp = in.edges[3],
                             .rxp = in.radii[0],
                             .ryp = in.radii[1],
                             .rxyp = in.radii[2],
                             .istxp = std::span<const std::int32_t, stf>(stringers.lines),
                             .istyp = std::span<const std::int32_t, stf>(frames.lines),
                             .elmstfp = std::span<const std::int32_t, rows>(elmstf),
                             .steifxp = std::span<const float, 4 * stf>(stringers.stiffness),
                             .steifyp = std::span<const float, 4 * stf>(frames.stiffness),
                             .alfaxp = in.skew[0],
                             .alfayp = in.skew[1]};
  RunOptions options;
  const ElementLaminates element_laminates{in.laminates, in.shear, in.element_laminates};
  if (!in.element_laminates.empty()) options.element_laminates = &element_laminates;
  options.strain_under_stiffeners = true;
  const bool vibration = in.kind == AnalysisKind::vibration;
  if (vibration) options.masses = Masses{in.density, stringers.masses, frames.masses};
  options.keep_listing = vibration;
  options.stringer_given = true;
  options.checks = &r.checks;
  if (in.stringer_section) options.chord_bending = in.stringer_section->chord_ddst;
  LoadCases cases;
  CriticalMode critical;
  if (!vibration && !in.matrices) {
    options.solution.critical = &critical;
    cases.count = 1 + in.more_load_cases.size();
    cases.store = [&](std::size_t k) { store_forces<V>(in.more_load_cases[k - 1]); };
    cases.collect = [&](std::size_t) {
      r.ix = state::man.ix, r.iy = state::man.iy;  // the sizes of the cases kept when a later one fails
      r.cases.push_back(case_results<V>(critical));
      r.cases.back().global_load = r.checks.global_load;
      r.cases.back().global_converged = r.checks.global_converged;
      r.cases.back().global_passes = r.checks.global_passes;
      r.cases.back().critical_skin_force = r.checks.critical_skin_force;
    };
    options.cases = &cases;
  }
  options.assemble_only = in.matrices;
  // The listing reports the subspace iteration's steps.
  options.solution.eigen = in.listing ? EigenSolution::subspace : in.eigen;
  options.solution.keep_coupling = in.tangential || in.forms;
  std::vector<std::int32_t> written;  // of A21, by the last assembly of the stiffness
  options.coupling_tops = &written;
  KeptMatrices kept;
  if (in.forms && vibration) options.solution.assembled = [&kept] { copy_matrices<V>(kept, true); };
  r.status = run_analysis<V>(args, options);
  if (vibration && r.status.finished())
    r.status = vibration_sequence<V>(in.shift, !in.matrices, options.solution, written);
  if (!r.status.finished()) return r;
  if (in.matrices && in.projected.modes > 0) {
    r.ix = state::man.ix, r.iy = state::man.iy;
    if (in.projected.values.size() != std::size_t(r.ix + r.iy) * std::size_t(in.projected.modes)) return r;
    r.forms = modal_forms<V>(in.projected.values, in.projected.modes);
    add_direction_forms<V>(in, in.projected.values, in.projected.modes, r);
    return r;
  }
  if (in.matrices) {
    if (const std::int32_t ier = collect_matrices<V>(r)) r.status = {Stage::assembly, ier};
    return r;
  }
  collect_results<V>(r);
  if (!reportable(r.eigenvalues)) {
    r.status = {vibration ? Stage::vibration_solution : Stage::buckling_solution, 0};
    r.outcome = TypedOutcome::no_eigenvalues;
    return r;
  }
  if (in.tangential || in.forms) r.x2 = tangential_parts<V>(std::int32_t(r.eigenvalues.size()), &written);
  if (in.forms) add_solution_forms<V>(in, kept, r);
  return r;
}

}  // namespace

template <class V>
TypedResult run_typed(const TypedAnalysis& in) {
  // The package gives the forces of the element starting at each node: each element reads its first node's.
  const ScopedForceReading per_element(ForceReading::per_element);
  TypedResult r = analyse_typed<V>(in);
  if (!r.status.finished() && r.outcome == TypedOutcome::finished) r.outcome = TypedOutcome::failed;
  return r;
}

#define RUVO_INSTANTIATE(V)                                  \
  template std::string typed_fault<V>(const TypedAnalysis&); \
  template TypedResult run_typed<V>(const TypedAnalysis&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
