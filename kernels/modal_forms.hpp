// Quadratic forms of assembled matrices with a few vectors, Φᵀ·A·Φ: all that
// the derivatives of eigenvalues need from a matrix, without handing the
// matrix over. No I/O.
#pragma once

#include "kernels/profile.hpp"

namespace ruvo::kernels {

// A block of m vectors of length n, column-major with leading dimension ld.
struct Vectors {
  const double* v;
  int n, m, ld;
  double operator()(int i, int k) const { return v[std::ptrdiff_t(k) * ld + i]; }  // 0-based
};

// Whether the n values are all zeros (of either sign; NaN is not zero).
bool all_zero(const double* v, std::ptrdiff_t n);

// m × m column-major `form` += Φᵀ·A·Φ for the symmetric profile matrix A
// (order Φ.n); entries that are exactly zero cost nothing.
void add_profile_form(Profile<const double> a, Vectors phi, double* form);

// m × m column-major `form` += Tᵀ·C·W + Wᵀ·Cᵀ·T for the coupling block C of
// T.n rows and W.n columns, column-major with leading dimension ldc; its
// columns of zeros before the first and after the last nonzero cost a scan.
void add_coupling_form(const double* c, int ldc, Vectors t, Vectors w, double* form);

}  // namespace ruvo::kernels
