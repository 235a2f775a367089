// Quadratic forms of assembled matrices with a few vectors, Φᵀ·A·Φ: all that
// the derivatives of eigenvalues need from a matrix, without handing the
// matrix over. No I/O.
#pragma once

#include <span>

#include "kernels/profile.hpp"

namespace ruvo::kernels {

// A block of m vectors of length n, column-major with leading dimension ld.
struct Vectors {
  const double* v;
  int n, m, ld;
  double operator()(int i, int k) const { return v[std::ptrdiff_t(k) * ld + i]; }  // 0-based
};

// m × m column-major `form` += Φᵀ·A·Φ for the symmetric profile matrix A
// (order Φ.n); entries that are exactly zero cost nothing.
void add_profile_form(Profile<const double> a, Vectors phi, double* form);
// The same over the rows `rows` alone (1-based, ascending), the others
// known to hold zeros: no pass over them.
void add_profile_form(Profile<const double> a, Vectors phi, std::span<const int> rows, double* form);

// A run of columns, 0-based: `first` and how many.
struct Columns {
  int first = 0, count = 0;
};

// The columns from the first to the last that hold a value not exactly
// zero, of a column-major block of `rows` × `columns` (count 0: none).
Columns nonzero_columns(const double* c, int ldc, int rows, int columns);

// m × m column-major `form` += Tᵀ·C·W + Wᵀ·Cᵀ·T for the coupling block C of
// T.n rows and W.n columns, column-major with leading dimension ldc, of
// which only `columns` hold values that are not zero.
void add_coupling_form(const double* c, int ldc, Vectors t, Vectors w, Columns columns, double* form);

// The blocks of an element's 16 freedoms of one function against 16 of
// another, column-major: freedom (r, c) of the element's table (0-based) at
// r + 4c.
inline constexpr int element_freedoms = 16;

// s += f·Sx ⊗ Sy: entry (r + 4c, r' + 4c') += f·sx[c][c']·sy[r][r'] (a skin
// term's block before the freedoms' scales).
void add_term_block(double f, const double (&sx)[4][4], const double (&sy)[4][4], double* s);

// Groups of 16 lanes, group (k, l) at (l·m + k)·16, += ψ1_k ∘ (S·ψ2_l) for
// the block s and the values of m modes at the two functions' freedoms
// (psi1, psi2: 16 per mode, mode after mode). A group's lanes sum to
// (Ψ1ᵀ·S·Ψ2)(k, l); kept apart, the sums of many blocks cost no reduction.
void add_block_form(const double* s, const double* psi1, const double* psi2, int m, double* groups);

}  // namespace ruvo::kernels
