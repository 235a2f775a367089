#include "solver/subspace_routines.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "io/listing.hpp"
#include "io/units.hpp"
#include "model/blocks.hpp"
#include "kernels/jacobi.hpp"
#include "kernels/profile.hpp"
#include "kernels/subspace.hpp"

namespace ruvo {

namespace {

std::string num(std::int64_t v) { return std::to_string(v); }

ArgumentFault bad(std::string text) {
  return {ArgumentFault::argument, simvit_bad_arguments, std::move(text)};
}
ArgumentFault short_array(std::string_view name, std::size_t has, std::string_view needs,
                          std::int64_t count) {
  return {ArgumentFault::array, simvit_bad_arguments,
          std::string(name) + " holds " + num(has) + " entries, fewer than " + std::string(needs) + " = " +
              num(count)};
}

// lvtri(1..order) is the full triangle i(i-1)/2.
bool is_full_triangle(std::span<const std::int32_t> lvtri, std::int32_t order) {
  return kernels::check_profile(lvtri, order, order, std::numeric_limits<std::size_t>::max()).fault ==
         kernels::ProfileFault::none;
}

}  // namespace

ArgumentFault simvit_fault(std::int32_t neigrq, std::int32_t neigit, std::span<const double> a,
                           std::span<const double> b, std::int32_t n, std::int32_t ibda, std::int32_t ibdb,
                           std::span<const std::int32_t> lvbnda, std::span<const std::int32_t> lvbndb,
                           double eps, std::span<const double> elam, std::span<const double> x,
                           std::span<const std::int32_t> lvtri) {
  if (n < 2) return bad("order n = " + num(n) + " is below 2");
  if (neigit < 2 || neigit > n) return bad("neigit = " + num(neigit) + " is outside 2..n = " + num(n));
  if (neigrq < 1 || neigrq >= neigit)
    return bad("neigrq = " + num(neigrq) + " is outside 1..neigit-1 = " + num(neigit - 1));
  if (!(eps > 0.0) || !std::isfinite(eps)) return bad("eps is not a positive number");
  for (auto [m, ibd, lv, names] : {std::tuple{a, ibda, lvbnda, ProfileNames{"a", "ibda", "lvbnda"}},
                                   std::tuple{b, ibdb, lvbndb, ProfileNames{"b", "ibdb", "lvbndb"}}})
    if (ArgumentFault fault = profile_fault(m, n, ibd, lv, 2, names)) {
      fault.code = simvit_bad_arguments;
      return fault;
    }
  if (elam.size() < std::size_t(neigit)) return short_array("elam", elam.size(), "neigit", neigit);
  if (x.size() < std::size_t(n) * std::size_t(neigit))
    return short_array("x", x.size(), "n*neigit", std::int64_t{n} * neigit);
  if (lvtri.size() < std::size_t(neigit)) return short_array("lvtri", lvtri.size(), "neigit", neigit);
  if (!is_full_triangle(lvtri, neigit)) return bad("lvtri(1..neigit) is not the full triangle i(i-1)/2");
  return {};
}

void simvit(std::int32_t neigrq, std::int32_t neigit, std::span<const double> a, std::span<const double> b,
            std::int32_t n, std::int32_t ibda, std::int32_t ibdb, std::span<const std::int32_t> lvbnda,
            std::span<const std::int32_t> lvbndb, double& eps, std::span<double> elam, std::span<double> x,
            std::int32_t& jac, std::int32_t& ip, std::span<const std::int32_t> lvtri, std::int32_t& ier,
            kernels::KeptFactor* kept) {
  static const io::Format cholesky_failed("(1X,'SIMVIT: ERROR IN CHOLESKY DECOMPOSITION. IER=',I4)");
  static const io::Format subspace_failed("(1X,'SIMVIT: EIGENVALUE PROBLEM IN SUBSPACE JAC=',I4)");
  static const io::Format jacobi_code("(1X,'COULD NOT BE SOLVED.JACOB2 ERROR CODE IS IER=',I4)");

  jac = 0;
  ip = 0;
  if (const ArgumentFault fault =
          simvit_fault(neigrq, neigit, a, b, n, ibda, ibdb, lvbnda, lvbndb, eps, elam, x, lvtri)) {
    ier = simvit_bad_arguments;
    report_argument_fault("SIMVIT", fault);
    return;
  }
  const kernels::SubspaceProblem problem{
      {a.data(), lvbnda.data(), n, ibda}, {b.data(), lvbndb.data(), n, ibdb}, neigrq, neigit};
  const kernels::SubspaceResult r =
      kernels::subspace_iteration(problem, eps, elam.data(), x.data(), lvtri.data(), kept);
  jac = r.jac;
  ip = r.ip;
  ier = r.ier;
  for (const kernels::JacobiFailure& f : r.jacobi_failures) {
    io::write(io::stdout_unit, subspace_failed, {f.jac});
    io::write(io::stdout_unit, jacobi_code, {int(f.ier)});
  }
  if (r.ier == kernels::subspace_not_definite) {
    io::write(io::stdout_unit, cholesky_failed, {r.cholesky_row});
    io::write_listing(cholesky_failed, {r.cholesky_row});
  }
}

ArgumentFault jacob2_fault(std::span<const double> a, std::int32_t n, std::span<const std::int32_t> lvtri,
                           std::span<const double> ys) {
  if (n < 1) return {};  // too small to be treated: nothing is indexed
  ArgumentFault fault = profile_fault(a, n, n, lvtri, 1, {"a", "n", "lvtri"});
  if (fault.kind == ArgumentFault::argument) fault.code = jacob2_bad_arguments;
  if (fault) return fault;
  if (ys.size() < std::size_t(n) * std::size_t(n))
    return {ArgumentFault::array, jacob2_bad_arguments,
            "ys holds " + num(ys.size()) + " entries, fewer than n*n = " + num(std::int64_t{n} * n)};
  return {};
}

void jacob2(std::span<double> a, std::int32_t n, std::span<const std::int32_t> lvtri, double eps,
            std::span<double> ys, std::int32_t& ier) {
  if (n < 1) {
    ier = kernels::jacobi_too_small;
    return;
  }
  if (const ArgumentFault fault = jacob2_fault(a, n, lvtri, ys)) {
    ier = fault.code;
    report_argument_fault("JACOB2", fault);
    return;
  }
  ier = kernels::jacobi_eigen({a.data(), lvtri.data(), n, n}, eps, ys.data());
}

void chneig() {
  static const io::Format neigit_reduced("(' VALUE OF NEIGIT REDUCED TO',I3,' = NUMBER OF W-DOFS')");
  static const io::Format neigrq_reduced("(' VALUE OF NEIGRQ REDUCED TO',I3,' = NEIGIT-1')");
  Man& man = state::man;
  if (man.neigit > man.ix) {
    man.neigit = man.ix;
    io::write(io::stdout_unit, neigit_reduced, {man.neigit});
  }
  if (man.neigrq >= man.neigit) {
    // neigit - 1, saturating for a host-set neigit at the bottom of the range
    man.neigrq = std::max(man.neigit, std::numeric_limits<std::int32_t>::min() + 1) - 1;
    io::write(io::stdout_unit, neigrq_reduced, {man.neigrq});
  }
}

}  // namespace ruvo
