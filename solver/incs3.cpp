#include <span>

#include "io/listing.hpp"
#include "io/units.hpp"
#include "model/blocks.hpp"
#include "output/buckling_listing.hpp"
#include "output/eigvpr.hpp"
#include "solver/buckling.hpp"
#include "solver/condensation.hpp"
#include "solver/full_pair.hpp"

namespace ruvo {

namespace {

bool any_positive(const Man& man) {
  for (int i = 1; i <= man.neigrq; ++i)
    if (state::valus.elam(i) > 0.0) return true;
  return false;
}

template <class V>
void solve_buckling(std::int32_t& ier, float& fstbui, bool condense, kernels::KeptFactor* kept,
                    const SolutionOptions& options, FullPair* full) {
  static const io::Format a22_failed(
      "(/,' SUBROUTINE INCS3: CHOLESKY DECOMPOSITION ',            'OF MATRIX A22 FAILED. IER= ',I5)");
  static const io::Format simvit_failed("(1X,'SUBROUTINE INCS3: ERROR ENCOUNTERED IN SUBR: SIMVIT')");
  static const io::Format w_modes("(/1X,'X-EIGENVECTORS DESCRIBING NORMAL DISPLACEMENT W')");
  static const io::Format tangential("(/1X,'X2-EIGENVECTORS DESCRIBING TANGENTIAL DISPLACEMENTS')");
  static const io::Format shear("(1X, 'AND TRANSVERSE SHEAR STRAINS')");

  ier = 0;
  const ScratchFile scratch;
  const Man& man = state::man;
  const bool tangential_freedoms = state::f07ina<V>().knfun > 1 && man.iy > 0;
  const bool by_full_pair =
      full && tangential_freedoms &&
      (condense ? factor_full_pair<V>(*full, options, options.eigen) : full->factor != nullptr);
  if (condense && tangential_freedoms && !by_full_pair &&
      (ier = condense_for<V>("INCS3", a22_failed, options)) != 0)
    return;
  // The condensation that the pair of all the freedoms spared, where a
  // solution needs A11* after all.
  const auto condense_late = [&] {
    if (!by_full_pair || full->condensed) return true;
    full->condensed = true;
    return (ier = condense_for<V>("INCS3", a22_failed, options)) == 0;
  };
  auto& lv = state::comlv<V>();
  const std::span<const double> b11(state::matrix<V>().b11.data);
  const std::span<const std::int32_t> lvb(lv.lvb.data);
  std::optional<CondensedSolution> solved;
  if (by_full_pair) solved = solve_full<V>(b11, lvb, state::f07ina<V>().ibdx, *full, options.lanczos_start);
  if (!solved && !condense_late()) return;
  const CondensedSolution s = solved ? *solved
                                     : solve_condensed<V>(b11, lvb, state::f07ina<V>().ibdx, kept,
                                                          options.eigen, options.lanczos_start);
  if (s.ier != 0) {
    io::write_both(simvit_failed);
    ier = solution_code::subspace_failed;
    return;
  }
  if (options.critical) {
    if (!any_positive(man) && !condense_late()) return;
    *options.critical = find_critical<V>(b11, lvb, state::f07ina<V>().ibdx, kept);
  }
  const double elam1 = state::valus.elam(1);
  fstbui = float(state::cpvar<V>().pvar(1, 1) * elam1 + state::cpfest<V>().pfest(1, 1));

  print_statistics(s.ip, s.jac, s.eps);
  print_eigenvalues<V>(man.neigrq, uniform_load<V>());
  if (man.mempri)
    for (int i = 1; i <= man.neigrq; ++i) print_forces_at<V>(i);

  io::write_listing(w_modes);
  state::f07hil.drvek = 1;
  state::f07hil.izu = 0;
  eigvpr(io::listing_unit(), ArrayRef<const double, 2>(state::vectrs<V>().x.data, {V::p_nx, V::p_ngit}),
         man.ix, man.neigrq);
  if (condense && !by_full_pair && man.x2pri && man.iy > 0 && tangential_freedoms) {
    io::write_listing(tangential);
    io::write_listing(shear);
    if (!print_tangential_modes<V>(man.neigrq)) {
      report_scratch_fault("INCS3");
      ier = solution_code::scratch_file;
    }
  }
}

}  // namespace

template <class V>
void incs3(std::int32_t& ier, float& fstbui) {
  solve_buckling<V>(ier, fstbui, true, nullptr, {}, nullptr);
}

template <class V>
void incs3_case(std::int32_t& ier, float& fstbui, bool condense, kernels::KeptFactor& kept,
                const SolutionOptions& options, FullPair* full) {
  solve_buckling<V>(ier, fstbui, condense, &kept, options, full);
}

#define RUVO_INSTANTIATE(V)                                                                              \
  template void incs3<V>(std::int32_t&, float&);                                                         \
  template void incs3_case<V>(std::int32_t&, float&, bool, kernels::KeptFactor&, const SolutionOptions&, \
                              FullPair*);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
