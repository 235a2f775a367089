#include <span>

#include "io/listing.hpp"
#include "io/units.hpp"
#include "model/blocks.hpp"
#include "output/buckling_listing.hpp"
#include "output/eigvpr.hpp"
#include "solver/buckling.hpp"
#include "solver/condensation.hpp"

namespace ruvo {

namespace {

template <class V>
void solve_buckling(std::int32_t& ier, float& fstbui, bool condense, kernels::KeptFactor* kept,
                    const SolutionOptions& options) {
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
  if (condense && tangential_freedoms && (ier = condense_for<V>("INCS3", a22_failed, options)) != 0) return;
  auto& lv = state::comlv<V>();
  const CondensedSolution s = solve_condensed<V>(std::span<const double>(state::matrix<V>().b11.data),
                                                 std::span<const std::int32_t>(lv.lvb.data),
                                                 state::f07ina<V>().ibdx, kept, options.eigen);
  if (s.ier != 0) {
    io::write_both(simvit_failed);
    ier = solution_code::subspace_failed;
    return;
  }
  if (options.critical) *options.critical = find_critical<V>(std::span<const double>(state::matrix<V>().b11.data),
                                                             std::span<const std::int32_t>(lv.lvb.data),
                                                             state::f07ina<V>().ibdx, kept);
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
  if (condense && man.x2pri && man.iy > 0 && tangential_freedoms) {
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
  solve_buckling<V>(ier, fstbui, true, nullptr, {});
}

template <class V>
void incs3_case(std::int32_t& ier, float& fstbui, bool condense, kernels::KeptFactor& kept,
                const SolutionOptions& options) {
  solve_buckling<V>(ier, fstbui, condense, &kept, options);
}

#define RUVO_INSTANTIATE(V)                      \
  template void incs3<V>(std::int32_t&, float&); \
  template void incs3_case<V>(std::int32_t&, float&, bool, kernels::KeptFactor&, const SolutionOptions&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
