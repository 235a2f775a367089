#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <span>
#include <vector>

#include "io/listing.hpp"
#include "kernels/profile.hpp"
#include "model/blocks.hpp"
#include "model/profile_index.hpp"
#include "output/eigvpr.hpp"
#include "output/vibration_listing.hpp"
#include "solver/condensation.hpp"
#include "solver/full_pair.hpp"
#include "solver/vibration.hpp"

namespace ruvo {

namespace {

// Largest magnitude among the stored entries of a profile of order n.
double largest(const double* a, std::span<const std::int32_t> lv, int n) {
  double m = 0.0;
  for (const double* p = a; p != a + profile_length(lv.data(), n); ++p) m = std::max(m, std::abs(*p));
  return m;
}

// Divides the mass matrix by the ratio of its norm to the stiffness norm, so
// that both are of one size in the iteration; returns that ratio.
template <class V>
float scale_mass() {
  auto& m = state::matrix<V>();
  const auto& lv = state::comlv<V>();
  const int ix = state::man.ix;
  const double nrma = ix * largest(m.a11.data, {lv.lvtri.data, V::p_nx}, ix);
  const double nrmm = ix * largest(m.b11.data, {lv.lvb.data, V::p_nx}, ix);
  const float pdom = float(nrmm / nrma);
  std::for_each(m.b11.data, m.b11.data + profile_length(lv.lvb.data, ix), [&](double& v) { v /= pdom; });
  return pdom;
}

// A11* + shift·M: the mass profile (band ibdx over lvb) added into the
// stiffness profile (the full triangle over lvtri), before the mass is scaled.
template <class V>
void shift_stiffness(double shift) {
  auto& m = state::matrix<V>();
  const auto& lv = state::comlv<V>();
  const int ix = state::man.ix;
  const kernels::Profile<double> a11{m.a11.data, lv.lvtri.data, ix, ix};
  const kernels::Profile<const double> mass{m.b11.data, lv.lvb.data, ix, state::f07ina<V>().ibdx};
  for (int i = 1; i <= ix; ++i)
    for (int j = mass.first_column(i); j <= i; ++j) a11(i, j) += shift * mass(i, j);
}

}  // namespace

template <class V>
void vibs3(std::int32_t& ier, double shift, const SolutionOptions& options) {
  static const io::Format a22_failed(
      "(/,' SUBROUTINE VIBS3: CHOLESKY DECOMPOSITION ',            'OF MATRIX A22 FAILED. IER= ',I5)");
  static const io::Format simvit_failed(
      "(1X,'SUBROUTINE VIBS3: ERROR ENCOUNTERED IN SUBR. SIMVIT'       /,1X,'IER=',I4)");
  static const io::Format w_modes("(1H1,'X-EIGENVECTORS DESCRIBING NORMAL DISPLACEMENT W')");
  ier = 0;
  const ScratchFile scratch;
  const Man& man = state::man;
  const bool tangential_freedoms = state::f07ina<V>().knfun > 1 && man.iy > 0;
  // A shifted panel's rigid-body modes share one eigenvalue: the block of
  // the subspace iteration finds every copy of it, the single-vector
  // Lanczos method only those that rounding happens to separate.
  const EigenSolution eigen =
      shift != 0.0 && options.eigen == EigenSolution::fastest ? EigenSolution::subspace : options.eigen;
  FullPair full;
  const bool by_full_pair = tangential_freedoms && shift == 0.0 && !options.keep_coupling &&
                            factor_full_pair<V>(full, options, eigen);
  if (tangential_freedoms && !by_full_pair && (ier = condense_for<V>("VIBS3", a22_failed, options)) != 0)
    return;
  if (shift != 0.0) shift_stiffness<V>(shift);
  const float pdom = state::densit.pdom = scale_mass<V>();
  auto& lv = state::comlv<V>();
  const std::span<const double> mass(state::matrix<V>().b11.data);
  const std::span<const std::int32_t> lvb(lv.lvb.data);
  std::optional<CondensedSolution> solved;
  if (by_full_pair) {
    solved = solve_full<V>(mass, lvb, state::f07ina<V>().ibdx, full, nullptr);
    // what the pair of all the freedoms could not solve, the condensed pair does
    if (!solved && (ier = condense_for<V>("VIBS3", a22_failed, options)) != 0) return;
  }
  const CondensedSolution s =
      solved ? *solved : solve_condensed<V>(mass, lvb, state::f07ina<V>().ibdx, nullptr, eigen);
  if (s.ier != 0) {
    io::write_both(simvit_failed, {s.ier});
    ier = solution_code::subspace_failed;
    return;
  }
  auto& elam = state::valus.elam;
  std::vector<double> herz(man.neigrq);
  for (int i = 1; i <= man.neigrq; ++i) {
    elam(i) = elam(i) / pdom - shift;
    herz[i - 1] = std::sqrt(elam(i)) / (2.0 * std::numbers::pi);
  }
  print_vibration_statistics(s.ip, s.jac, s.eps);
  print_frequencies({elam.data, std::size_t(man.neigrq)}, herz);
  io::write_listing(w_modes);
  state::f07hil.drvek = 1;
  state::f07hil.izu = 0;
  eigvpr(io::listing_unit(), ArrayRef<const double, 2>(state::vectrs<V>().x.data, {V::p_nx, V::p_ngit}),
         man.ix, man.neigrq);
  if (man.x2pri && tangential_freedoms && !by_full_pair && !print_tangential_modes<V>(man.neigrq)) {
    report_scratch_fault("VIBS3");
    ier = solution_code::scratch_file;
  }
}

#define RUVO_INSTANTIATE(V) template void vibs3<V>(std::int32_t&, double, const SolutionOptions&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
