// Eigenvalues and eigenvectors of a small dense symmetric matrix by Jacobi
// rotations. No I/O, no shared state.
#pragma once

#include "kernels/profile.hpp"

namespace ruvo::kernels {

// Status of jacobi_eigen.
enum JacobiStatus : int {
  jacobi_converged = 0,
  jacobi_rotation_limit = -1,  // 2n²+1 rotations did not converge
  jacobi_too_small = -2,       // largest row sum below 1e-10·eps: nothing done
};

// A is a full lower triangle (band n). On return its diagonal holds the
// eigenvalues, the off-diagonal entries are destroyed, and column i of ys
// (n by n, leading dimension n) is the unit eigenvector of diagonal entry i.
// Off-diagonal entries below eps·(largest absolute row sum)/n count as zero;
// the pivot of each rotation is the first largest off-diagonal entry.
JacobiStatus jacobi_eigen(Profile<double> A, double eps, double* ys);

}  // namespace ruvo::kernels
