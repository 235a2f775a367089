// The eigenvalue routines as the analysis and the host call them: argument
// checks, the kernels of kernels/subspace.hpp and kernels/jacobi.hpp, and the
// messages of their failures. Arrays are flat storage (see
// solver/profile_routines.hpp).
#pragma once

#include <cstdint>
#include <span>

#include "solver/profile_routines.hpp"
#include "kernels/subspace.hpp"

namespace ruvo {

// simvit's error code for arguments that do not describe a solvable problem.
inline constexpr std::int32_t simvit_bad_arguments = 2;
// jacob2's error code for a level vector that is not the full triangle.
inline constexpr std::int32_t jacob2_bad_arguments = -3;

// The neigrq eigenvalues of smallest magnitude of A·x = λ·B·x and their
// eigenvectors (columns of x, n by neigit, xᵀ·A·x = 1) by subspace iteration.
// eps grows by 3 % per inverse step and is returned grown; jac and ip count
// the subspace and inverse steps. ier = 0; 1 when A is not positive definite
// (a message on standard output and the listing); -1 or -2 when the last
// projected problem failed in jacob2; simvit_bad_arguments (a message on
// standard output, nothing else changed) for 1 <= neigrq < neigit <= n,
// n >= 2, eps > 0, band widths and level vectors not holding.
void simvit(std::int32_t neigrq, std::int32_t neigit, std::span<const double> a, std::span<const double> b,
            std::int32_t n, std::int32_t ibda, std::int32_t ibdb, std::span<const std::int32_t> lvbnda,
            std::span<const std::int32_t> lvbndb, double& eps, std::span<double> elam, std::span<double> x,
            std::int32_t& jac, std::int32_t& ip, std::span<const std::int32_t> lvtri, std::int32_t& ier,
            kernels::KeptFactor* kept = nullptr);
ArgumentFault simvit_fault(std::int32_t neigrq, std::int32_t neigit, std::span<const double> a,
                           std::span<const double> b, std::int32_t n, std::int32_t ibda, std::int32_t ibdb,
                           std::span<const std::int32_t> lvbnda, std::span<const std::int32_t> lvbndb,
                           double eps, std::span<const double> elam, std::span<const double> x,
                           std::span<const std::int32_t> lvtri);

// Eigenvalues (left on the diagonal of a) and unit eigenvectors (columns of
// ys, n by n) of the symmetric matrix packed as a full lower triangle with
// level vector lvtri. ier = 0; -1 rotation limit; -2 matrix too small (also
// for n < 1); jacob2_bad_arguments when lvtri is not the full triangle.
void jacob2(std::span<double> a, std::int32_t n, std::span<const std::int32_t> lvtri, double eps,
            std::span<double> ys, std::int32_t& ier);
ArgumentFault jacob2_fault(std::span<const double> a, std::int32_t n, std::span<const std::int32_t> lvtri,
                           std::span<const double> ys);

// Limits neigit to the number of W freedoms ix and neigrq to neigit-1
// (shared block man), with a line on standard output for each change.
void chneig();

}  // namespace ruvo
