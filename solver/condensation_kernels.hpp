// Kernels of the static condensation A11* = A11 − A21ᵀ·A22⁻¹·A21 and of the
// tangential recovery X2 = −A22⁻¹·A21·X1. A21 is dense, column-major with
// leading dimension lda (iy rows used, one column per W freedom). No I/O, no
// shared state; each works on a block of columns so that a faster version
// can replace it without changing its callers.
#pragma once

#include "solver/profile.hpp"

namespace ruvo::solver {

// z(:, c) = A22⁻¹·a21(:, first+c-1) for c = 1..count, with L22 the Cholesky
// factor of A22 (order iy); z holds iy by count entries, work iy entries.
void solve_coupling_columns(Profile<const double> l22, const double* a21, long lda, int first, int count,
                            double* z, double* work);

// a11(j, k) −= Σ_m z(m, j−first+1)·a21(m, k) for j = first..first+count−1 and
// k = 1..j (A11 a full lower triangle, m = 1..iy summed in increasing m).
void subtract_coupling(Profile<double> a11, const double* a21, long lda, int iy, int first, int count,
                       const double* z);

// x2(:, i) −= record·x1(j, i) for the modes i = 1..modes: record is the
// column A22⁻¹·A21(:, j) of iy entries, x1 the W parts (leading dimension
// ldx), x2 the tangential parts (iy by modes).
void subtract_record(const double* record, int iy, int j, const double* x1, long ldx, int modes, double* x2);

}  // namespace ruvo::solver
