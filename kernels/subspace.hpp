// Smallest-magnitude eigenpairs of A·x = λ·B·x by simultaneous inverse
// (subspace) iteration, A positive definite and B symmetric, both in profile
// storage (kernels/profile.hpp). No I/O: the events a caller reports are
// returned in the result.
#pragma once

#include <vector>

#include "kernels/factor.hpp"
#include "kernels/jacobi.hpp"
#include "kernels/profile.hpp"

namespace ruvo::kernels {

struct SubspaceProblem {
  Profile<const double> a;  // positive definite, order n >= 2
  Profile<const double> b;  // symmetric, same order
  int neigrq;               // pairs wanted, 1 <= neigrq <= neigit - 1
  int neigit;               // iteration vectors, neigit <= n
};

// A projected eigenproblem that jacobi_eigen did not solve.
struct JacobiFailure {
  int jac;           // subspace step
  JacobiStatus ier;  // jacobi_eigen's status
};

struct SubspaceResult {
  int jac = 0;                                 // subspace steps (projections solved)
  int ip = 0;                                  // inverse-iteration steps
  int ier = 0;                                 // 0, subspace_not_definite, or the last Jacobi status
  int cholesky_row = 0;                        // cholesky_factor's code when A was not definite
  std::vector<JacobiFailure> jacobi_failures;  // in the order they happened
};

inline constexpr int subspace_not_definite = 1;

// Fills elam(1..neigrq) (at least; elam has neigit entries) with converged
// eigenvalues, each batch of one step in increasing magnitude, and column k
// of x (n by neigit, leading dimension n) with the eigenvector of elam(k),
// normalised to xᵀ·A·x = 1. eps (> 0) is the convergence tolerance on the
// projected eigenvectors; it grows by 3 % per inverse step and is returned
// grown. lvtri is the full-triangle level vector of order >= neigit.
// Every call starts its random numbers from the same state, so equal data
// give bit-identical results. Besides x and elam it takes the factor
// (kernels/factor.hpp) and, when the band is wide enough for BLAS tiles, a
// copy of the leading columns of A (kernels/profile_tiles.hpp): for a
// full-triangle A of order n, two n by n squares.
//
// `kept`, when given, keeps the factor of A for further problems with the
// same A (and any B): empty, it receives the factor made; holding one, that
// factor is used and A is not factorised again.
SubspaceResult subspace_iteration(const SubspaceProblem& problem, double& eps, double* elam, double* x,
                                  const int* lvtri, KeptFactor* kept = nullptr);

}  // namespace ruvo::kernels
