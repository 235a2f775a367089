#include "solver/buvi.hpp"

#include <cmath>
#include <optional>
#include <span>
#include <vector>

#include "elements/assembly_inputs.hpp"
#include "elements/constitutive_column.hpp"
#include "elements/element_terms.hpp"
#include "input/rddata.hpp"
#include "input/redfkq.hpp"
#include "input/setkey.hpp"
#include "io/listing.hpp"
#include "io/units.hpp"
#include "model/blocks.hpp"
#include "output/prtout.hpp"
#include "solver/buckling.hpp"
#include "solver/crippling.hpp"
#include "solver/element_arrays.hpp"
#include "solver/full_pair.hpp"
#include "solver/global_buckling.hpp"
#include "solver/level_vector.hpp"
#include "solver/subspace_routines.hpp"

namespace ruvo {

namespace {

const io::Format& m1() {
  static const io::Format f("(1X,'MESSAGE FROM SUBROUTINE BUVI:')");
  return f;
}
const io::Format& m2() {
  static const io::Format f("(1X,'ERROR REPORTED FROM SUBROUTINE ',A10,'  IER=',I3)");
  return f;
}

// M1, M2 with the routine's name (and its code, when it has one) and an
// optional last record, to the listing and then, when asked, to standard output.
void report(const char* routine, const std::int32_t* code, bool also_stdout, const char* extra = nullptr) {
  static const io::Format text("(A)");
  std::vector<io::Value> values{routine};
  if (code) values.emplace_back(*code);
  for (int unit : {io::listing_unit(), io::stdout_unit}) {
    if (unit == io::stdout_unit && !also_stdout) break;
    io::write(unit, m1());
    io::write(unit, m2(), values);
    if (extra) io::write(unit, text, {extra});
  }
}

// Level vectors of a22 (when there are tangential freedoms) and b11.
template <class V>
std::int32_t build_level_vectors() {
  auto& lv = state::comlv<V>();
  const auto& ina = state::f07ina<V>();
  const Man& man = state::man;
  std::int32_t ierr = 0;
  if (man.iy != 0) {
    mklvbd(ArrayRef<std::int32_t, 1>(lv.lva22.data, {V::p_ny}), man.iy, ina.ibdy, ierr);
    if (ierr != 0) {
      report("MKLVBD", &ierr, true, " for LVA22");
      return ierr;
    }
  }
  mklvbd(ArrayRef<std::int32_t, 1>(lv.lvb.data, {V::p_nx}), man.ix, ina.ibdx, ierr);
  if (ierr != 0) report("MKLVBD", &ierr, true, " for LVB");
  return ierr;
}

// The membrane compliance of element k of the term table c; false when its
// membrane stiffness is singular.
bool membrane_compliance(ArrayRef<float, 2> c, int k, Array<float, 3, 3>& out) {
  float aij[3][3];
  if (!invert_membrane_block(membrane_block(c, k), aij)) return false;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) out(i, j) = aij[i - 1][j - 1];
  return true;
}

// Membrane compliance of the first element (the skin's), for the stiffener
// forces, and where elements carry laminates of their own, of every element.
template <class V>
bool set_membrane_compliances(ArrayRef<float, 2> c, bool per_element) {
  if (!membrane_compliance(c, 1, state::f07aij.aij)) return false;
  if (!per_element) return true;
  const auto& ina = state::f07ina<V>();
  ElementCompliances& each = state::element_compliances;
  each.rows = ina.my - 1;
  each.columns = ina.mx - 1;
  each.of_element.resize(std::size_t(each.rows) * std::size_t(each.columns));
  for (std::size_t k = 0; k < each.of_element.size(); ++k)
    if (!membrane_compliance(c, int(k) + 1, each.of_element[k])) {
      each.of_element.clear();
      return false;
    }
  return true;
}

// The crippling routine of the stringer type; its results into the host's checks.
template <class V>
RunStatus cripple(const RunOptions& options) {
  const std::int32_t stype = state::f07dis<V>().stype;
  StringerChecks* checks = options.checks;
  if (stype == stringer_type::t_profile) {
    const TProfileCrippling r = cripple_t_profile();
    if (checks) checks->crippling_force = r.force, checks->crippling_stress = r.stress;
  } else if (stype == stringer_type::omega) {
    const OmegaCrippling r = cripple_omega_profile(options.chord_bending ? &*options.chord_bending : nullptr);
    if (checks) checks->crippling_force = r.web_force, checks->chord_force = r.chord_force;
  } else {
    report("CRIPPLING", nullptr, false);
    return {Stage::crippling, stype};
  }
  return {};
}

// The skin's Nx at node 1 at the critical load factor of the case just
// solved: the mode the solution found (`found`, which may lie beyond the
// modes asked), or else the smallest positive one among the computed modes;
// none without a positive one. This is where the column load's mode is chosen.
template <class V>
std::optional<float> critical_skin_force(const CriticalMode* found) {
  std::optional<double> critical;
  if (found) {
    if (found->mode > 0) critical = state::valus.elam(found->mode);
  } else {
    for (int i = 1; i <= state::man.neigrq; ++i)
      if (const double factor = state::valus.elam(i); factor > 0.0 && (!critical || factor < *critical))
        critical = factor;
  }
  if (!critical) return std::nullopt;
  return float(state::cpvar<V>().pvar(1, 1) * *critical + state::cpfest<V>().pfest(1, 1));
}

// The fixed membrane forces the stiffness was assembled with.
template <class V>
std::vector<float> fixed_forces() {
  const auto& pfest = state::cpfest<V>().pfest;
  return {std::begin(pfest.data), std::end(pfest.data)};
}

// The buckling solution of one load case (with crippling on the first), the
// vibration notice and the global buckling, as the analysis-type flags ask.
// `first`: the crippling is checked; `same_stiffness`: the stiffness, its
// condensation and factor are those of the case before; `options`: the
// checks' results, the eigen-solution, and whether only the assembled
// matrices are wanted (nothing is solved then).
template <class V>
RunStatus solve_case(ElementArrays<V>& e, bool first, bool same_stiffness, kernels::KeptFactor& kept,
                     FullPair& full, std::vector<double>& start, const RunOptions& options) {
  const Antype& type = state::antype;
  std::int32_t ierr = 0;
  float fstbub = 0.0f;  // without a buckling solution the global load has no skin share
  if (type.buck) {
    std::vector<std::int32_t> tops, bottoms;  // of A21, for the condensation in this call
    same_stiffness ? incs2_geometric<V>(ierr) : incs2<V>(ierr, &tops, &bottoms);
    if (ierr != 0) {
      report("INCS2", nullptr, true);
      return {Stage::assembly, ierr};
    }
    if (options.assemble_only) return {};
    if (options.solution.assembled) options.solution.assembled();
    if (first && type.cripan)
      if (const RunStatus s = cripple<V>(options); !s.finished()) return s;
    if (!same_stiffness) kept.reset(), full = {};
    SolutionOptions solution = options.solution;
    if (!tops.empty()) solution.coupling_tops = &tops, solution.coupling_bottoms = &bottoms;
    if (!same_stiffness && options.coupling_tops) *options.coupling_tops = tops;
    solution.lanczos_start = &start;
    incs3_case<V>(ierr, fstbub, !same_stiffness, kept, solution, solution.keep_coupling ? nullptr : &full);
    if (ierr != 0) {
      report("INCS3", nullptr, true);
      return {Stage::buckling_solution, ierr};
    }
  }
  if (type.vibr)
    io::write_list(io::listing_unit(),
                   {"ANALYSIS OF EIGENFREQUENCIES NOT SUPPORTED IN THIS VERSION OF RUVO!"});
  if (type.glban) {
    StringerChecks* checks = options.checks;
    if (checks) {
      // A host that takes the checks as values gets the column load at the
      // critical mode's skin force (the routines take the first mode's),
      // and none where that mode has no axial compression.
      const std::optional<float> skin = critical_skin_force<V>(options.solution.critical);
      checks->global_load = NAN, checks->global_converged = true, checks->global_passes = 0;
      checks->critical_skin_force = skin.value_or(NAN);
      if (!(skin > 0.0f)) return {};
      fstbub = *skin;
    }
    const auto r =
        global_buckling_load<V>(ArrayRef<const float, 2>(e.bb.data(), {6, V::p_elmts}), ierr, fstbub);
    if (r && checks)
      checks->global_load = r->load, checks->global_converged = r->converged,
      checks->global_passes = r->passes;
    // A host that takes the checks as values reads an unsettled effective
    // width from them; the other cases still run.
    if (ierr != 0 && !(checks && ierr == glbuck_not_converged)) {
      report("GLBUCK", nullptr, false);
      return {Stage::global_buckling, ierr};
    }
  }
  return {};
}

// Every load case in turn: the stiffness again only where the fixed forces
// change (they are part of it), the rest per case.
template <class V>
RunStatus solve(ElementArrays<V>& e, const RunOptions& options) {
  const std::size_t count = options.cases ? options.cases->count : 1;
  std::vector<float> assembled_with;
  kernels::KeptFactor kept;   // of A11*, while the stiffness stays
  FullPair full;              // likewise, the pair of all the freedoms
  std::vector<double> start;  // the Lanczos iteration's, from each case to the next
  for (std::size_t k = 0; k < count; ++k) {
    if (k > 0) options.cases->store(k);
    std::vector<float> fixed = fixed_forces<V>();
    const bool same_stiffness = k > 0 && fixed == assembled_with;
    if (const RunStatus s = solve_case<V>(e, k == 0, same_stiffness, kept, full, start, options);
        !s.finished())
      return s;
    assembled_with = std::move(fixed);
    if (options.cases) options.cases->collect(k);
  }
  return {};
}

// buvi's own code for a failed stage.
std::int32_t buvi_code(const RunStatus& s) {
  switch (s.stage) {
    case Stage::assembly: return buvi_assembly_failed;
    case Stage::crippling: return buvi_crippling_type;
    case Stage::buckling_solution: return buvi_solution_failed;
    case Stage::global_buckling: return buvi_global_buckling_failed;
    case Stage::grid_size: return buvi_grid_too_large;
    case Stage::membrane_stiffness: return buvi_membrane_stiffness;
    default: return s.code;
  }
}

}  // namespace

bool invert_membrane_block(const std::array<float, 6>& d, float (&aij)[3][3]) {
  const float d11 = d[0], d12 = d[1], d13 = d[2], d22 = d[3], d23 = d[4], d33 = d[5];
  const float p = d11 * d22 * d33;
  const float c11 = d22 * d33 - d23 * d23, c12 = d13 * d23 - d33 * d12, c13 = d12 * d23 - d22 * d13;
  const float c22 = d11 * d33 - d13 * d13, c23 = d12 * d13 - d11 * d23, c33 = d11 * d22 - d12 * d12;
  const float det = d11 * c11 + d12 * c12 + d13 * c13;
  if (!(p > 1.0e-31f && std::fabs(det) > 1.0e-31f * p)) return false;
  const float r = 1.0f / det;
  const float c[3][3] = {{c11, c12, c13}, {c12, c22, c23}, {c13, c23, c33}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) aij[i][j] = r * c[i][j];
  return true;
}

template <class V>
RunStatus buvi_stages(const RunOptions& options) {
  static const io::Format title("(///14X,'BUCKLING LOAD FACTORS AND MODES')");
  static const io::Format too_large("(' MX*MY .GT. P_NODES. P_NODES=',I5,'  MX =',I5,' MY =',I5)");
  static const io::Format membrane("(' MESSAGE FROM SUBR. BUVI:'/'MEMBR. STIFFN. INCORRECT')");

  io::write_listing(title);
  std::int32_t ierr = 0;
  ElementArrays<V> e;
  rddata<V>(e.bb, e.dd, e.bd, e.rr, e.dr, e.br, e.ss, ierr, !options.masses.has_value(),
            !options.stringer_given);
  if (ierr != 0) {
    report("RDDATA", &ierr, true);
    return {Stage::data_input, ierr};
  }
  if (options.element_laminates)
    spread_laminates(*options.element_laminates, e.bb, e.dd, e.bd, e.rr, e.dr, e.br, e.ss);
  const auto& ina = state::f07ina<V>();
  if (std::int64_t{ina.mx} * ina.my > V::p_nodes) {
    io::write_listing(too_large, {V::p_nodes, ina.mx, ina.my});
    return {Stage::grid_size, buvi_grid_too_large};
  }
  if (!state::antype.vibr) prtout<V>(e.bb, e.dd, e.bd, e.rr, e.dr, e.br, e.ss);
  Man& man = state::man;
  setkey<V>(man.ix, man.iy);
  if ((ierr = build_level_vectors<V>()) != 0) return {Stage::level_vectors, ierr};
  tfmstf<V>(e.c, e.ch, e.bb, e.dd, e.bd, e.rr, e.dr, e.br, e.ss, ierr);
  if (ierr != 0) {
    report("TFMSTF", &ierr, true);
    return {Stage::element_terms, ierr};
  }
  const auto& dis = state::f07dis<V>();
  state::element_compliances.of_element.clear();
  if ((dis.nox != 0 || dis.noy != 0) && !set_membrane_compliances<V>(e.c, options.strain_under_stiffeners)) {
    io::write_listing(membrane);
    return {Stage::membrane_stiffness, buvi_membrane_stiffness};
  }
  f01kbf<V>(e.c, e.ch, state::f01qua<V>());
  redfkq<V>();
  chneig();
  return solve<V>(e, options);
}

template <class V>
void buvi(std::int32_t& ier) {
  ier = buvi_code(buvi_stages<V>({}));
}

#define RUVO_INSTANTIATE(V)             \
  template void buvi<V>(std::int32_t&); \
  template RunStatus buvi_stages<V>(const RunOptions&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
